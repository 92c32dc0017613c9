#pragma once

#include <QObject>
#include <functional>

#include "process/queued_notify.h"

// The window thread's queue for LQueuedNotifyDataHandler and LThreadQueuedNotify: work posted
// from any thread runs later on the thread that made the queue, from its event loop or from any
// wait that runs events (a progress dialog's). Work still pending when the queue goes is dropped.
class QtEventQueue final : public LEventQueue {
public:
    QtEventQueue() = default;
    QtEventQueue(const QtEventQueue&) = delete;
    QtEventQueue& operator=(const QtEventQueue&) = delete;

    void Post(std::function<void()> work) override;

private:
    QObject context_;  // lives on the window thread; its pending calls die with it
};
