#pragma once

#include "process/process_interface.h"
#include "ui/process/event_pump.h"

// For an engine object between operations (a session's quiet look-ups and keep-alives): shows
// nothing and never stops, but each stop check runs the window's pending events so the window
// stays alive while it waits.
class WindowIdleInterface final : public LProcessInterfaceVoid {
public:
    bool IsStopped() override {
        PumpPendingEvents();
        return false;
    }
};
