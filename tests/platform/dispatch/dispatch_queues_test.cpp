#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "platform/dispatch/background_queue.h"
#include "platform/dispatch/event_loop.h"

namespace quillmere {
namespace {

TEST(EventLoop, RunsWorkFromAnotherThreadOnItsOwnThreadInOrder) {
    EventLoop loop;
    std::vector<int> order;
    std::vector<std::thread::id> threads;
    std::thread producer([&] {
        for (int i = 0; i < 500; ++i) {
            loop.async([&, i] {
                order.push_back(i);
                threads.push_back(std::this_thread::get_id());
            });
        }
        loop.async([&] { loop.stop(); });
    });
    loop.run();
    producer.join();
    ASSERT_EQ(order.size(), 500u);
    for (int i = 0; i < 500; ++i) EXPECT_EQ(order[i], i);
    for (auto id : threads) EXPECT_EQ(id, std::this_thread::get_id());
}

TEST(EventLoop, StopEndsTheRunAndLeavesLaterWorkQueued) {
    EventLoop loop;
    std::vector<std::string> ran;
    loop.async([&] {
        ran.push_back("first");
        loop.stop();
        ran.push_back("first finishes");
    });
    loop.async([&] { ran.push_back("second"); });
    loop.run();
    EXPECT_EQ(ran, (std::vector<std::string>{"first", "first finishes"}));

    loop.stop();
    loop.run();  // a stop before the run makes it return at once
    EXPECT_EQ(ran.size(), 2u);
    loop.async([&] { loop.stop(); });
    loop.run();  // the stop requests did not outlive their runs
    EXPECT_EQ(ran.back(), "second");
}

TEST(EventLoop, SyncRunsOnTheLoopAndReturnsAfterTheWork) {
    EventLoop loop;
    std::vector<std::string> order;
    loop.async([&] { order.push_back("queued before"); });
    loop.sync([&] { order.push_back("at once on its own thread"); });
    const std::thread::id loopThread = std::this_thread::get_id();
    std::thread caller([&] {
        loop.sync([&] {
            order.push_back(std::this_thread::get_id() == loopThread ? "on the loop" : "elsewhere");
        });
        order.push_back("after");  // the loop is waiting for the stop below meanwhile
        loop.async([&] { loop.stop(); });
    });
    loop.run();
    caller.join();
    EXPECT_EQ(order, (std::vector<std::string>{"at once on its own thread", "queued before",
                                               "on the loop", "after"}));
}

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
