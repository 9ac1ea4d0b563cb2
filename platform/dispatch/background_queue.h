#pragma once
// The global background queue: one worker thread that runs the submitted work one item at a
// time, first in first out. The import run's walk goes here, so that the main queue stays free.
//
//   auto queue = std::make_shared<BackgroundQueue>();
//   queue->async([] { walkTheFolders(); });
//
// Destroying the queue runs whatever is still queued, then ends the thread; a front end that
// must not wait for a run leaves the queue alive until the process exits.

#include <functional>
#include <memory>
#include <thread>

#include "platform/dispatch/dispatch_queue.h"

namespace quillmere {

class BackgroundQueue : public DispatchQueue {
public:
    BackgroundQueue();
    ~BackgroundQueue() override;
    BackgroundQueue(const BackgroundQueue&) = delete;
    BackgroundQueue& operator=(const BackgroundQueue&) = delete;

    void async(std::function<void()> work) override;
    // Waits for everything queued before `work`, then for `work`. Called from the worker thread
    // itself (which the contract rules out), it runs `work` at once instead of deadlocking.
    void sync(std::function<void()> work) override;

private:
    struct State;

    // Shared with the worker, so that a queue released from inside its own work item can let
    // the worker finish on its own.
    std::shared_ptr<State> state_;
    std::thread worker_;
};

}  // namespace quillmere
