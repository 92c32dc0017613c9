#pragma once

#include <cstdint>
#include <map>
#include <memory>

// One-shot timers on the window thread's event loop, told apart by the owner's ids. A timer
// keeps its id after it fired, so OnTimer can arm it again for a periodic one. They also fire
// while a process runs under a progress dialog, since its waits run the window's events.
// Window thread only.
class LTimerHandler {
public:
    LTimerHandler();
    // Nothing stays armed.
    virtual ~LTimerHandler();
    LTimerHandler(const LTimerHandler&) = delete;
    LTimerHandler& operator=(const LTimerHandler&) = delete;

    // Fires OnTimer(id) once after ms (0 means 10 ms). A timer already armed for the id is moved
    // to fire ms from now instead. Negative ids are ignored.
    void SetTimer(std::int32_t id, std::int32_t ms);
    void KillTimer(std::int32_t id);
    virtual void OnTimer(std::int32_t id) {}

private:
    class Clock;
    void Fire(int timerId);

    std::unique_ptr<Clock> clock_;
    std::map<std::int32_t, int> timers_;  // id -> the event loop's timer, 0 once it fired
};
