#include "cli/terminal_process_interface.h"

#include <poll.h>
#include <sys/select.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <optional>

#include "cli/interrupt.h"
#include "cli/terminal_output.h"
#include "frame/logger.h"

namespace {

using Clock = std::chrono::steady_clock;

// Waits never block longer than this between two looks at the stop flag.
constexpr int kSliceMs = 200;
constexpr int kBarWidth = 20;

// The end of a wait; none for kWaitForever.
std::optional<Clock::time_point> Deadline(std::uint32_t timeoutMs) {
    if (timeoutMs == kWaitForever) {
        return std::nullopt;
    }
    return Clock::now() + std::chrono::milliseconds(timeoutMs);
}

// Milliseconds left until the deadline (never negative).
std::int64_t Remaining(const std::optional<Clock::time_point>& deadline) {
    if (!deadline) {
        return INT64_MAX;
    }
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(*deadline - Clock::now());
    return std::max<std::int64_t>(0, left.count());
}

int Slice(std::int64_t remainingMs) {
    return static_cast<int>(std::min<std::int64_t>(remainingMs, kSliceMs));
}

}  // namespace

TerminalProcessInterface::TerminalProcessInterface(const char* title, ManualEventQueue* queue,
                                                   bool showProgress)
    : title_(title != nullptr ? title : ""), queue_(queue), showProgress_(showProgress) {}

TerminalProcessInterface::~TerminalProcessInterface() {
    ClearProgress();
}

bool TerminalProcessInterface::IsStopped() {
    if (queue_ != nullptr) {
        queue_->DispatchPending();
    }
    return StopRequested();
}

LProcessResult TerminalProcessInterface::Sleep(std::uint32_t ms) {
    auto deadline = Deadline(ms);
    for (;;) {
        if (IsStopped()) {
            return LPROCESS_STOPPED;
        }
        std::int64_t remaining = Remaining(deadline);
        if (remaining < 1) {
            return LPROCESS_OK;
        }
        // Ctrl+C interrupts the poll, so the stop is seen at once.
        poll(nullptr, 0, Slice(remaining));
    }
}

LProcessResult TerminalProcessInterface::WaitForEvent(LEvent event, std::uint32_t timeoutMs) {
    if (event.readEnd < 0) {
        return LPROCESS_FAILED;
    }
    auto deadline = Deadline(timeoutMs);
    for (;;) {
        std::int64_t remaining = Remaining(deadline);
        if (remaining <= 0) {
            return LPROCESS_FAILED;
        }
        if (event.IsSignalled()) {
            return LPROCESS_OK;
        }
        if (IsStopped()) {
            return LPROCESS_STOPPED;
        }
        pollfd readEnd{event.readEnd, POLLIN, 0};
        poll(&readEnd, 1, Slice(remaining));
    }
}

LProcessResult TerminalProcessInterface::WaitForSocket(LSocketSet* set, std::uint32_t timeoutMs) {
    if (set == nullptr || set->maxFd < 0) {
        return LPROCESS_FAILED;
    }
    auto deadline = Deadline(timeoutMs);
    for (;;) {
        if (IsStopped()) {
            return LPROCESS_STOPPED;
        }
        std::int64_t remaining = Remaining(deadline);
        fd_set ready = set->set;
        int count = SelectWithTimeout(set->maxFd, &ready, nullptr, nullptr,
                                      static_cast<std::uint32_t>(Slice(remaining)));
        if (count > 0) {
            set->set = ready;
            return LPROCESS_OK;
        }
        if (count < 0 && errno != EINTR) {
            return LPROCESS_FAILED;
        }
        if (Remaining(deadline) == 0) {
            return LPROCESS_FAILED;
        }
    }
}

void TerminalProcessInterface::ReportError(const char* text) {
    if (text == nullptr) {
        return;
    }
    PrintMessageLine(text);
    Log(kLogError, text);
    // The message took the progress line's place; it comes back below it.
    drawnLine_.clear();
    Redraw();
}

void TerminalProcessInterface::SetStatusText(const char* text, std::int32_t line) {
    statusLines_[line == 1 ? 1 : 0] = text != nullptr ? text : "";
    Redraw();
}

void TerminalProcessInterface::SetProgress(double fraction) {
    indeterminate_ = false;
    percent_ = std::clamp(static_cast<int>(fraction * 100.0), 0, 100);
    Redraw();
}

void TerminalProcessInterface::SetProgressIndeterminate() {
    indeterminate_ = true;
    Redraw();
}

void TerminalProcessInterface::SetProgressDeterminate() {
    indeterminate_ = false;
    Redraw();
}

void TerminalProcessInterface::ClearProgress() {
    if (!drawnLine_.empty()) {
        ClearProgressLine();
        drawnLine_.clear();
    }
}

std::string TerminalProcessInterface::ProgressLine() const {
    std::string line;
    if (!indeterminate_ && percent_ >= 0) {
        int filled = percent_ * kBarWidth / 100;
        line = "[" + std::string(filled, '#') + std::string(kBarWidth - filled, '-') + "] ";
        std::string percent = std::to_string(percent_) + "%";
        line += std::string(4 - std::min<std::size_t>(4, percent.size()), ' ') + percent + "  ";
    }
    if (statusLines_[0].empty() && statusLines_[1].empty()) {
        return line + title_;
    }
    line += statusLines_[0];
    if (!statusLines_[0].empty() && !statusLines_[1].empty()) {
        line += "  ";
    }
    return line + statusLines_[1];
}

void TerminalProcessInterface::Redraw() {
    if (!showProgress_) {
        return;
    }
    // Progress arrives per block; only a visible change reaches the terminal.
    std::string line = ProgressLine();
    if (line == drawnLine_) {
        return;
    }
    DrawProgressLine(line);
    drawnLine_ = line;
}
