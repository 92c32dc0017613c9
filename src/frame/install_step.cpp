#include "frame/install_step.h"

#include "frame/file_helpers.h"
#include "frame/paths.h"
#include "services/component_files.h"

void RunInstallStep(const std::string& target, const InstallSettingsSteps& steps) {
    RunInstallStepFrom(GetInstallTemplateFolder(), target, steps);
}

void RunInstallStepFrom(const std::string& templateFolder, const std::string& target,
                        const InstallSettingsSteps& steps) {
    if (!target.empty()) {
        if (!templateFolder.empty()) {
            CopyFolderTree(templateFolder, target);
        }
        // The installer runs as the super-user; the user must be able to write what it made.
        RunProgram({"/bin/chmod", "-R", "go+rw", PathArgument(target)});
    }
    if (steps.migrateSharedAccounts) {
        steps.migrateSharedAccounts();
    }
    if (steps.storeInstallDate) {
        steps.storeInstallDate(time(nullptr));
    }
}
