#include "ui/process/qt_event_queue.h"

#include <QMetaObject>
#include <utility>

void QtEventQueue::Post(std::function<void()> work) {
    if (work) {
        QMetaObject::invokeMethod(&context_, std::move(work), Qt::QueuedConnection);
    }
}
