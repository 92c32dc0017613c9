#pragma once

#include <ctime>
#include <functional>
#include <string>

// The installer mode's work on the named user's data folder. The settings steps belong to the
// settings store and are handed in, so that the caller picks the user's store.
struct InstallSettingsSteps {
    // Moves site accounts from the all-users store to the user's.
    std::function<void()> migrateSharedAccounts;
    // Keeps the time of the installation ("Settings" / "InstallDate"), in seconds since 1970.
    std::function<void(time_t now)> storeInstallDate;
};

// Copies the installation template into target, opens what was copied up for the user
// ("/bin/chmod -R go+rw target"), then runs the two settings steps. Every step is tried
// whatever became of the ones before; an empty target copies and changes nothing.
void RunInstallStep(const std::string& target, const InstallSettingsSteps& steps);
// The same with another template folder ("" copies nothing).
void RunInstallStepFrom(const std::string& templateFolder, const std::string& target,
                        const InstallSettingsSteps& steps);
