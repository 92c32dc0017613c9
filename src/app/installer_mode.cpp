#include "app/installer_mode.h"

#include <dirent.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <ctime>
#include <optional>
#include <string>

#include "frame/install_step.h"
#include "frame/paths.h"
#include "settings/ftp_account.h"
#include "settings/section_settings.h"
#include "settings/store_location.h"

namespace {

bool Exists(const std::string& path) {
    struct stat info {};
    return lstat(path.c_str(), &info) == 0;
}

// What cannot be handed over stays as it is; the user's program then says so.
bool GiveTo(const std::string& path, const InstallOwner& owner) {
    return lchown(path.c_str(), owner.uid, owner.gid) == 0;
}

// The store the installer wrote as the super-user must be the user's own, with the folders made
// for it.
void GiveStoreToOwner(const std::string& configFolder, bool configMadeHere,
                      const InstallOwner& owner) {
    const std::string folder = configFolder + "/brindleftp";
    if (configMadeHere) {
        GiveTo(configFolder, owner);
    }
    GiveTo(folder, owner);
    if (DIR* entries = opendir(folder.c_str()); entries != nullptr) {
        while (const dirent* entry = readdir(entries)) {
            if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0) {
                GiveTo(folder + "/" + entry->d_name, owner);
            }
        }
        closedir(entries);
    }
}

}  // namespace

int RunInstallerMode(int argc, char** argv) {
    const std::string userName = argc > 3 && std::strcmp(argv[2], "-username") == 0 ? argv[3] : "";
    if (setuid(0) != 0) {
        // Without the rights the steps still run, as far as the user's own rights reach.
    }

    std::optional<InstallOwner> owner;
    std::string configFolder;
    if (const passwd* entry = userName.empty() ? nullptr : getpwnam(userName.c_str())) {
        owner = InstallOwner{entry->pw_uid, entry->pw_gid};
        configFolder = std::string(entry->pw_dir) + "/.config";
        // The accounts go into the named user's store, not the super-user's.
        SetUserStorePath(configFolder + "/brindleftp/preferences.sqlite");
    }
    const bool configMadeHere = !configFolder.empty() && !Exists(configFolder);

    InstallSettingsSteps steps;
    steps.migrateSharedAccounts = [] { MigrateSharedAccounts(); };
    steps.storeInstallDate = [](time_t now) {
        SetSetting(kSettingsSection, "InstallDate", std::to_string(now));
    };
    RunInstallStep(GetDataFolderOfUser(userName), owner, steps);
    if (owner) {
        GiveStoreToOwner(configFolder, configMadeHere, *owner);
    }
    return 0;
}
