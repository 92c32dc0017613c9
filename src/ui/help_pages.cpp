#include "ui/help_pages.h"

#include <sys/stat.h>

#include "frame/resources_folder.h"

std::string HelpPagePath(const std::string& page) {
    const std::string resources = GetResourcesFolder();
    if (resources.empty() || page.empty() || page.find('/') != std::string::npos) {
        return "";
    }
    std::string path = resources + "/help/" + page + ".html";
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) ? path : "";
}

bool OpenHelpPage(UserInterfaceServices& ui, const std::string& page) {
    const std::string path = HelpPagePath(page);
    return !path.empty() && ui.OpenWithDefaultApplication(path);
}
