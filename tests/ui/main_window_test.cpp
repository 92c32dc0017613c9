// The main window as a user meets it: the Connect button with and without sites, the first
// start's wizard, choosing sites, retried connections, closing, a server that goes away, the
// three transfer buttons and the window's first look.
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QLineEdit>
#include <QMenu>
#include <QStatusBar>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QTreeView>
#include <atomic>
#include <functional>
#include <mutex>
#include <thread>

#include "frame/file_descriptor.h"
#include "frame/paths.h"
#include "servers/peer_script.h"
#include "servers/real_server.h"
#include "settings/ftp_account.h"
#include "settings/section_settings.h"
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
class ShownWindows {
public:
    ShownWindows() {
        QObject::connect(&timer_, &QTimer::timeout, [this] { Close(); });
        timer_.start(10);
    }
    std::vector<std::string> shown;

private:
    void Close() {
        if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
            std::string items;
            for (const QAction* action : menu->actions()) {
                if (!action->isSeparator()) {
                    items += (items.empty() ? "" : "|") + action->text().toStdString();
                }
            }
            shown.push_back(items);
            menu->close();
        } else if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
            shown.push_back(dialog->windowTitle().toStdString());
            dialog->reject();
        }
    }
    QTimer timer_;
};

// Plays one script on every connection it accepts, so that a retried connection meets the same
// server, and keeps each connection's lines.
class RepeatingPeer {
public:
    explicit RepeatingPeer(PeerScript script) : script_(std::move(script)) {
        listen(listen_.get(), 8);
        thread_ = std::thread([this] { Run(); });
    }
    ~RepeatingPeer() {
        stop_ = true;
        thread_.join();
    }
    std::string hostText() const { return "127.0.0.1:" + std::to_string(port_); }
    std::vector<std::vector<std::string>> Connections() {
        const std::lock_guard<std::mutex> lock(mutex_);
        return connections_;
    }

private:
    bool Readable(int fd) {
        for (int waited = 0; !stop_ && waited < kWaitMs; waited += 50) {
            pollfd entry{fd, POLLIN, 0};
            if (poll(&entry, 1, 50) > 0) {
                return true;
            }
        }
        return false;
    }
    // One line without its CR LF; false when the client closed.
    bool ReadLine(int fd, std::string& line) {
        line.clear();
        char c = 0;
        while (Readable(fd) && recv(fd, &c, 1, 0) == 1) {
            if (c == '\n') {
                return true;
            }
            c != '\r' ? line.push_back(c) : void();
        }
        return false;
    }
    void Run() {
        while (Readable(listen_.get())) {
            const FileDescriptor fd(accept4(listen_.get(), nullptr, nullptr, SOCK_CLOEXEC));
            {
                const std::lock_guard<std::mutex> lock(mutex_);
                connections_.emplace_back();
            }
            std::string line;
            for (const std::string& step : script_.lines) {
                if (step.starts_with("< ")) {
                    const std::string reply = step.substr(2) + "\r\n";
                    send(fd.get(), reply.data(), reply.size(), MSG_NOSIGNAL);
                } else if ((step.starts_with(">") || step == "receive") &&
                           ReadLine(fd.get(), line)) {
                    const std::lock_guard<std::mutex> lock(mutex_);
                    connections_.back().push_back(line);
                }
            }
        }
    }

    PeerScript script_;
    std::uint16_t port_ = 0;
    FileDescriptor listen_{BindFreeLoopbackPort(port_)};
    std::atomic<bool> stop_{false};
    std::thread thread_;
    std::mutex mutex_;
    std::vector<std::vector<std::string>> connections_;
};

// password "" asks at connection; localFolder "" keeps the default.
void StoreSite(const std::string& label, const std::string& server,
               const std::string& password = "", bool tls = false,
               const std::string& localFolder = "") {
    FtpAccount account;
    account.label = label;
    account.server = server;
    account.userName = "test";
    account.password = password;
    account.rememberPassword = !password.empty();
    account.useSsl = tls;
    account.useRecentRemote = false;
    if (!localFolder.empty()) {
        account.useRecentLocal = false;
        account.localDirectory = localFolder;
    }
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
    Control* Find(int id) const {
        return window.findChild<Control*>(QString::number(id));
    }
};

// Selects the row of this name in a list.
void SelectRow(QTreeView& list, const std::string& name) {
    const QModelIndexList found =
        list.model()->match(list.model()->index(0, 0), Qt::DisplayRole,
                            QString::fromStdString(name), 1, Qt::MatchExactly);
    ASSERT_FALSE(found.isEmpty()) << "no row " << name;
    list.setCurrentIndex(found.front());
    list.selectionModel()->select(found.front(),
                                  QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
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
    bool StartServer(const std::string& localFolder = "") {
        std::string why;
        if (!server_.Start(&why)) {
            ADD_FAILURE() << why;
            return false;
        }
        StoreSite("alpha", server_.hostText(), server_.password(), false, localFolder);
        return SetCurrentSite("alpha");
    }

    RealServer server_{kPlainServers[0]};
};

}  // namespace

TEST_F(MainWindowTest, TheConnectButtonWithoutACurrentSiteOffersTheSitesOrANewOne) {
    struct Case {
        const char* name;
        std::vector<std::string> sites;
        std::string shown;
    };
    const Case cases[] = {
        {"no site: the new-site dialog", {}, "Add New Site"},
        {"sites: the site menu", {"alpha", "beta"}, "alpha|beta|New Site ..."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SetUp();
        for (const std::string& label : c.sites) {
            StoreSite(label, "127.0.0.1:1");
        }
        MainWindowRun run;
        run.window.show();
        ShownWindows windows;
        auto* connect = run.Find<QToolButton>(100);
        ASSERT_NE(connect, nullptr);
        QTest::mouseClick(connect, Qt::LeftButton, {}, QPoint(4, connect->height() / 2));
        ASSERT_TRUE(run.WaitUntil([&] { return !windows.shown.empty(); }));
        EXPECT_EQ(windows.shown, std::vector<std::string>{c.shown});
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
    MainWindowRun run;
    ASSERT_TRUE(run.WaitUntil([&] { return run.Connected(); }));
    const QString status = run.window.connectionStatusText();
    EXPECT_EQ(status.toStdString(),
              "Connected to alpha (" + server_.hostText() + ") as " + server_.user());

    run.window.Command(6001);  // alpha, connected
    EXPECT_TRUE(run.ui.alerts.empty());
    run.ui.AnswerWithText("Cancel");
    run.window.Command(6002);  // beta, declined
    ASSERT_EQ(run.ui.alerts.size(), 1u);
    EXPECT_EQ(run.ui.alerts[0].headline, "Disconnect Confirm");

    EXPECT_EQ(run.Connects(), 1u);
    EXPECT_EQ(run.window.connectionStatusText(), status);
    std::string current;
    EXPECT_TRUE(GetCurrentSite(current));
    EXPECT_EQ(current, "alpha");
}

TEST_F(MainWindowTest, ASiteWithoutAStoredPasswordAsksForItOnce) {
    std::string why;
    ASSERT_TRUE(server_.Start(&why)) << why;
    StoreSite("alpha", server_.hostText(), "");
    SetCurrentSite("alpha");
    MainWindowRun run;
    run.ui.loginPassword = server_.password();
    ASSERT_TRUE(run.WaitUntil([&] { return run.Connected(); }));
    ASSERT_EQ(run.ui.loginRequests.size(), 1u);
    EXPECT_EQ(run.ui.loginRequests[0].server, server_.hostText());
    EXPECT_EQ(run.ui.loginRequests[0].user, "test");
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
    const auto connections = peer.Connections();
    EXPECT_EQ(connections.size(), 4u);
    for (const std::vector<std::string>& lines : connections) {
        ASSERT_FALSE(lines.empty());
        EXPECT_EQ(lines.front(), "AUTH TLS");
        for (const std::string& line : lines) {
            EXPECT_FALSE(line.starts_with("USER")) << line;
        }
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
        MainWindowRun run;
        ASSERT_TRUE(run.WaitUntil([&] { return run.Connected(); }));
        if (!connected) {
            run.window.Command(1002);  // Disconnect Site forgets it; choose it again unconnected
            SetCurrentSite("alpha");
        }
        run.window.close();
        std::string current;
        EXPECT_EQ(GetCurrentSite(current), connected);
        EXPECT_TRUE(log.Contains("Brindle FTP Exit."));
    }
}

TEST_F(MainWindowTest, AServerThatGoesAwayShowsNotConnectedAtTheNextCheck) {
    ASSERT_TRUE(StartServer());
    MainWindowRun run;
    ASSERT_TRUE(run.WaitUntil([&] { return run.Connected(); }));
    server_.Stop();
    EXPECT_TRUE(run.WaitUntil([&] { return !run.Connected(); }, kLostConnectionMs));
    EXPECT_EQ(run.window.connectionStatusText().toStdString(), kNotConnectedText);
}

TEST_F(MainWindowTest, TheTransferButtonsMoveFilesBetweenThePanes) {
    TempFolder local;
    ASSERT_TRUE(StartServer(local.path()));
    ASSERT_TRUE(WriteWholeFile(local.File("up.txt"), "up"));
    ASSERT_TRUE(server_.MakeFile("down.txt", "down"));
    MainWindowRun run;
    ASSERT_TRUE(run.WaitUntil([&] { return run.Connected(); }));
    ASSERT_EQ(run.window.localView()->currentFolder(), local.path());

    QTreeView& localList = *run.window.localView()->view();
    QTreeView& remoteList = *run.window.remoteView()->view();
    struct Case {
        const char* name;
        int button;
        std::function<void()> make;  // before the panes list again
        QTreeView* list;             // where `selected` is selected, if anywhere
        const char* selected;
        std::function<bool()> arrived;
    };
    const Case cases[] = {
        {"upload", 103, [] {}, &localList, "up.txt",
         [&] { return ReadWholeFile(server_.Path("up.txt")) == "up"; }},
        {"download", 104, [] {}, &remoteList, "down.txt",
         [&] { return ReadWholeFile(local.File("down.txt")) == "down"; }},
        {"synchronize", 120,
         [&] {
             WriteWholeFile(local.File("local-only.txt"), "l");
             server_.MakeFile("remote-only.txt", "r");
         },
         nullptr, "",
         [&] {
             return ReadWholeFile(server_.Path("local-only.txt")) == "l" &&
                    ReadWholeFile(local.File("remote-only.txt")) == "r";
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        c.make();
        run.window.Command(2001);
        run.window.Command(4006);
        if (c.list != nullptr) {
            SelectRow(*c.list, c.selected);
        }
        auto* button = run.Find<QToolButton>(c.button);
        ASSERT_TRUE(button->isEnabled());
        QTest::mouseClick(button, Qt::LeftButton);
        EXPECT_TRUE(run.WaitUntil(c.arrived));
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
    QLineEdit* field = run.Find<QComboBox>(106)->lineEdit();
    struct Case {
        const char* name;
        QWidget* target;
        std::string typed;  // into the path field first
        Qt::Key key;
        std::string folder;  // where the local pane is afterwards
        std::size_t alerts;
    };
    const Case cases[] = {
        {"Return goes to the typed folder", field, local.File("sub"), Qt::Key_Return,
         local.File("sub"), 0},
        {"Backspace goes up one level", pane.view(), "", Qt::Key_Backspace, local.path(), 0},
        {"a typed path that is no folder is refused", field, local.File("none"), Qt::Key_Enter,
         local.path(), 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (!c.typed.empty()) {
            field->setText(QString::fromStdString(c.typed));
        }
        c.target->setFocus();
        QTest::keyClick(c.target, c.key);
        EXPECT_EQ(pane.currentFolder(), c.folder);
        EXPECT_EQ(run.ui.alerts.size(), c.alerts);
    }
    EXPECT_EQ(run.ui.alerts.back().text, "Path is not valid.");
}

TEST_F(MainWindowTest, TheWindowOpensAt920By595WithEveryPartShowing) {
    MainWindowRun run;
    run.window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&run.window));
    EXPECT_EQ(run.window.size(), QSize(920, 595));
    struct Part {
        const char* name;
        QWidget* widget;
        int minimum;  // pixels each way
    };
    const Part parts[] = {
        {"local list", run.window.localView(), 100},
        {"remote list", run.window.remoteView(), 100},
        {"upload", run.Find<QWidget>(103), 24},
        {"download", run.Find<QWidget>(104), 24},
        {"synchronize", run.Find<QWidget>(120), 24},
        {"toolbar", run.window.findChild<QToolBar*>("MainToolBar"), 24},
        {"log pane", run.Find<QWidget>(401), 40},
        {"status bar", run.window.statusBar(), 10},
    };
    for (const Part& part : parts) {
        SCOPED_TRACE(part.name);
        ASSERT_NE(part.widget, nullptr);
        EXPECT_TRUE(part.widget->isVisible());
        EXPECT_GE(part.widget->width(), part.minimum);
        EXPECT_GE(part.widget->height(), part.minimum);
    }
}
