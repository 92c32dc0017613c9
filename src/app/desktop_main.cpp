// brindleftp: the desktop program. "-installer [-username NAME]" is the installation's step
// and needs no display; otherwise the main window runs until the user quits.
#include <sys/resource.h>

#include <QApplication>
#include <QIcon>
#include <QTimer>
#include <algorithm>
#include <clocale>
#include <cstdlib>
#include <cstring>
#include <optional>

#include "app/installer_mode.h"
#include "frame/crash_handler.h"
#include "frame/paths.h"
#include "frame/resources_folder.h"
#include "frame/signals.h"
#include "services/component_install.h"
#include "services/version_check.h"
#include "settings/store_location.h"
#include "ui/main/main_window.h"
#include "ui/process/qt_process_launcher.h"
#include "ui/process/qt_ui_services.h"

namespace {

constexpr rlim_t kOpenFilesWanted = 1024;
// For the smoke test: quit once connected (status 0), or after this long (status 1).
constexpr char kQuitWhenConnectedVariable[] = "BRINDLE_QUIT_WHEN_CONNECTED";
constexpr int kQuitWhenConnectedLimitMs = 30000;

// At least 1024 open files where the hard limit allows it; a higher soft limit stays.
void RaiseOpenFileLimit() {
    rlimit limit{};
    if (getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur >= kOpenFilesWanted) {
        return;
    }
    limit.rlim_cur = limit.rlim_max == RLIM_INFINITY ? kOpenFilesWanted
                                                     : std::min(kOpenFilesWanted, limit.rlim_max);
    setrlimit(RLIMIT_NOFILE, &limit);
}

// A store that could not be opened, or was damaged and moved aside, is told once the window
// is up: the user must not lose settings without knowing.
void TellStoreProblem(MainDialog& window) {
    const LPreferenceStore::Status status = StoreStatusForScope(LRegScope::kCurrentUser);
    switch (status.state) {
        case LPreferenceStore::State::kOpened:
            return;
        case LPreferenceStore::State::kMovedAside:
            window.SetStartUpNotice(kAlertCaution, "Settings", status.message);
            return;
        case LPreferenceStore::State::kReadOnly:
        case LPreferenceStore::State::kUnavailable:
            window.SetStartUpNotice(kAlertStop, "Settings", status.message);
            return;
    }
}

bool QuitWhenConnected() {
    const char* value = std::getenv(kQuitWhenConnectedVariable);
    return value != nullptr && std::strcmp(value, "1") == 0;
}

int RunWindow(int argc, char** argv) {
    QApplication application(argc, argv);
    // Qt sets the whole locale from the environment again.
    std::setlocale(LC_NUMERIC, "C");
    QApplication::setApplicationName(QStringLiteral("BrindleFTP"));
    QApplication::setApplicationVersion(QString::number(kProgramVersion));
    QApplication::setOrganizationName(QStringLiteral("Velmor Software"));
    QGuiApplication::setDesktopFileName(QStringLiteral("brindleftp"));
    const std::string resources = GetResourcesFolder();
    if (!resources.empty()) {
        QApplication::setWindowIcon(
            QIcon(QString::fromStdString(resources + "/icons/brindleftp.svg")));
    }

    QtUserInterfaceServices ui;
    QtProcessLauncher launcher(ui);
    MainDialog window(ui, launcher);
    TellStoreProblem(window);

    std::optional<int> status;
    if (QuitWhenConnected()) {
        QObject::connect(&window, &MainDialog::connectionStatusChanged, &window,
                         [&window, &status](const QString& text) {
                             if (!status && text.startsWith(QStringLiteral("Connected to"))) {
                                 status = 0;
                                 // Once the connecting command has returned.
                                 QTimer::singleShot(0, &window, &QWidget::close);
                             }
                         });
        QTimer::singleShot(kQuitWhenConnectedLimitMs, &window, [&status] {
            // Whatever dialog is up (a failed connection's alert), every event loop ends.
            if (!status) {
                status = 1;
                QApplication::exit(1);
            }
        });
    }
    window.show();
    const int exitCode = QApplication::exec();
    return status.value_or(exitCode);
}

}  // namespace

int main(int argc, char** argv) {
    std::setlocale(LC_ALL, "");
    // Numbers in protocol and version texts must not follow the user's locale.
    std::setlocale(LC_NUMERIC, "C");
    RaiseOpenFileLimit();
    if (argc > 1 && std::strcmp(argv[1], "-installer") == 0) {
        return RunInstallerMode(argc, argv);
    }

    // No reaper of finished children: the program waits for the ones it starts (unzip, the
    // crash question), and Qt for its own.
    InstallSignalDispositions({.reapChildren = false});
    InstallCrashHandler();
    GetDataFolder();
    GetLogFolder();
    InstallShippedComponents();
    RepairComponentPermissions();
    return RunWindow(argc, argv);
}
