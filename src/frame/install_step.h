#pragma once

#include <sys/types.h>

#include <ctime>
#include <functional>
#include <optional>
#include <string>

// The installer mode's work on the named user's data folder. The settings steps belong to the
// settings store and are handed in, so that the caller picks the user's store.
struct InstallSettingsSteps {
    // Moves site accounts from the all-users store to the user's.
    std::function<void()> migrateSharedAccounts;
    // Keeps the time of the installation ("Settings" / "InstallDate"), in seconds since 1970.
    std::function<void(time_t now)> storeInstallDate;
};

// The user the installer works for.
struct InstallOwner {
    uid_t uid;
    gid_t gid;
};

// Copies the installation template into target, gives what it made to the named user (the
// installer runs as the super-user), then runs the two settings steps. Every step is tried
// whatever became of the ones before; an empty target copies and changes nothing.
//
// The files are handed over with chown instead of being opened up with "chmod -R go+rw":
// nothing the program creates may be writable by other users.
void RunInstallStep(const std::string& target, const std::optional<InstallOwner>& owner,
                    const InstallSettingsSteps& steps);
// The same with another template folder ("" copies nothing).
void RunInstallStepFrom(const std::string& templateFolder, const std::string& target,
                        const std::optional<InstallOwner>& owner,
                        const InstallSettingsSteps& steps);
