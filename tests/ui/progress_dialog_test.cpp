// The progress dialog as the process sees it (its controls, its waits, Cancel) and as the user
// sees it while a real download or a stalled server keeps the process busy.
#include <sys/socket.h>

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QMetaObject>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <chrono>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "ftp/download.h"
#include "ftp/ftp_session.h"
#include "ftp/logon.h"
#include "servers/peer_script.h"
#include "servers/real_server.h"
#include "support/case_table.h"
#include "support/scripted_ui.h"
#include "support/temp_folder.h"
#include "ui/process/qt_process_launcher.h"
#include "ui/process/timer_handler.h"

namespace {

// The Qt launcher over scripted services, with a look at the dialog at start and at return.
class WatchedLauncher final : public ProcessLauncher {
public:
    LProcessResult Run(LWindow parent, const char* title, const ProcessFunction& process) override {
        return qt_.Run(parent, title, [&](LProcessInterface& iface) {
            auto& dialog = dynamic_cast<QDialog&>(iface);
            atStart(dialog);
            const LProcessResult result = process(iface);
            shownAtReturn = dialog.isVisible();
            results.push_back(result);
            return result;
        });
    }

    ScriptedUiServices ui;
    std::function<void(QDialog&)> atStart = [](QDialog&) {};
    bool shownAtReturn = false;
    std::vector<LProcessResult> results;  // as the processes returned them

private:
    QtProcessLauncher qt_{ui};
};

QPushButton* CancelButton(QDialog& dialog) {
    return dialog.findChild<QPushButton*>("105");
}

// Reports as the row says and reads the control it names: a status line's text, or the bar's
// value ("busy" while indeterminate).
std::string ReportAsRowSays(const std::vector<std::string>& row, LProcessInterface& iface,
                            QDialog& dialog) {
    if (row[1] == "progress") {
        iface.SetProgress(std::stod(row[2]));
    } else if (row[1] == "indeterminate") {
        iface.SetProgressIndeterminate();
    } else {
        iface.SetStatusText(row[2].c_str(), std::stoi(row[1].substr(7)));  // "status N"
    }
    const QString id = QString::fromStdString(row[3]);
    if (auto* label = dialog.findChild<QLabel*>(id)) {
        return label->text().toStdString();
    }
    auto* bar = dialog.findChild<QProgressBar*>(id);
    return !bar                  ? "no control " + row[3]
           : bar->maximum() == 0 ? "busy"
                                 : std::to_string(bar->value());
}

std::string Name(LProcessResult result) {
    return result == LPROCESS_OK ? "OK" : result == LPROCESS_STOPPED ? "STOPPED" : "FAILED";
}

// Runs `work` from the window's events, the next time they run; never after the scope ends.
struct Later {
    void operator()(std::function<void()> work) {
        QMetaObject::invokeMethod(&context, std::move(work), Qt::QueuedConnection);
    }
    QObject context;
};

// Waits as the row says from inside a process; the 2 s waits end sooner or fail.
std::string WaitAsRowSays(const std::vector<std::string>& row, LProcessInterface& iface,
                          QDialog& dialog) {
    const std::string& during = row[4];
    const std::uint32_t ms = row[3] == "forever" ? kWaitForever : std::stoul(row[3]);
    LEventOwner event;
    if (row[2] == "signalled") {
        event.get().Signal();
    }
    LSocketSet socket;
    socket.Add(event.get().readEnd);
    bool ran = false;
    Later later;
    later([&] {
        ran = during == "mark";
        during == "signal" ? event.get().Signal() : void();
        during == "escape" ? QTest::keyClick(&dialog, Qt::Key_Escape) : void();
    });
    const LProcessResult result = row[1] == "sleep"   ? iface.Sleep(ms)
                                  : row[1] == "event" ? iface.WaitForEvent(event.get(), ms)
                                                      : iface.WaitForSocket(&socket, ms);
    return Name(result) + (ran ? " ran" : "") +
           (CancelButton(dialog)->isEnabled() ? "" : " greyed");
}

}  // namespace

TEST(ProgressDialog, ShowsWhatTheProcessReportsAndWaitsAsItAsks) {
    WatchedLauncher launcher;
    QDialog* dialog = nullptr;
    launcher.atStart = [&dialog](QDialog& d) { dialog = &d; };
    const LProcessResult result = launcher.Run(nullptr, "Busy", [&](LProcessInterface& iface) {
        EXPECT_EQ(dialog->windowTitle(), "Busy");
        EXPECT_EQ(dialog->windowModality(), Qt::ApplicationModal);
        for (const auto& [name, row] : LoadCases("ui/progress/reports.tsv")) {
            EXPECT_EQ(ReportAsRowSays(row, iface, *dialog), row.back()) << name;
        }
        Later later;
        bool ran = false;
        later([&ran] { ran = true; });
        const auto guard = std::chrono::steady_clock::now() + std::chrono::seconds(2);
        while (!iface.IsStopped() && !ran && std::chrono::steady_clock::now() < guard) {
        }
        EXPECT_TRUE(ran) << "IsStopped runs the window's events";
        for (const auto& [name, row] : LoadCases("ui/progress/waits.tsv")) {
            EXPECT_EQ(WaitAsRowSays(row, iface, *dialog), row.back()) << name;
        }
        return LPROCESS_STOPPED;
    });
    EXPECT_EQ(result, LPROCESS_STOPPED);
    EXPECT_TRUE(launcher.shownAtReturn);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

// Cancel pressed once the bar shows the transfer started: the button greys at once, the dialog
// stays until the download returns, the launcher returns "stopped" and no partial file is left.
TEST(ProgressDialog, CancelDuringADownloadStopsItAndLeavesNoPartialFile) {
    RealServer server(kPlainServers[0]);
    std::string why;
    ASSERT_TRUE(server.Start(&why)) << why;
    ASSERT_TRUE(server.MakeFile("big.bin", std::string(32 << 20, 'b')));
    LSecureSocket conn;
    RecordingProcessInterface quiet;
    ASSERT_EQ(FtpConnect(quiet, {&conn, server.hostText(), server.user(), server.password()}),
              LPROCESS_OK);
    TempFolder local("brindle-ui-cancel");
    WatchedLauncher launcher;
    int percentAtCancel = -1;
    bool greyedAtOnce = false;
    launcher.atStart = [&](QDialog& dialog) {
        auto* bar = dialog.findChild<QProgressBar*>("104");
        QObject::connect(bar, &QProgressBar::valueChanged, &dialog, [&, bar](int value) {
            if (value > 0 && percentAtCancel < 0) {
                percentAtCancel = value;
                QTest::mouseClick(CancelButton(dialog), Qt::LeftButton);
                greyedAtOnce = !CancelButton(dialog)->isEnabled();
            }
        });
    };
    FtpTransferItem item{&conn, local.File("big.bin"), "big.bin", -1, 0, ""};
    EXPECT_EQ(RunDownloadFile(launcher, nullptr, "FTP Download", &item), LPROCESS_STOPPED);
    EXPECT_GT(percentAtCancel, 0);
    EXPECT_LT(percentAtCancel, 100) << "the file went too fast to cancel";
    EXPECT_TRUE(greyedAtOnce);
    EXPECT_TRUE(launcher.shownAtReturn);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_TRUE(std::filesystem::is_empty(local.path())) << "a partial file is left";
    SecureClose(conn);
}

// A window that keeps its timer firing until the server holds the logon, then presses Cancel.
struct CancellingWindow final : QWidget, LTimerHandler {
    void OnTimer(std::int32_t id) override { onTimer(id); }
    std::function<void(std::int32_t)> onTimer;
};

// The window's timers keep firing while the process waits on a server that stopped answering,
// and Cancel ends the wait. The dialog is a sheet over the active window.
TEST(ProgressDialog, TimersFireAndCancelEndsTheWaitWhileAServerStalls) {
    ScriptedPeer peer;
    PlayScript(peer, FindPeerScript(LoadPeerScripts("ui/stalls.script"), "stalls after USER"));
    peer.Start();
    CancellingWindow window;
    window.show();
    window.activateWindow();
    const bool active = QTest::qWaitForWindowActive(&window);
    WatchedLauncher launcher;
    LFtpList session(launcher.ui, launcher, static_cast<QWidget*>(&window));
    QPointer<QDialog> dialog;
    bool sheet = false;
    launcher.atStart = [&](QDialog& d) {
        dialog = &d;
        sheet = d.parentWidget() == &window && d.windowModality() == Qt::WindowModal;
    };
    int firedWhileHeld = 0;
    window.onTimer = [&](std::int32_t id) {
        if (peer.ReceivedLines().empty()) {
            window.SetTimer(id, 20);
        } else if (++firedWhileHeld == 1 && dialog) {
            QTest::mouseClick(CancelButton(*dialog), Qt::LeftButton);
        }
    };
    window.SetTimer(1, 0);
    // 2 s only guard against a hang: the wait then fails instead of being stopped.
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, [&] { shutdown(session.connection.fd, SHUT_RDWR); });
    guard.start(2000);
    EXPECT_FALSE(session.Connect(peer.hostText(), "test", "secret", "", false));
    EXPECT_EQ(launcher.results, std::vector<LProcessResult>{LPROCESS_STOPPED});
    EXPECT_EQ(firedWhileHeld, 1);
    EXPECT_TRUE(sheet || !active) << "an active parent gets a sheet";
    EXPECT_TRUE(guard.isActive()) << "Cancel did not end the wait";
}
