#include "services/component_install.h"

#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <system_error>

#include "frame/file_system.h"
#include "frame/logger.h"
#include "frame/paths.h"
#include "frame/resources_folder.h"
#include "frame/text_limits.h"
#include "net/http_client.h"
#include "services/components.h"
#include "services/service_hosts.h"

namespace {

inline constexpr char kComponentServerPath[] = "/components/mac/";
inline constexpr char kInstallerApplet[] = "/InstallComponent.app/Contents/MacOS/applet";
inline constexpr char kInstallerBundle[] = "InstallComponent.app";

// The component a shipped entry holds: its name without folder and extension, and without one
// trailing "i" (the processor-specific builds).
std::string ShippedComponentName(const std::string& entryName) {
    std::string base = entryName.substr(0, entryName.find_last_of('.'));
    if (base.empty()) {
        base = entryName;
    }
    if (!base.empty() && base.back() == 'i') {
        base.pop_back();
    }
    return base;
}

bool HasZipExtension(const std::string& entryName) {
    std::size_t dot = entryName.find_last_of('.');
    return dot != std::string::npos && strcasecmp(entryName.c_str() + dot, ".zip") == 0;
}

}  // namespace

LProcessResult UnpackComponent(std::string_view name, const std::string& archivePath,
                               bool deleteArchive) {
    std::string folder;
    bool haveFolder = GetComponentFolder(folder);
    if (haveFolder && IsValidComponentName(name)) {
        // Whether unzip complains decides nothing: the entry it leaves behind does.
        RunProgram({"/usr/bin/unzip", "-o", PathArgument(archivePath), "-d", folder});
    }
    if (deleteArchive) {
        unlink(archivePath.c_str());
    }
    if (!haveFolder || !IsValidComponentName(name)) {
        return LPROCESS_FAILED;
    }
    std::string path = PathJoin(folder, name);
    if (!PathExists(path)) {
        return LPROCESS_FAILED;
    }
    SetModeRecursively(path, ModeWithinUmask(0777));
    if (IsFolderPath(path) && HasProcessorBuild(name)) {
        if (!RunProgram({path + kInstallerApplet})) {
            return LPROCESS_FAILED;
        }
        RemovePath(PathJoin(folder, kInstallerBundle));
    }
    return LPROCESS_OK;
}

LProcessResult LProcessGetComponentPath::Run(LProcessInterface& iface) {
    result_ = Install(iface);
    return result_;
}

LProcessResult LProcessGetComponentPath::Install(LProcessInterface& iface) {
    if (IsComponentInstalled(name_, path_)) {
        return LPROCESS_OK;
    }
    if (path_.empty() || IsSystemComponent(name_)) {
        return LPROCESS_FAILED;
    }
    iface.SetStatusText("Download install-on-demand", 0);
    iface.SetStatusText(name_.c_str(), 1);
    const std::string archiveName = ComponentArchiveName(name_);
    const std::string archivePath = ComponentDownloadPath(path_, name_);
    LProcessResult attempt = LPROCESS_FAILED;
    for (const std::string& host : GetComponentHosts()) {
        if (host.empty()) {
            continue;
        }
        attempt = HttpDownloadToFile(iface, "http://" + host + kComponentServerPath + archiveName,
                                     archivePath);
        if (attempt == LPROCESS_STOPPED) {
            return LPROCESS_STOPPED;
        }
        if (attempt != LPROCESS_OK) {
            unlink(archivePath.c_str());
            continue;
        }
        chmod(archivePath.c_str(), ModeWithinUmask(0777));
        if (IsArchivedComponent(name_)) {
            attempt = UnpackComponent(name_, archivePath, true);
        }
        if (attempt == LPROCESS_OK) {
            break;
        }
    }
    if (attempt != LPROCESS_OK) {
        std::string text = CutText("Error downloading component " + name_);
        iface.ReportError(text.c_str());
        RemovePath(path_);
    }
    return IsComponentInstalled(name_, path_) ? LPROCESS_OK : LPROCESS_FAILED;
}

int InstallShippedComponents() {
    return InstallShippedComponentsFrom(GetResourcesFolder());
}

int InstallShippedComponentsFrom(const std::string& resourcesFolder) {
    std::string folder;
    if (resourcesFolder.empty() || !GetComponentFolder(folder)) {
        return 0;
    }
    namespace fs = std::filesystem;
    int installed = 0;
    std::error_code error;
    fs::directory_iterator it(PathJoin(resourcesFolder, kShippedComponentsFolder), error);
    for (; !error && it != fs::directory_iterator(); it.increment(error)) {
        const std::string entryName = it->path().filename().string();
        const std::string entryPath = it->path().string();
        const std::string name = ShippedComponentName(entryName);
        std::string path;
        if (entryName.front() == '.' || !IsValidComponentName(name) ||
            IsComponentInstalled(name, path)) {
            continue;
        }
        bool done = false;
        if (HasZipExtension(entryName)) {
            done = UnpackComponent(name, entryPath, false) == LPROCESS_OK;
        } else if (it->is_regular_file(error)) {
            done = CopyFileBytes(entryPath, PathJoin(folder, entryName), ModeWithinUmask(0777));
        }
        if (done) {
            ++installed;
        } else {
            LogFormat(kLogWarning, "Could not install the shipped component %s.", name.c_str());
        }
    }
    return installed;
}

int RepairComponentPermissions() {
    std::string folder;
    if (!GetComponentFolder(folder)) {
        return 0;
    }
    const mode_t mode = ModeWithinUmask(0777);
    SetModeRecursively(folder, mode);
    std::vector<std::string> closed = FilesLackingExecuteBits(folder, mode & 0111);
    if (closed.empty()) {
        return 0;
    }
    // Without a symbolic "who", chmod leaves the bits of the umask alone.
    RunProgram({"/bin/chmod", "-R", "+rwx", PathArgument(folder)});
    closed = FilesLackingExecuteBits(folder, mode & 0111);
    for (const std::string& path : closed) {
        LogFormat(kLogWarning, "Could not change the permissions of %s.", path.c_str());
    }
    return static_cast<int>(closed.size());
}
