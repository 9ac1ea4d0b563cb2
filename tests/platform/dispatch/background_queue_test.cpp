#include "platform/dispatch/background_queue.h"

#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <memory>
#include <string>
#include <vector>

namespace quillmere {
namespace {

TEST(BackgroundQueue, RunsWorkInSubmissionOrderOnOneOtherThread) {
    std::vector<int> order;
    std::vector<std::thread::id> threads;
    {
        BackgroundQueue queue;
        for (int i = 0; i < 1000; ++i) {
            queue.async([&, i] {
                order.push_back(i);
                threads.push_back(std::this_thread::get_id());
            });
        }
    }  // destruction waits for what is queued
    ASSERT_EQ(order.size(), 1000u);
    for (int i = 0; i < 1000; ++i) EXPECT_EQ(order[i], i);
    for (auto id : threads) {
        EXPECT_NE(id, std::this_thread::get_id());
        EXPECT_EQ(id, threads.front());
    }
}

TEST(BackgroundQueue, SyncWaitsForEarlierWorkAndRunsAtOnceFromItsOwnWork) {
    BackgroundQueue queue;
    std::atomic<int> done = 0;
    for (int i = 0; i < 100; ++i) queue.async([&] { ++done; });
    std::vector<std::string> order;
    queue.sync([&] {
        order.push_back(std::to_string(done.load()));
        queue.sync([&] { order.push_back("inner"); });  // no deadlock
        order.push_back("outer again");
    });
    EXPECT_EQ(order, (std::vector<std::string>{"100", "inner", "outer again"}));
}

// The work waits for the caller, which must get back from async first. Beyond that, surviving
// is the check: the sanitizer build catches a use after free.
TEST(BackgroundQueue, MayBeReleasedFromInsideItsOwnWorkWhichDoesNotBlockItsSubmission) {
    auto queue = std::make_shared<BackgroundQueue>();
    std::promise<void> released, finished;
    auto* raw = queue.get();
    raw->async(
        [keep = std::move(queue), gate = released.get_future().share(), &finished]() mutable {
            gate.wait();
            keep.reset();  // the last owner lets go on the worker thread
            finished.set_value();
        });
    released.set_value();
    finished.get_future().wait();
}

}  // namespace
}  // namespace quillmere
