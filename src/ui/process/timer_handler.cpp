#include "ui/process/timer_handler.h"

#include <QObject>
#include <QTimerEvent>

namespace {

constexpr std::int32_t kShortestMs = 10;

}  // namespace

// Receives the event loop's timer events for its handler.
class LTimerHandler::Clock final : public QObject {
public:
    explicit Clock(LTimerHandler& owner) : owner_(owner) {}

protected:
    void timerEvent(QTimerEvent* event) override { owner_.Fire(event->timerId()); }

private:
    LTimerHandler& owner_;
};

LTimerHandler::LTimerHandler() : clock_(std::make_unique<Clock>(*this)) {}

// The clock takes its armed timers with it.
LTimerHandler::~LTimerHandler() = default;

void LTimerHandler::SetTimer(std::int32_t id, std::int32_t ms) {
    if (id < 0) {
        return;
    }
    int& timer = timers_[id];
    if (timer != 0) {
        clock_->killTimer(timer);
    }
    timer = clock_->startTimer(ms > 0 ? ms : kShortestMs, Qt::PreciseTimer);
}

void LTimerHandler::KillTimer(std::int32_t id) {
    const auto entry = id >= 0 ? timers_.find(id) : timers_.end();
    if (entry == timers_.end()) {
        return;
    }
    if (entry->second != 0) {
        clock_->killTimer(entry->second);
    }
    timers_.erase(entry);
}

void LTimerHandler::Fire(int timerId) {
    clock_->killTimer(timerId);
    for (auto& [id, timer] : timers_) {
        if (timer == timerId) {
            timer = 0;
            // Last: OnTimer may arm timers again, kill them or even destroy this handler.
            OnTimer(id);
            return;
        }
    }
}
