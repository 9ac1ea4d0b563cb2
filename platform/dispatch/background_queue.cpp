#include "platform/dispatch/background_queue.h"

#include <condition_variable>
#include <deque>
#include <mutex>

namespace quillmere {

struct BackgroundQueue::State {
    std::mutex mutex;
    std::condition_variable wake;
    std::deque<std::function<void()>> queue;
    bool stopping = false;

    void run() {
        std::unique_lock lock(mutex);
        for (;;) {
            wake.wait(lock, [this] { return stopping || !queue.empty(); });
            if (queue.empty()) return;  // stopping, and nothing left to run
            auto work = std::move(queue.front());
            queue.pop_front();
            lock.unlock();
            work();
            work = nullptr;  // what the work captured is released outside the lock, too
            lock.lock();
        }
    }
};

BackgroundQueue::BackgroundQueue()
    : state_(std::make_shared<State>()), worker_([state = state_] { state->run(); }) {}

BackgroundQueue::~BackgroundQueue() {
    {
        std::lock_guard lock(state_->mutex);
        state_->stopping = true;
    }
    state_->wake.notify_one();
    if (worker_.get_id() == std::this_thread::get_id()) {
        // The last owner let go from inside a work item: a thread cannot join itself, so it
        // finishes the queue on its own, keeping the shared state alive.
        worker_.detach();
    } else {
        worker_.join();
    }
}

void BackgroundQueue::async(std::function<void()> work) {
    {
        std::lock_guard lock(state_->mutex);
        state_->queue.push_back(std::move(work));
    }
    state_->wake.notify_one();
}

void BackgroundQueue::sync(std::function<void()> work) {
    if (std::this_thread::get_id() == worker_.get_id()) {
        work();
        return;
    }
    asyncAndWait(*this, std::move(work));
}

}  // namespace quillmere
