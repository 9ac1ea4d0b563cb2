#pragma once
// The main queue of the window: Qt's event loop on the main thread. Work submitted from any
// thread runs there in submission order, between the window's own events, so a run's progress
// steps and its completion step reach the widgets on the thread that owns them.
//
//   auto mainQueue = std::make_shared<QtMainQueue>();   // a QApplication must exist
//   worker->async([mainQueue] { mainQueue->async([] { bar->incrementBy(1.0); }); });

#include "platform/dispatch/dispatch_queue.h"

namespace quillmere::gui {

class QtMainQueue : public DispatchQueue {
public:
    void async(std::function<void()> work) override;
    // From another thread: waits until the event loop has run `work`. On the main thread it
    // runs `work` at once.
    void sync(std::function<void()> work) override;
};

}  // namespace quillmere::gui
