#pragma once

#include <functional>
#include <string>

#include "process/process_interface.h"
#include "process/ui_services.h"

inline constexpr char kFtpExplorerHeadline[] = "FTP Explorer";

// What the FTP Explorer's commands give the engine when they talk to the server without a
// progress dialog: errors become "FTP Explorer" alerts with a "Continue" button, status texts
// go to the first part of the status bar, progress goes nowhere. The waits of its own fail at
// once. Nothing stops a command but the dialog closing; each stop check runs the window's
// pending events so the dialog stays alive while the server answers.
class ExplorerProcessInterface final : public LProcessInterface {
public:
    ExplorerProcessInterface(UserInterfaceServices& ui, LWindow window,
                             std::function<void(const std::string&)> showStatus,
                             std::function<bool()> closing)
        : ui_(ui),
          window_(window),
          showStatus_(std::move(showStatus)),
          closing_(std::move(closing)) {}

    bool IsStopped() override;
    LProcessResult Sleep(std::uint32_t) override { return LPROCESS_FAILED; }
    LProcessResult WaitForEvent(LEvent, std::uint32_t) override { return LPROCESS_FAILED; }
    LProcessResult WaitForSocket(LSocketSet*, std::uint32_t) override { return LPROCESS_FAILED; }
    void ReportError(const char* text) override;
    void SetStatusText(const char* text, std::int32_t line) override;
    void SetProgress(double) override {}
    void SetProgressIndeterminate() override {}
    void SetProgressDeterminate() override {}

private:
    UserInterfaceServices& ui_;
    LWindow window_;
    std::function<void(const std::string&)> showStatus_;
    std::function<bool()> closing_;
};
