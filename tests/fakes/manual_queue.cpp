#include "tests/fakes/manual_queue.h"

#include <utility>

namespace quillmere::test {

void ManualQueue::async(std::function<void()> work) {
    ++asyncCount_;
    pending_.push_back(std::move(work));
}

void ManualQueue::sync(std::function<void()> work) {
    ++syncCount_;
    work();
}

std::size_t ManualQueue::runAll() {
    std::size_t ran = 0;
    while (!pending_.empty()) {
        std::function<void()> work = std::move(pending_.front());
        pending_.pop_front();
        work();
        ++ran;
    }
    return ran;
}

}  // namespace quillmere::test
