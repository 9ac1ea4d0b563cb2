#pragma once
// The main queue of a front end without a toolkit: work submitted from any thread is run, in
// submission order, by the thread that made the loop (the main thread) while it runs the loop.
//
//   auto loop = std::make_shared<EventLoop>();          // on the main thread
//   worker->async([loop] { loop->async([loop] { loop->stop(); }); });
//   loop->run();                                        // returns once stop() has been called
//
// Work that is still queued when the loop stops stays queued for the next run().

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

#include "platform/dispatch/dispatch_queue.h"

namespace quillmere {

class EventLoop : public DispatchQueue {
public:
    // The calling thread becomes the loop's thread.
    EventLoop();

    void async(std::function<void()> work) override;
    // From another thread: queues `work` and waits until the loop has run it. On the loop's own
    // thread it runs `work` at once, since waiting there could never end.
    void sync(std::function<void()> work) override;

    // Runs queued work on the loop's thread, waiting for more when the queue is empty, until
    // stop() is called; the item that is running then finishes first. Only on the loop's thread.
    void run();
    // Makes run() return after the item that is running. From any thread; a stop() that comes
    // while the loop is not running makes the next run() return at once.
    void stop();

private:
    // Waits for the next item; answers nothing once stop() has been called.
    std::function<void()> next();

    const std::thread::id thread_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<std::function<void()>> queue_;
    bool stopRequested_ = false;
};

}  // namespace quillmere
