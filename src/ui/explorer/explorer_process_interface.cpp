#include "ui/explorer/explorer_process_interface.h"

#include "ui/process/event_pump.h"

bool ExplorerProcessInterface::IsStopped() {
    PumpPendingEvents();
    return closing_();
}

void ExplorerProcessInterface::ReportError(const char* text) {
    LAlertParams params =
        MakeAlertParams(window_, kAlertStop, text != nullptr ? text : "", kFtpExplorerHeadline,
                        {{"Continue", LAlertRole::kAccept}});
    ui_.RunAlert(params);
}

void ExplorerProcessInterface::SetStatusText(const char* text, std::int32_t) {
    showStatus_(text != nullptr ? text : "");
}
