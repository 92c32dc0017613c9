// The main window as a user meets it: the Connect button with and without sites, the first
// start's wizard, choosing sites, retried connections, closing, a server that goes away, the
// three transfer buttons and the window's first look.
#include <gtest/gtest.h>
#include <sys/socket.h>

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QKeySequence>
#include <QLineEdit>
#include <QMenu>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QTreeView>
#include <functional>
#include <mutex>
#include <thread>

#include "frame/file_descriptor.h"
#include "servers/peer_script.h"
#include "servers/real_server.h"
#include "settings/ftp_account.h"
#include "settings/section_settings.h"
#include "support/case_table.h"
#include "support/log_tail.h"
#include "support/scripted_ui.h"
#include "support/temp_folder.h"
#include "ui/main/local_pane_view.h"
#include "ui/main/main_commands.h"
#include "ui/main/main_window.h"
#include "ui/main/remote_pane_view.h"

namespace {

constexpr int kWaitMs = 10000;  // only guards against a hang
// The connection check runs every ten seconds.
constexpr int kLostConnectionMs = 11000;

// Records every popup menu and modal dialog shown while it lives, and backs out of it: a
// dialog's title, or a menu's items joined by '|'.
struct ShownWindows {
    ShownWindows() {
        QObject::connect(&timer, &QTimer::timeout, [this] {
            if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
                QStringList items;
                for (const QAction* action : menu->actions()) {
                    action->isSeparator() ? void() : items.append(action->text());
                }
                shown.push_back(items.join('|').toStdString());
                menu->close();
            } else if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
                shown.push_back(dialog->windowTitle().toStdString());
                dialog->reject();
            }
        });
        timer.start(10);
    }
    std::vector<std::string> shown;
    QTimer timer;
};

// Plays one script on every connection it accepts, so that a retried connection meets the same
// server, and keeps what each connection sent.
class RepeatingPeer {
public:
    explicit RepeatingPeer(PeerScript script) : script_(std::move(script)) {
        listen(listen_.get(), 8);
        thread_ = std::thread([this] { Run(); });
    }
    ~RepeatingPeer() {
        shutdown(listen_.get(), SHUT_RDWR);  // ends the wait in accept
        thread_.join();
    }
    std::string hostText() const { return "127.0.0.1:" + std::to_string(port_); }
    std::vector<std::string> Connections() {
        const std::lock_guard<std::mutex> lock(mutex_);
        return connections_;
    }

private:
    void Run() {
        const timeval guard{kWaitMs / 1000, 0};  // only against a hang
        while (true) {
            const FileDescriptor fd(accept4(listen_.get(), nullptr, nullptr, SOCK_CLOEXEC));
            if (!fd.valid()) {
                return;  // the destructor shut the listening socket
            }
            setsockopt(fd.get(), SOL_SOCKET, SO_RCVTIMEO, &guard, sizeof guard);
            {
                const std::lock_guard<std::mutex> lock(mutex_);
                connections_.emplace_back();
            }
            for (const std::string& step : script_.lines) {
                if (step.starts_with("< ")) {
                    const std::string reply = step.substr(2) + "\r\n";
                    send(fd.get(), reply.data(), reply.size(), MSG_NOSIGNAL);
                    continue;
                }
                // "> LINE" reads one line, "receive" everything until the client closes.
                char c = 0;
                while (recv(fd.get(), &c, 1, 0) == 1) {
                    const std::lock_guard<std::mutex> lock(mutex_);
                    connections_.back().push_back(c);
                    if (c == '\n' && step != "receive") {
                        break;
                    }
                }
            }
        }
    }

    PeerScript script_;
    std::uint16_t port_ = 0;
    FileDescriptor listen_{BindFreeLoopbackPort(port_)};
    std::thread thread_;
    std::mutex mutex_;
    std::vector<std::string> connections_;
};

// password "" asks at connection; localFolder "" keeps the default.
void StoreSite(const std::string& label, const std::string& server,
               const std::string& password = "", bool tls = false,
               const std::string& localFolder = "") {
    FtpAccount account{label, server, "test", password, !password.empty(), tls, false};
    account.useRecentLocal = localFolder.empty();
    account.localDirectory = localFolder.empty() ? account.localDirectory : localFolder;
    ASSERT_TRUE(SaveFtpAccount("", account));
}

// The window over scripted services, created when a test has its store ready.
struct MainWindowRun {
    ScriptedUiServices ui;
    ScriptedProcessLauncher launcher;
    MainDialog window{ui, launcher};

    bool Connected() const {
        return window.connectionStatusText().startsWith(QStringLiteral("Connected to"));
    }
    bool WaitUntil(const std::function<bool()>& done, int ms = kWaitMs) {
        return QTest::qWaitFor(done, ms);
    }
    std::size_t Connects() const {
        return std::count(launcher.titles.begin(), launcher.titles.end(), "FTP Connect");
    }
    template <typename Control>
    Control* Find(const std::string& name) const {
        return window.findChild<Control*>(QString::fromStdString(name));
    }
};

// Selects the row of this name in a list.
void SelectRow(QTreeView& list, const std::string& name) {
    const QModelIndexList found =
        list.model()->match(list.model()->index(0, 0), Qt::DisplayRole,
                            QString::fromStdString(name), 1, Qt::MatchExactly);
    ASSERT_FALSE(found.isEmpty()) << "no row " << name;
    list.setCurrentIndex(found.front());  // which selects the row alone
}

class MainWindowTest : public testing::Test {
protected:
    void SetUp() override {
        for (const std::string& label : ListFtpAccountLabels()) {
            DeleteFtpAccount(label);
        }
        ClearCurrentSite();
        DeleteSection("MainWindow");
        DeleteSection("ToolBar");
        SetSettingBool(kSettingsSection, "FirstRun", false);
        DeleteSetting(kSettingsSection, "FtpRetry");
    }

    // A running pyftpdlib with its site stored and current.
    bool StartServer(const std::string& localFolder = "", bool storePassword = true) {
        std::string why;
        EXPECT_TRUE(server_.Start(&why)) << why;
        StoreSite("alpha", server_.hostText(), storePassword ? server_.password() : "", false,
                  localFolder);
        return why.empty() && SetCurrentSite("alpha");
    }
    // A window connected to the current site.
    std::unique_ptr<MainWindowRun> ConnectedRun() {
        auto run = std::make_unique<MainWindowRun>();
        EXPECT_TRUE(run->WaitUntil([&] { return run->Connected(); }));
        return run;
    }

    RealServer server_{kPlainServers[0]};
};

}  // namespace

TEST_F(MainWindowTest, TheConnectButtonWithoutACurrentSiteOffersTheSitesOrANewOne) {
    for (const auto& [name, row] : LoadCases("ui/main/connect_button.tsv")) {
        SCOPED_TRACE(name);
        SetUp();
        for (const std::string& label : Split(row[1], '|')) {
            label == "-" ? void() : StoreSite(label, "127.0.0.1:1");
        }
        MainWindowRun run;
        run.window.show();
        ShownWindows windows;
        auto* connect = run.Find<QToolButton>("100");
        ASSERT_NE(connect, nullptr);
        QTest::mouseClick(connect, Qt::LeftButton, {}, QPoint(4, connect->height() / 2));
        ASSERT_TRUE(run.WaitUntil([&] { return !windows.shown.empty(); }));
        EXPECT_EQ(windows.shown, std::vector<std::string>{row[2]});
        EXPECT_EQ(run.Connects(), 0u);
    }
}

TEST_F(MainWindowTest, AFirstStartRunsTheSetupWizardOnce) {
    DeleteSetting(kSettingsSection, "FirstRun");
    ShownWindows windows;
    for (int start = 0; start < 2; ++start) {
        LogTail log;
        MainWindowRun run;
        // A wizard runs right after the line, before the wait ends.
        ASSERT_TRUE(run.WaitUntil([&] { return log.Contains("Click the Connect button"); }));
    }
    EXPECT_EQ(windows.shown, std::vector<std::string>{"BrindleFTP Site Wizard"});
    EXPECT_EQ(GetSetting(kSettingsSection, "FirstRun"), "0");
}

TEST_F(MainWindowTest, ChoosingTheConnectedSiteAgainChangesNothingAndAnotherOneAsksFirst) {
    ASSERT_TRUE(StartServer());
    StoreSite("beta", "127.0.0.1:1");
    const auto run = ConnectedRun();
    const QString status = run->window.connectionStatusText();
    EXPECT_EQ(status.toStdString(),
              "Connected to alpha (" + server_.hostText() + ") as " + server_.user());

    run->window.Command(6001);  // alpha, connected
    EXPECT_TRUE(run->ui.alerts.empty());
    run->ui.AnswerWithText("Cancel");
    run->window.Command(6002);  // beta, declined
    ASSERT_EQ(run->ui.alerts.size(), 1u);
    EXPECT_EQ(run->ui.alerts[0].headline, "Disconnect Confirm");

    EXPECT_EQ(run->Connects(), 1u);
    EXPECT_EQ(run->window.connectionStatusText(), status);
    std::string current;
    EXPECT_TRUE(GetCurrentSite(current));
    EXPECT_EQ(current, "alpha");
}

// Once, whatever is typed: an empty password is the user's answer, not a reason to ask again.
TEST_F(MainWindowTest, ASiteWithoutAStoredPasswordAsksForItOnce) {
    ASSERT_TRUE(StartServer("", false));
    for (const std::string& typed : {server_.password(), std::string()}) {
        SCOPED_TRACE("typed \"" + typed + "\"");
        LogTail log;
        MainWindowRun run;
        run.ui.loginPassword = typed;
        ASSERT_TRUE(run.WaitUntil(
            [&] { return run.Connected() || log.Contains("Please check that the server"); }));
        EXPECT_EQ(run.Connected(), !typed.empty());
        ASSERT_EQ(run.ui.loginRequests.size(), 1u);
        EXPECT_EQ(run.ui.loginRequests[0].server, server_.hostText());
        EXPECT_EQ(run.ui.loginRequests[0].user, "test");
    }
}

TEST_F(MainWindowTest, RetriedConnectionsToATlsSiteKeepTlsAndNeverSendTheUserName) {
    RepeatingPeer peer(
        FindPeerScript(LoadPeerScripts("ui/main/connect.script"), "refuses AUTH TLS"));
    StoreSite("secure", peer.hostText(), "secret", true);
    SetCurrentSite("secure");
    SetSettingBool(kSettingsSection, "FtpRetry", true);
    LogTail log;
    MainWindowRun run;
    ASSERT_TRUE(run.WaitUntil([&] { return log.Contains("Click the Connect button"); }));

    EXPECT_EQ(run.Connects(), 4u);
    const std::vector<std::string> connections = peer.Connections();
    EXPECT_EQ(connections.size(), 4u);
    for (const std::string& sent : connections) {
        EXPECT_TRUE(sent.starts_with("AUTH TLS\r\n")) << sent;
        EXPECT_EQ(sent.find("USER"), std::string::npos) << sent;
    }
    EXPECT_EQ(run.window.connectionStatusText().toStdString(), kNotConnectedText);
    std::string current;
    EXPECT_FALSE(GetCurrentSite(current));  // a failed start forgets the site
}

TEST_F(MainWindowTest, ClosingKeepsTheCurrentSiteOnlyWhileConnected) {
    ASSERT_TRUE(StartServer());
    for (const bool connected : {true, false}) {
        SCOPED_TRACE(connected ? "connected" : "disconnected");
        SetCurrentSite("alpha");
        LogTail log;
        const auto run = ConnectedRun();
        if (!connected) {
            run->window.Command(1002);  // Disconnect Site forgets it; choose it again unconnected
            SetCurrentSite("alpha");
        }
        run->window.close();
        std::string current;
        EXPECT_EQ(GetCurrentSite(current), connected);
        EXPECT_TRUE(log.Contains("Brindle FTP Exit."));
    }
}

TEST_F(MainWindowTest, AServerThatGoesAwayShowsNotConnectedAtTheNextCheck) {
    ASSERT_TRUE(StartServer());
    const auto run = ConnectedRun();
    server_.Stop();
    EXPECT_TRUE(run->WaitUntil([&] { return !run->Connected(); }, kLostConnectionMs));
    EXPECT_EQ(run->window.connectionStatusText().toStdString(), kNotConnectedText);
}

TEST_F(MainWindowTest, TheTransferButtonsMoveFilesBetweenThePanes) {
    TempFolder local;
    ASSERT_TRUE(StartServer(local.path()));
    ASSERT_TRUE(WriteWholeFile(local.File("up.txt"), "up"));
    ASSERT_TRUE(WriteWholeFile(local.File("local-only.txt"), "l"));
    ASSERT_TRUE(server_.MakeFile("down.txt", "down"));
    ASSERT_TRUE(server_.MakeFile("remote-only.txt", "r"));
    const auto run = ConnectedRun();
    ASSERT_EQ(run->window.localView()->currentFolder(), local.path());
    for (const auto& [name, row] : LoadCases("ui/main/transfer_buttons.tsv")) {
        SCOPED_TRACE(name);
        run->window.Command(2001);  // both panes list again
        run->window.Command(4006);
        if (row[2] != "-") {
            SelectRow(row[2] == "local" ? *run->window.localView()->view()
                                        : *run->window.remoteView()->view(),
                      row[3]);
        }
        auto* button = run->Find<QToolButton>(row[1]);
        ASSERT_TRUE(button->isEnabled());
        QTest::mouseClick(button, Qt::LeftButton);
        EXPECT_TRUE(run->WaitUntil([&] {
            return (row[4] == "-" || ReadWholeFile(server_.Path(row[4])) == row[5]) &&
                   (row[6] == "-" || ReadWholeFile(local.File(row[6])) == row[7]);
        }));
    }
}

TEST_F(MainWindowTest, ReturnInAPathFieldAndThePaneKeysReachTheirCommands) {
    TempFolder local;
    ASSERT_TRUE(CreateFolderPath(local.File("sub")));
    MainWindowRun run;
    run.window.show();
    run.window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&run.window));
    LExplorerFolderControl& pane = *run.window.localView();
    QLineEdit* field = run.Find<QComboBox>("106")->lineEdit();
    for (const auto& [name, row] : LoadCases("ui/main/keys.tsv")) {
        SCOPED_TRACE(name);
        const auto cell = [&](int i) { return Substitute(row[i], {{"ROOT", local.path()}}); };
        QWidget* target = row[1] == "-" ? static_cast<QWidget*>(pane.view()) : field;
        row[1] == "-" ? void() : field->setText(QString::fromStdString(cell(1)));
        target->setFocus();
        QTest::keyClick(target, QKeySequence(QString::fromStdString(row[2]))[0].key());
        EXPECT_EQ(pane.currentFolder(), cell(3));
        EXPECT_EQ(run.ui.alerts.size(), std::stoul(row[4]));
    }
    EXPECT_EQ(run.ui.alerts.back().text, "Path is not valid.");
}

TEST_F(MainWindowTest, TheWindowOpensAt920By595WithEveryPartShowing) {
    MainWindowRun run;
    run.window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&run.window));
    EXPECT_EQ(run.window.size(), QSize(920, 595));
    for (const auto& [name, row] : LoadCases("ui/main/parts.tsv")) {
        SCOPED_TRACE(name);
        const QWidget* part = run.Find<QWidget>(row[1]);
        ASSERT_NE(part, nullptr);
        EXPECT_TRUE(part->isVisible());
        EXPECT_GE(part->width(), std::stoi(row[2]));
        EXPECT_GE(part->height(), std::stoi(row[2]));
    }
}
