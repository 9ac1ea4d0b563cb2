#pragma once
// A queue of work items: the front end's main queue (its event loop, first in first out) or the
// one global background queue. Front ends supply the real queues; tests supply fakes.

#include <functional>

namespace quillmere {

class DispatchQueue {
public:
    virtual ~DispatchQueue() = default;

    // Enqueues `work` to run later on the queue's thread and returns at once. Work submitted from
    // one thread runs in submission order.
    virtual void async(std::function<void()> work) = 0;

    // Runs `work` on the queue's thread and returns when it has finished. Never called from the
    // queue's own thread.
    virtual void sync(std::function<void()> work) = 0;
};

// Submits `work` with `queue.async` and blocks until it has run: how a queue whose thread is
// not the caller's builds its `sync`.
void asyncAndWait(DispatchQueue& queue, std::function<void()> work);

}  // namespace quillmere
