#include "platform/dispatch/event_loop.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

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

}  // namespace
}  // namespace quillmere
