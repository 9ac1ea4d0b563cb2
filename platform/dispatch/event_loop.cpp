#include "platform/dispatch/event_loop.h"
namespace quillmere {

EventLoop::EventLoop() : thread_(std::this_thread::get_id()) {}

void EventLoop::async(std::function<void()> work) {
    {
        std::lock_guard lock(mutex_);
        queue_.push_back(std::move(work));
    }
    wake_.notify_one();
}

void EventLoop::sync(std::function<void()> work) {
    if (std::this_thread::get_id() == thread_) {
        work();
        return;
    }
    asyncAndWait(*this, std::move(work));
}

void EventLoop::run() {
    while (auto work = next()) {
        work();
    }
    std::lock_guard lock(mutex_);
    stopRequested_ = false;
}

void EventLoop::stop() {
    {
        std::lock_guard lock(mutex_);
        stopRequested_ = true;
    }
    wake_.notify_one();
}

std::function<void()> EventLoop::next() {
    std::unique_lock lock(mutex_);
    wake_.wait(lock, [this] { return stopRequested_ || !queue_.empty(); });
    if (stopRequested_) return nullptr;
    auto work = std::move(queue_.front());
    queue_.pop_front();
    return work;
}

}  // namespace quillmere
