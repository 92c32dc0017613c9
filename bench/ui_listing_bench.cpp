// How long a folder of many files takes to appear in the main window's remote list, beside the
// time `brindleftp-cli ls` needs for it, and how long the window's event loop stood still
// meanwhile. pyftpdlib serves the folder on 127.0.0.1; each figure is the best of REPEAT runs
// (3), each a fresh logon and listing. Usage: QT_QPA_PLATFORM=offscreen ui_listing_bench [COUNT]
// (100000 files by default).
#include <fcntl.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <QTreeView>
#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "program_run.h"
#include "transfer/remote_pane.h"
#include "ui/main/remote_pane_view.h"
#include "ui/process/idle_process_interface.h"
#include "ui/process/qt_process_launcher.h"
#include "ui/process/qt_ui_services.h"

namespace {

// pyftpdlib serving `root` as the user test/secret; its port, 0 when it did not start.
int StartServer(const std::string& root, const std::string& work, pid_t& pid) {
    const std::string portFile = work + "/port";
    pid = Spawn(
        {"/usr/bin/python3", BRINDLE_PYFTPD_SCRIPT, "--root", root, "--port-file", portFile}, -1);
    for (int i = 0; pid > 0 && i < 600; ++i) {
        std::ifstream in(portFile);
        int port = 0;
        if (in >> port && port > 0) {
            return port;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return 0;
}

struct WindowRun {
    bool ok = false;
    int rows = 0;
    double seconds = 0;
    qint64 longestPauseMs = 0;
};

// Logs on and lists the folder in the remote list of a shown window, until the rows are painted.
WindowRun ListInWindow(const std::string& host, int count) {
    QtUserInterfaceServices ui;
    QtProcessLauncher launcher(ui);
    QWidget window;
    RemotePane pane(ui, launcher, &window);
    WindowIdleInterface idle;
    pane.session().SetIdleInterface(&idle);
    auto* view = new RemotePaneView(&window, pane, ui, launcher);
    window.resize(920, 595);
    view->resize(920, 595);
    window.show();
    QApplication::processEvents();

    // The longest time between two ticks of a 10 ms timer: how long the window did not answer.
    WindowRun run;
    QElapsedTimer sinceTick;
    QTimer ticker;
    ticker.setInterval(10);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        run.longestPauseMs = std::max(run.longestPauseMs, sinceTick.restart());
    });
    sinceTick.start();
    ticker.start();

    const Clock::time_point start = Clock::now();
    run.ok = pane.Connect(host, "test", "secret", "/list", false);
    view->view()->viewport()->repaint();
    run.seconds = SecondsSince(start);
    run.longestPauseMs = std::max(run.longestPauseMs, sinceTick.elapsed());
    ticker.stop();
    run.rows = view->view()->model()->rowCount();
    run.ok = run.ok && run.rows == count;
    pane.Disconnect();
    pane.session().SetIdleInterface(nullptr);
    return run;
}

}  // namespace

int main(int argc, char** argv) {
    const int count = argc > 1 ? std::atoi(argv[1]) : 100000;
    const int repeat = getenv("REPEAT") != nullptr ? std::max(1, std::atoi(getenv("REPEAT"))) : 3;
    const std::string cli =
        std::filesystem::read_symlink("/proc/self/exe").parent_path() / "brindleftp-cli";
    char folderTemplate[] = "/tmp/brindle-ui-listing-bench-XXXXXX";
    if (count <= 0 || mkdtemp(folderTemplate) == nullptr) {
        std::fprintf(stderr, "usage: ui_listing_bench [COUNT]\n");
        return 2;
    }
    const std::string work = folderTemplate;
    // A private store and log for the program and the CLI.
    setenv("XDG_CONFIG_HOME", (work + "/config").c_str(), 1);
    setenv("XDG_DATA_HOME", (work + "/data").c_str(), 1);
    setenv("XDG_CACHE_HOME", (work + "/cache").c_str(), 1);
    std::signal(SIGPIPE, SIG_IGN);

    const std::string root = work + "/root";
    std::filesystem::create_directories(root + "/list");
    for (int i = 0; i < count; ++i) {
        char name[64];
        std::snprintf(name, sizeof name, "/list/file-%06d.txt", i);
        const int fd = open((root + name).c_str(), O_WRONLY | O_CREAT, 0600);
        fd >= 0 ? close(fd) : 0;
    }
    pid_t server = -1;
    const int port = StartServer(root, work, server);
    if (port == 0) {
        std::fprintf(stderr, "pyftpdlib did not start (python3-pyftpdlib installed?)\n");
        std::filesystem::remove_all(work);
        return 2;
    }
    const std::string host = "127.0.0.1:" + std::to_string(port);
    std::printf("a folder of %d files on pyftpdlib (%s), best of %d runs\n", count, host.c_str(),
                repeat);

    ProgramRun bestCli;
    bestCli.seconds = 1e9;
    for (int i = 0; i < repeat; ++i) {
        const ProgramRun run =
            RunCountingLines(cli, {"--server", host, "--user", "test", "--password", "secret",
                                   "--quiet", "--cd", "/list", "ls"});
        bestCli = run.seconds < bestCli.seconds ? run : bestCli;
    }
    std::printf("brindleftp-cli ls:    %.2f s (exit %d, %ld lines)\n", bestCli.seconds,
                bestCli.status, bestCli.lines);

    int qtArgc = 1;
    char name[] = "ui_listing_bench";
    char* qtArgv[] = {name, nullptr};
    QApplication application(qtArgc, qtArgv);
    WindowRun bestWindow;
    bestWindow.seconds = 1e9;
    qint64 longestPause = 0;
    for (int i = 0; i < repeat; ++i) {
        const WindowRun run = ListInWindow(host, count);
        longestPause = std::max(longestPause, run.longestPauseMs);
        bestWindow = run.seconds < bestWindow.seconds ? run : bestWindow;
    }
    std::printf("window's remote list: %.2f s (%d rows shown), %.2f times the CLI\n",
                bestWindow.seconds, bestWindow.rows, bestWindow.seconds / bestCli.seconds);
    std::printf("longest pause of the window's event loop: %lld ms\n",
                static_cast<long long>(longestPause));

    kill(server, SIGTERM);
    waitpid(server, nullptr, 0);
    std::filesystem::remove_all(work);
    const bool ok = bestCli.status == 0 && bestCli.lines == count && bestWindow.ok;
    return ok ? 0 : 1;
}
