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

constexpr int kBarWidth = 20;

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
    return waits_.Sleep(ms);
}

LProcessResult TerminalProcessInterface::WaitForEvent(LEvent event, std::uint32_t timeoutMs) {
    return waits_.WaitForEvent(event, timeoutMs);
}

LProcessResult TerminalProcessInterface::WaitForSocket(LSocketSet* set, std::uint32_t timeoutMs) {
    return waits_.WaitForSocket(set, timeoutMs);
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
