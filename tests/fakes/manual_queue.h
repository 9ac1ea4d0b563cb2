#pragma once
// A dispatch queue that a test drives by hand: `async` only records the work, `runAll` runs it
// (and whatever it submits meanwhile) in submission order. `sync` runs the work at once, as the
// queue's thread would while the caller waits, and counts the call.
//
//   ManualQueue main;
//   main.async([] { ... });   // nothing runs yet
//   main.runAll();            // now it has

#include <cstddef>
#include <deque>
#include <functional>

#include "platform/dispatch_queue.h"

namespace quillmere::test {

class ManualQueue : public DispatchQueue {
public:
    void async(std::function<void()> work) override;
    void sync(std::function<void()> work) override;

    // Runs pending work, oldest first, until none is left; answers how many items ran.
    std::size_t runAll();
    std::size_t pendingCount() const { return pending_.size(); }
    std::size_t asyncCount() const { return asyncCount_; }
    std::size_t syncCount() const { return syncCount_; }

private:
    std::deque<std::function<void()>> pending_;
    std::size_t asyncCount_ = 0;
    std::size_t syncCount_ = 0;
};

}  // namespace quillmere::test
