#include "gui/qt_main_queue.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QThread>

namespace quillmere::gui {

void QtMainQueue::async(std::function<void()> work) {
    // Posted to the application object, which outlives every window: the work may be queued
    // while the window that asked for it is already gone.
    QMetaObject::invokeMethod(QCoreApplication::instance(), std::move(work), Qt::QueuedConnection);
}

void QtMainQueue::sync(std::function<void()> work) {
    if (QThread::currentThread() == QCoreApplication::instance()->thread()) {
        work();
        return;
    }
    asyncAndWait(*this, std::move(work));
}

}  // namespace quillmere::gui
