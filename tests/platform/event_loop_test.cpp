#include "platform/event_loop.h"

#include <gtest/gtest.h>

#include <memory>
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

TEST(EventLoop, StopLeavesLaterWorkQueuedForTheNextRun) {
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

    loop.async([&] { loop.stop(); });
    loop.run();  // the stop request did not outlive the first run
    EXPECT_EQ(ran.back(), "second");
}

TEST(EventLoop, StopBeforeRunMakesRunReturnAtOnce) {
    EventLoop loop;
    bool ran = false;
    loop.async([&] { ran = true; });
    loop.stop();
    loop.run();
    EXPECT_FALSE(ran);
    EXPECT_EQ(loop.drain(), 1u);
    EXPECT_TRUE(ran);
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
        // Only after the loop has run the work does sync return.
        loop.async([&, seen = answer] {
            EXPECT_EQ(seen, 42);
            loop.stop();
        });
    });
    loop.run();
    caller.join();
    EXPECT_EQ(answer, 42);
    EXPECT_EQ(ranOn, std::this_thread::get_id());
}

TEST(EventLoop, SyncOnItsOwnThreadRunsAtOnce) {
    EventLoop loop;
    std::vector<int> order;
    loop.async([&] { order.push_back(1); });
    loop.sync([&] { order.push_back(2); });
    EXPECT_EQ(order, (std::vector<int>{2}));
    loop.drain();
    EXPECT_EQ(order, (std::vector<int>{2, 1}));
}

TEST(EventLoop, DrainRunsOnlyWhatWasQueuedBeforeIt) {
    EventLoop loop;
    int count = 0;
    std::function<void()> requeue = [&] {
        ++count;
        loop.async(requeue);
    };
    loop.async(requeue);
    EXPECT_EQ(loop.drain(), 1u);
    EXPECT_EQ(count, 1);
    EXPECT_EQ(loop.drain(), 1u);
    EXPECT_EQ(count, 2);
}

}  // namespace
}  // namespace quillmere
