#pragma once

#include <cstdint>
#include <string>

#include "process/process_interface.h"
#include "process/queued_notify.h"
#include "process/stoppable_waits.h"

// Runs a process on the terminal: Ctrl+C (see interrupt.h) is its Cancel button, waits go in
// slices of at most 200 ms so that a stop takes effect quickly, queued notifications run
// whenever the process asks whether it is stopped, and the two status lines with a progress bar
// are drawn in place on stderr when showProgress is set. Errors are always printed.
class TerminalProcessInterface final : public LProcessInterface {
public:
    TerminalProcessInterface(const char* title, ManualEventQueue* queue, bool showProgress);
    ~TerminalProcessInterface();
    TerminalProcessInterface(const TerminalProcessInterface&) = delete;
    TerminalProcessInterface& operator=(const TerminalProcessInterface&) = delete;

    bool IsStopped() override;
    LProcessResult Sleep(std::uint32_t ms) override;
    LProcessResult WaitForEvent(LEvent event, std::uint32_t timeoutMs) override;
    LProcessResult WaitForSocket(LSocketSet* set, std::uint32_t timeoutMs) override;
    void ReportError(const char* text) override;
    void SetStatusText(const char* text, std::int32_t line) override;
    void SetProgress(double fraction) override;
    void SetProgressIndeterminate() override;
    void SetProgressDeterminate() override;

    // Takes the progress line off the terminal; the next update draws it again.
    void ClearProgress();

private:
    void Redraw();
    std::string ProgressLine() const;

    std::string title_;
    ManualEventQueue* queue_;
    bool showProgress_;
    std::string statusLines_[2];
    bool indeterminate_ = false;
    int percent_ = -1;  // -1 until the first SetProgress
    std::string drawnLine_;
    // Waits never block longer than 200 ms between two looks at the stop flag.
    StoppableWaits waits_{200, [this] { return IsStopped(); }};
};
