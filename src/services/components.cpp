#include "services/components.h"

#include <strings.h>
#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <utility>

#include "frame/file_system.h"
#include "frame/logger.h"
#include "frame/paths.h"
#include "net/tls_binding.h"
#include "services/component_install.h"

namespace {

constexpr std::array<std::string_view, 24> kArchivedComponents = {
    "a52dec2", "a52dec3", "aacdec2", "aacdec3", "aacenc3", "aacenc4",  "amrdec2", "amrenc2",
    "ffmpeg3", "ffmpeg4", "ffmpeg7", "ffmpeg9", "flacdec", "flacdec2", "flacenc", "flacenc2",
    "mp3el",   "mp3el2",  "mpcdec",  "mpcenc",  "oggdec",  "oggenc",   "openssl", "wmadec"};
constexpr std::array<std::string_view, 6> kProcessorComponents = {"ffmpeg4", "ffmpeg7", "ffmpeg9",
                                                                  "mp3el",   "mp3el2",  "wmadec"};

bool SameName(std::string_view a, std::string_view b) {
    return a.size() == b.size() && strncasecmp(a.data(), b.data(), a.size()) == 0;
}

template <std::size_t N>
bool InList(const std::array<std::string_view, N>& list, std::string_view name) {
    return std::any_of(list.begin(), list.end(),
                       [name](std::string_view entry) { return SameName(entry, name); });
}

std::function<bool()>& SystemTlsCheck() {
    static std::function<bool()> check;
    return check;
}

bool SystemTlsPresent() {
    const std::function<bool()>& check = SystemTlsCheck();
    return check ? check() : TlsAvailable();
}

// The system's OpenSSL stands in for the "openssl" component; when it is missing, only the
// user can add it.
bool SystemTlsPresentOrTell(UserInterfaceServices& ui, LWindow parent) {
    if (SystemTlsPresent()) {
        return true;
    }
    Log(kLogWarning, "The system's OpenSSL libraries (package libssl3) could not be loaded.");
    ui.MessageBox(parent,
                  "Secure FTP needs the OpenSSL libraries of the system, which could not be "
                  "loaded. Please install the package libssl3 (for example with \"sudo apt-get "
                  "install libssl3\") and try again.",
                  "OpenSSL Not Installed");
    return false;
}

}  // namespace

bool GetComponentFolder(std::string& path) {
    path = PathJoin(PathJoin(GetUserAppSupportFolder(), "Velmor Software"), "Components");
    return CreateFolderPath(path);
}

bool IsValidComponentName(std::string_view name) {
    return !name.empty() && name != "." && name != ".." &&
           name.find_first_of(std::string_view("/\\\0", 3)) == std::string_view::npos;
}

bool IsArchivedComponent(std::string_view name) {
    return InList(kArchivedComponents, name);
}

bool HasProcessorBuild(std::string_view name) {
    return InList(kProcessorComponents, name);
}

bool IsSystemComponent(std::string_view name) {
    return SameName(name, kTlsComponent);
}

std::string ComponentArchiveName(std::string_view name) {
    std::string archive(name);
    bool archived = IsArchivedComponent(name);
    bool processor = HasProcessorBuild(name);
    if (processor) {
        archive += 'i';
    }
    if (archived) {
        archive += ".zip";
    }
    return archive;
}

std::string ComponentDownloadPath(const std::string& componentPath, std::string_view name) {
    return IsArchivedComponent(name) ? componentPath + ".zip" : componentPath;
}

bool IsComponentInstalled(std::string_view name, std::string& path) {
    path.clear();
    std::string folder;
    bool haveFolder = GetComponentFolder(folder);
    if (IsValidComponentName(name)) {
        path = PathJoin(folder, name);
    }
    if (IsSystemComponent(name)) {
        return SystemTlsPresent();
    }
    if (!haveFolder || path.empty()) {
        return false;
    }
    struct stat info {};
    if (stat(path.c_str(), &info) != 0) {
        return false;
    }
    if (!S_ISDIR(info.st_mode)) {
        chmod(path.c_str(), ModeWithinUmask(0777));
    }
    return true;
}

bool GetComponentPath(ProcessLauncher& launcher, UserInterfaceServices& ui, LWindow parent,
                      std::string_view name, std::string& path) {
    if (IsSystemComponent(name)) {
        IsComponentInstalled(name, path);
        return SystemTlsPresentOrTell(ui, parent);
    }
    if (IsComponentInstalled(name, path)) {
        return true;
    }
    LProcessGetComponentPath process{std::string(name)};
    LProcessResult result =
        launcher.Run(parent, kInstallOnDemandTitle,
                     [&process](LProcessInterface& iface) { return process.Run(iface); });
    return result == LPROCESS_OK && IsComponentInstalled(name, path);
}

bool TlsComponentPresent(UserInterfaceServices& ui, LWindow parent) {
    return SystemTlsPresentOrTell(ui, parent);
}

void SetSystemTlsCheck(std::function<bool()> check) {
    SystemTlsCheck() = std::move(check);
}
