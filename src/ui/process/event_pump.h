#pragma once

// Runs the window's pending events, at most once every few milliseconds: the engine asks whether
// it was stopped before every short wait, and dispatching each time would cost more than the wait.
// Returns whether it dispatched. Call it on the thread that owns the windows.
bool PumpPendingEvents();
// The same without the rate limit, for a wait that is about to block.
void PumpPendingEventsNow();
