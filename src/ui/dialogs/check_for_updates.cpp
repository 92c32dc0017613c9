#include "ui/dialogs/check_for_updates.h"

#include <string>
#include <string_view>

#include "frame/logger.h"
#include "services/version_check.h"

namespace {

// The address runs to the end of the response, line break included.
std::string TrimmedAddress(std::string_view address) {
    const std::size_t end = address.find_last_not_of(" \t\r\n");
    const std::size_t start = address.find_first_not_of(" \t\r\n");
    return end == std::string_view::npos ? "" : std::string(address.substr(start, end + 1 - start));
}

// The address comes over plain HTTP; only a web page may be handed to the desktop, never a
// local file or a program that the default application would run.
bool IsWebAddress(std::string_view address) {
    return address.rfind("http://", 0) == 0 || address.rfind("https://", 0) == 0;
}

}  // namespace

void CheckForUpdates(QWidget* parent, ProcessLauncher& launcher, UserInterfaceServices& ui) {
    LProcessCheckForVersionUpdates process;
    const LProcessResult result =
        launcher.Run(parent, kCheckForUpdatesTitle,
                     [&process](LProcessInterface& iface) { return process.Run(iface); });
    const bool newer = result == LPROCESS_OK && IsNewerVersion(process.info().version);
    const std::string address = TrimmedAddress(process.info().infoUrl);
    if (result == LPROCESS_OK && !newer) {
        ui.NoteBox(parent, "You are using the current version of BrindleFTP.", "Version Current");
        return;
    }
    if (!newer || !IsWebAddress(address)) {
        if (newer) {
            LogJoin(kLogWarning, "The update server announced no web page: ", address);
        }
        ui.MessageBox(parent,
                      "Online version information for this software is not currently available.",
                      "No Version Information");
        return;
    }
    if (ui.AskBox(parent,
                  "An updated version of this software is now available for download online. Do "
                  "you want to see more information about the new version?",
                  "Updated Version Available", "View", "Cancel") &&
        !ui.OpenWithDefaultApplication(address)) {
        LogJoin(kLogWarning, "The web browser could not open ", address);
    }
}
