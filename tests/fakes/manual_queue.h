#pragma once
// A dispatch queue that a test drives by hand: `async` only records the work, `runAll` runs it
// (and whatever it submits meanwhile) in submission order. `sync` runs the work at once, as the
// queue's thread would while the caller waits, and counts the call.

#include <cstddef>
#include <deque>
#include <functional>

#include "platform/dispatch/dispatch_queue.h"

namespace quillmere::test {

class ManualQueue : public DispatchQueue {
public:
    void async(std::function<void()> work) override { pending.push_back(std::move(work)); }
    void sync(std::function<void()> work) override {
        ++syncCount;
        work();
    }

    void runAll() {
        while (!pending.empty()) {
            std::function<void()> work = std::move(pending.front());
            pending.pop_front();
            work();
        }
    }

    std::deque<std::function<void()>> pending;
    std::size_t syncCount = 0;
};

}  // namespace quillmere::test
