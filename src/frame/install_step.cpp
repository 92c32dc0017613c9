#include "frame/install_step.h"

#include <ftw.h>
#include <unistd.h>

#include "frame/file_helpers.h"
#include "frame/paths.h"

namespace {

InstallOwner treeOwner{};

int GiveToOwner(const char* path, const struct stat*, int, FTW*) {
    // lchown: a link in the tree is handed over itself, never what it points to.
    lchown(path, treeOwner.uid, treeOwner.gid);
    return 0;
}

}  // namespace

void RunInstallStep(const std::string& target, const std::optional<InstallOwner>& owner,
                    const InstallSettingsSteps& steps) {
    RunInstallStepFrom(GetInstallTemplateFolder(), target, owner, steps);
}

void RunInstallStepFrom(const std::string& templateFolder, const std::string& target,
                        const std::optional<InstallOwner>& owner,
                        const InstallSettingsSteps& steps) {
    if (!target.empty()) {
        if (!templateFolder.empty()) {
            CopyFolderTree(templateFolder, target);
        }
        if (owner) {
            treeOwner = *owner;
            nftw(target.c_str(), GiveToOwner, 16, FTW_PHYS);
        }
    }
    if (steps.migrateSharedAccounts) {
        steps.migrateSharedAccounts();
    }
    if (steps.storeInstallDate) {
        steps.storeInstallDate(time(nullptr));
    }
}
