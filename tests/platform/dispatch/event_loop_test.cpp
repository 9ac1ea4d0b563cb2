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

TEST(EventLoop, SyncFromAnotherThreadWaitsForTheLoop) {
    EventLoop loop;
    int answer = 0;
    std::thread::id ranOn;
    std::thread caller([&] {
        loop.sync([&] {
            answer = 42;
            ranOn = std::this_thread::get_id();
        });
        loop.async([&, seen = answer] {  // sync returned only after the work had run
            EXPECT_EQ(seen, 42);
            loop.stop();
        });
    });
    loop.run();
    caller.join();
    EXPECT_EQ(ranOn, std::this_thread::get_id());
}

TEST(EventLoop, SyncOnItsOwnThreadRunsAtOnceAndDrainRunsOnlyWhatWasQueued) {
    EventLoop loop;
    std::vector<int> order;
    std::function<void()> requeue = [&] {
        order.push_back(1);
        loop.async(requeue);
    };
    loop.async(requeue);
    loop.sync([&] { order.push_back(2); });
    EXPECT_EQ(order, (std::vector<int>{2}));
    EXPECT_EQ(loop.drain(), 1u);
    EXPECT_EQ(order, (std::vector<int>{2, 1}));
    EXPECT_EQ(loop.drain(), 1u);
    EXPECT_EQ(order, (std::vector<int>{2, 1, 1}));
}

}  // namespace
}  // namespace quillmere
