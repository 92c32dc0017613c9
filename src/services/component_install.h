#pragma once

#include <string>
#include <string_view>

#include "process/process_interface.h"

// Installing components: downloading them on demand, unpacking archives, the start-up scan of
// the components the program ships, and the start-up permission repair.

inline constexpr char kInstallOnDemandTitle[] = "Install-on-Demand";
// Below the resources folder: where shipped components lie.
inline constexpr char kShippedComponentsFolder[] = "components/i386";

// Unpacks an archive into the component folder with /usr/bin/unzip. LPROCESS_OK when the
// component's entry exists afterwards (opened up, its installer applet run where it has one),
// LPROCESS_FAILED otherwise. The archive is deleted when deleteArchive is set.
LProcessResult UnpackComponent(std::string_view name, const std::string& archivePath,
                               bool deleteArchive);

// Downloads a missing component from the component hosts (the second only after the first
// failed; never after a cancel) and installs it. The result is LPROCESS_OK when the component
// is installed, LPROCESS_STOPPED after a cancel, LPROCESS_FAILED otherwise, when "Error
// downloading component <name>" has been reported and whatever lay at the component path is
// gone. The system's "openssl" is never downloaded.
class LProcessGetComponentPath {
public:
    explicit LProcessGetComponentPath(std::string name) : name_(std::move(name)) {}
    LProcessResult Run(LProcessInterface& iface);

    LProcessResult result() const { return result_; }
    // The component path ("" for a name that is not a component name).
    const std::string& path() const { return path_; }

private:
    LProcessResult Install(LProcessInterface& iface);

    std::string name_;
    std::string path_;
    LProcessResult result_ = LPROCESS_FAILED;
};

// The start-up scan: every entry of the resources folder's "components/i386" folder whose
// component (its base name without one trailing "i") is missing is unpacked (".zip", the
// archive is kept) or copied into the component folder. Returns how many it installed.
int InstallShippedComponents();
int InstallShippedComponentsFrom(const std::string& resourcesFolder);

// Opens up everything in the component folder (mode 0777 within the user's umask) without any
// extra rights, and logs each file it could not open up. Returns how many files stay closed.
int RepairComponentPermissions();
