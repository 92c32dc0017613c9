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
#include "support/scripted_ui.h"
#include "support/temp_folder.h"
#include "ui/process/qt_process_launcher.h"
#include "ui/process/timer_handler.h"

namespace {

// The Qt launcher, with a look at the dialog before the process starts and when it returns.
class WatchedLauncher final : public ProcessLauncher {
public:
    explicit WatchedLauncher(UserInterfaceServices& ui) : qt_(ui) {}

    LProcessResult Run(LWindow parent, const char* title, const ProcessFunction& process) override {
        return qt_.Run(parent, title, [&](LProcessInterface& iface) {
            auto& dialog = dynamic_cast<QDialog&>(iface);
            if (atStart) {
                atStart(dialog);
            }
            const LProcessResult result = process(iface);
            shownAtReturn = dialog.isVisible();
            results.push_back(result);
            return result;
        });
    }

    std::function<void(QDialog&)> atStart;
    bool shownAtReturn = false;
    std::vector<LProcessResult> results;  // as the processes returned them

private:
    QtProcessLauncher qt_;
};

QPushButton* CancelButton(QDialog& dialog) {
    return dialog.findChild<QPushButton*>("105");
}

// What a control shows: a status line's text, or the bar's value ("busy" while indeterminate).
std::string Shown(QDialog& dialog, const char* id) {
    QWidget* control = dialog.findChild<QWidget*>(id);
    if (auto* label = qobject_cast<QLabel*>(control)) {
        return label->text().toStdString();
    }
    if (auto* bar = qobject_cast<QProgressBar*>(control)) {
        return bar->maximum() == 0 ? "busy" : std::to_string(bar->value());
    }
    return "no control " + std::string(id);
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

struct ShowRow {
    const char* name;
    std::function<void(LProcessInterface&)> report;
    const char* control;
    const char* expected;
};

enum class Wait { kSleep, kEvent, kSocket };
// What the window's events do while the process waits.
enum class During { kNothing, kMark, kSignal, kEscape };

struct WaitRow {
    const char* name;
    Wait wait;
    bool signalled;  // the event (or the socket) before the wait
    std::uint32_t ms;
    During during;
    const char* expected;  // the result, " ran" when kMark ran, " greyed" once Cancel is grey
};

// Waits as the row says from inside a process; the 2 s waits end sooner or fail.
std::string WaitAsRowSays(const WaitRow& row, LProcessInterface& iface, QDialog& dialog) {
    LEventOwner event;
    if (row.signalled) {
        event.get().Signal();
    }
    LSocketSet socket;
    socket.Add(event.get().readEnd);
    bool ran = false;
    Later later;
    later([&] {
        ran = row.during == During::kMark;
        row.during == During::kSignal ? event.get().Signal() : void();
        row.during == During::kEscape ? QTest::keyClick(&dialog, Qt::Key_Escape) : void();
    });
    const LProcessResult result = row.wait == Wait::kSleep ? iface.Sleep(row.ms)
                                  : row.wait == Wait::kEvent
                                      ? iface.WaitForEvent(event.get(), row.ms)
                                      : iface.WaitForSocket(&socket, row.ms);
    return Name(result) + (ran ? " ran" : "") +
           (CancelButton(dialog)->isEnabled() ? "" : " greyed");
}

}  // namespace

TEST(ProgressDialog, ShowsWhatTheProcessReportsAndWaitsAsItAsks) {
    const ShowRow shows[] = {
        {"line 0 is the first status line", [](auto& i) { i.SetStatusText("zero", 0); }, "101",
         "zero"},
        {"line 1 is the second", [](auto& i) { i.SetStatusText("one", 1); }, "102", "one"},
        {"any other line is the first", [](auto& i) { i.SetStatusText("two", 2); }, "101", "two"},
        {"0.999 shows 99", [](auto& i) { i.SetProgress(0.999); }, "104", "99"},
        {"1.0 shows 100", [](auto& i) { i.SetProgress(1.0); }, "104", "100"},
        {"indeterminate", [](auto& i) { i.SetProgressIndeterminate(); }, "104", "busy"},
        {"a progress ends indeterminate", [](auto& i) { i.SetProgress(0.5); }, "104", "50"},
    };
    // In order: the last rows run once Escape stopped the run.
    const WaitRow waits[] = {
        {"Sleep(0) returns at once", Wait::kSleep, false, 0, During::kNothing, "OK"},
        {"Sleep runs the window's events", Wait::kSleep, false, 20, During::kMark, "OK ran"},
        {"time-out 0 fails even when signalled", Wait::kEvent, true, 0, During::kNothing, "FAILED"},
        {"time-out 1 sees the signal at once", Wait::kEvent, true, 1, During::kNothing, "OK"},
        {"time-out 1 runs out", Wait::kEvent, false, 1, During::kNothing, "FAILED"},
        {"a signal during the wait ends it", Wait::kEvent, false, 2000, During::kSignal, "OK"},
        {"WaitForSocket runs no events", Wait::kSocket, true, 1000, During::kMark, "OK"},
        {"Escape ends a wait and greys Cancel", Wait::kEvent, false, 2000, During::kEscape,
         "STOPPED greyed"},
        {"stopped: Sleep(0)", Wait::kSleep, false, 0, During::kNothing, "STOPPED greyed"},
        {"stopped: a wait without limit", Wait::kEvent, false, kWaitForever, During::kNothing,
         "STOPPED greyed"},
        {"stopped: a signal is still seen", Wait::kEvent, true, 1, During::kNothing, "OK greyed"},
        {"stopped: a readable socket", Wait::kSocket, true, 1000, During::kNothing,
         "STOPPED greyed"},
    };
    ScriptedUiServices ui;
    WatchedLauncher launcher(ui);
    QDialog* dialog = nullptr;
    launcher.atStart = [&dialog](QDialog& d) { dialog = &d; };
    const LProcessResult result = launcher.Run(nullptr, "Busy", [&](LProcessInterface& iface) {
        EXPECT_EQ(dialog->windowTitle(), "Busy");
        EXPECT_EQ(dialog->windowModality(), Qt::ApplicationModal);
        for (const ShowRow& row : shows) {
            row.report(iface);
            EXPECT_EQ(Shown(*dialog, row.control), row.expected) << row.name;
        }
        Later later;
        bool ran = false;
        later([&ran] { ran = true; });
        const auto guard = std::chrono::steady_clock::now() + std::chrono::seconds(2);
        while (!iface.IsStopped() && !ran && std::chrono::steady_clock::now() < guard) {
        }
        EXPECT_TRUE(ran) << "IsStopped runs the window's events";
        for (const WaitRow& row : waits) {
            EXPECT_EQ(WaitAsRowSays(row, iface, *dialog), row.expected) << row.name;
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
    if (!server.Start(&why)) {
        GTEST_SKIP() << why;
    }
    ASSERT_TRUE(server.MakeFile("big.bin", std::string(32 << 20, 'b')));
    LSecureSocket conn;
    RecordingProcessInterface quiet;
    const FtpConnectRequest request{&conn, server.hostText(), server.user(), server.password(),
                                    false};
    ASSERT_EQ(FtpConnect(quiet, request), LPROCESS_OK);
    TempFolder local("brindle-ui-cancel");
    ScriptedUiServices ui;
    WatchedLauncher launcher(ui);
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
    FtpTransferItem item;
    item.conn = &conn;
    item.localPath = local.File("big.bin");
    item.remoteName = "big.bin";
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
class CancellingWindow final : public QWidget, public LTimerHandler {
public:
    void OnTimer(std::int32_t id) override { onTimer(id); }
    std::function<void(std::int32_t)> onTimer;
};

// The window's timers keep firing while the process waits on a server that stopped answering,
// and Cancel ends the wait. The dialog is a sheet over the active window.
TEST(ProgressDialog, TimersFireAndCancelEndsTheWaitWhileAServerStalls) {
    const std::vector<PeerScript> scripts = LoadPeerScripts("ui/stalls.script");
    ScriptedPeer peer;
    PlayScript(peer, FindPeerScript(scripts, "stalls after USER"));
    peer.Start();
    CancellingWindow window;
    window.show();
    window.activateWindow();
    const bool active = QTest::qWaitForWindowActive(&window);
    ScriptedUiServices ui;
    WatchedLauncher launcher(ui);
    LFtpList session(ui, launcher, static_cast<QWidget*>(&window));
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
