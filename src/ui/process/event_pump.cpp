#include "ui/process/event_pump.h"

#include <QCoreApplication>
#include <QThread>
#include <chrono>

namespace {

constexpr auto kPumpInterval = std::chrono::milliseconds(5);

bool OnWindowThread() {
    QCoreApplication* application = QCoreApplication::instance();
    return application != nullptr && QThread::currentThread() == application->thread();
}

}  // namespace

bool PumpPendingEvents() {
    static auto last = std::chrono::steady_clock::time_point{};
    const auto now = std::chrono::steady_clock::now();
    if (now - last < kPumpInterval || !OnWindowThread()) {
        return false;
    }
    last = now;
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    return true;
}

void PumpPendingEventsNow() {
    if (OnWindowThread()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents);
    }
}
