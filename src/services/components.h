#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "process/process_launcher.h"
#include "process/ui_services.h"

// Components: shared libraries kept in one folder that all of the maker's applications of the
// user share ("Velmor Software/Components" in the user's data folder). A component is installed
// when the entry named after it exists there. The one component this program needs, "openssl",
// is the system's OpenSSL (libssl3): it counts as installed when the system library loads, and
// it is never downloaded.

inline constexpr char kTlsComponent[] = "openssl";

// The component folder, created with its parents when absent; false when it cannot be made.
bool GetComponentFolder(std::string& path);

// A name that stays inside the component folder: one path element, not "." or "..".
bool IsValidComponentName(std::string_view name);
// Names compare without regard to case.
bool IsArchivedComponent(std::string_view name);
bool HasProcessorBuild(std::string_view name);
bool IsSystemComponent(std::string_view name);
// The file name the component server keeps the component under ("openssl.zip", "ffmpeg4i.zip").
std::string ComponentArchiveName(std::string_view name);
// Where a download of the component is stored: the component path + ".zip" for archived
// components, the component path itself otherwise.
std::string ComponentDownloadPath(const std::string& componentPath, std::string_view name);

// path = the component path. True when it exists; a plain file there is opened up first.
bool IsComponentInstalled(std::string_view name, std::string& path);

// True at once when the component is installed; otherwise installs it on demand under the
// "Install-on-Demand" progress user interface and returns true only when it is installed
// afterwards. A missing "openssl" is never downloaded: the user is told to install libssl3.
bool GetComponentPath(ProcessLauncher& launcher, UserInterfaceServices& ui, LWindow parent,
                      std::string_view name, std::string& path);
// Whether TLS can be used; when the system's OpenSSL is missing the user is told what to install.
bool TlsComponentPresent(UserInterfaceServices& ui, LWindow parent);

// Replaces the check whether the system's OpenSSL loads (tests); an empty function restores it.
void SetSystemTlsCheck(std::function<bool()> check);
