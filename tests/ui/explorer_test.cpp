// The FTP Explorer as a user meets it on real and scripted servers: where it starts, how it
// orders a folder, choosing a folder, opening links, deleting, the keep-alive during a download
// and a data connection that cannot be made.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDialogButtonBox>
#include <QKeySequence>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QTreeView>
#include <algorithm>
#include <functional>
#include <memory>

#include "frame/file_system.h"
#include "ftp/current_directory.h"
#include "ftp/logon.h"
#include "ftp/remote_listing.h"
#include "servers/peer_script.h"
#include "servers/real_server.h"
#include "settings/section_settings.h"
#include "support/case_table.h"
#include "support/scripted_ui.h"
#include "support/temp_folder.h"
#include "ui/explorer/explorer_commands.h"
#include "ui/explorer/explorer_dialog.h"
#include "ui/explorer/ftp_explorer.h"

namespace {

// The rows' names, space-separated.
std::string Names(LFtpExplorer& explorer) {
    std::string names;
    for (const ExplorerRow& row : explorer.model().rows()) {
        names += (names.empty() ? "" : " ") + row.name;
    }
    return names;
}

QTreeView* List(LFtpExplorer& explorer) {
    return explorer.findChild<QTreeView*>("108");
}

void SelectRow(LFtpExplorer& explorer, const std::string& name) {
    const std::vector<ExplorerRow>& rows = explorer.model().rows();
    const auto row =
        std::find_if(rows.begin(), rows.end(), [&](auto& r) { return r.name == name; }) -
        rows.begin();
    ASSERT_LT(row, static_cast<long>(rows.size())) << "no row " << name;
    List(explorer)->setCurrentIndex(explorer.model().index(static_cast<int>(row), 0));
}

// Waits for the listing that `act` starts, unless it already ended.
bool ListedAfter(LFtpExplorer& explorer, const std::function<void()>& act) {
    QSignalSpy listed(&explorer, &LFtpExplorer::Listed);
    act();
    return listed.count() > 0 || listed.wait(10000);  // the bound only guards against a hang
}

// The explorer on its own over a recording launcher, listed once, logged on as pyftpdlib's and
// the scripted servers' user.
struct Explorer {
    ScriptedUiServices ui;
    ScriptedProcessLauncher launcher;
    std::unique_ptr<LFtpExplorer> dialog;

    bool Open(const std::string& host, const std::string& folder) {
        dialog = std::make_unique<LFtpExplorer>(
            nullptr, ui, launcher, ExplorerSite{host, "test", "secret", false}, folder, false);
        dialog->show();
        dialog->activateWindow();
        // The keys of the window work once it is active.
        EXPECT_TRUE(QTest::qWaitForWindowActive(dialog.get()));
        return ListedAfter(*dialog, [this] { ASSERT_TRUE(dialog->Start()); });
    }
};

// The names of a folder in the order the server lists them, space-separated.
std::string ServerOrder(RealServer& server, const std::string& folder) {
    LSecureSocket connection;
    LProcessInterfaceVoidInstance quiet;
    std::string names;
    const FtpConnectRequest request{&connection, server.hostText(), server.user(),
                                    server.password(), false};
    if (FtpConnect(quiet, request) != LPROCESS_OK ||
        FtpChangeDirectory(quiet, connection, folder) != LPROCESS_OK) {
        return names;
    }
    for (FtpDirList list(quiet, connection, "*"); !list.AtEnd(); list.Next()) {
        const std::string name = list.CurrentName();
        if (name != "." && name != "..") {
            names += (names.empty() ? "" : " ") + name;
        }
    }
    return names;
}

// The explorer against a real server.
class FtpExplorerOnServer : public RealServerTest {};
INSTANTIATE_TEST_SUITE_P(Pyftpdlib, FtpExplorerOnServer, testing::Values(kPlainServers[0]),
                         ServerCaseName);

}  // namespace

TEST_P(FtpExplorerOnServer, AStartFolderThatDoesNotExistIsReportedAndTheRootListed) {
    ASSERT_TRUE(server().MakeFile("top.txt", "top"));
    Explorer run;
    ASSERT_TRUE(run.Open(server().hostText(), "/nope"));
    ASSERT_EQ(run.ui.alerts.size(), 1u);
    EXPECT_EQ(run.ui.alerts[0].text, "Unable to change to the directory \"/nope\".");
    EXPECT_EQ(run.ui.alerts[0].headline, "FTP Explorer");
    EXPECT_EQ(run.dialog->folder(), "/");
    EXPECT_EQ(run.dialog->findChild<QLineEdit*>("104")->text(), "/");
    EXPECT_EQ(Names(*run.dialog), "top.txt");
}

// Folders of fewer than 500 entries are sorted, folders first; bigger ones keep the server's
// order. The files are made in a scrambled order so that the server's order is not sorted.
TEST_P(FtpExplorerOnServer, SortsFewerThan500EntriesAndKeepsTheServersOrderFrom500) {
    auto file = [](int i) { return "f" + std::to_string(1000 + i).substr(1); };  // "f007"
    for (const int entries : {499, 500}) {
        SCOPED_TRACE(entries);
        const std::string folder = "many" + std::to_string(entries);
        ASSERT_TRUE(server().MakeFolder(folder) && server().MakeFolder(folder + "/zdir"));
        // Every file once: 7 shares no factor with either count.
        const int files = entries - 1;
        std::string sorted = "zdir";
        for (int i = 0; i < files; ++i) {
            ASSERT_TRUE(server().MakeFile(folder + "/" + file(i * 7 % files), ""));
            sorted += " " + file(i);
        }
        const std::string served = ServerOrder(server(), "/" + folder);
        ASSERT_EQ(served.size(), sorted.size());
        ASSERT_NE(served, sorted) << "the server lists them sorted: nothing to tell apart";
        Explorer run;
        ASSERT_TRUE(run.Open(server().hostText(), "/" + folder));
        EXPECT_EQ(Names(*run.dialog), entries < 500 ? sorted : served);
    }
}

// Through the entry point the site properties use: only folders are listed, a double click
// enters one, and "Select" returns the folder in view.
TEST_P(FtpExplorerOnServer, ChoosingAFolderListsFoldersAndSelectReturnsTheFolderInView) {
    RealServer& server = this->server();
    ASSERT_TRUE(server.MakeFolder("a") && server.MakeFolder("b") && server.MakeFolder("b/inner"));
    ASSERT_TRUE(server.MakeFile("c.txt", "c") && server.MakeFile("b/d.txt", "d"));
    std::vector<std::string> seen;
    QTimer::singleShot(0, [&] {
        QPointer<LFtpExplorer> explorer =
            qobject_cast<LFtpExplorer*>(QApplication::activeModalWidget());
        ASSERT_TRUE(explorer) << "no modal explorer";
        if (ListedAfter(*explorer, [] {})) {
            seen.push_back(Names(*explorer));
            SelectRow(*explorer, "b");
            QTreeView* list = List(*explorer);
            const QPoint at = list->visualRect(list->currentIndex()).center();
            ListedAfter(*explorer, [&] {
                QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
                QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
            });
            seen.push_back(Names(*explorer));
            QPushButton* select =
                explorer->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok);
            seen.push_back(select->text().remove('&').toStdString());
            QTest::mouseClick(select, Qt::LeftButton);
        }
        if (explorer && explorer->isVisible()) {
            ADD_FAILURE() << "the explorer stayed open";
            explorer->reject();
        }
    });
    ScriptedUiServices ui;
    ScriptedProcessLauncher launcher;
    std::string folder = "/";
    EXPECT_TRUE(FtpExplorer(nullptr, ui, launcher, server.hostText(), server.user(),
                            server.password(), folder, kFtpExplorerChooseFolder, false));
    EXPECT_EQ(seen, (std::vector<std::string>{"a b", "inner", "Select"}));
    EXPECT_EQ(folder, "/b");
    EXPECT_EQ(launcher.titles, std::vector<std::string>{"FTP Connect"});
    EXPECT_NE(GetSetting("FtpExplorer", "Width"), "") << "the placement is kept";
}

// What the user does on /pub of a scripted server, which checks every command sent.
TEST(FtpExplorer, OpensLinksDeletesNamesFoldersAndKeepsQuietDuringADownload) {
    static const std::vector<PeerScript> scripts = LoadPeerScripts("ui/explorer/scripted.script");
    for (const auto& [name, row] : LoadCases("ui/explorer/scripted.tsv")) {
        SCOPED_TRACE(name);
        ScriptedPeer control;
        std::vector<std::unique_ptr<ScriptedPeer>> data;
        std::map<std::string, std::string> values;
        const std::string prefix = row.at(0) + "/";
        for (const PeerScript& script : scripts) {
            if (script.name.starts_with(prefix)) {
                ScriptedPeer& peer = *data.emplace_back(std::make_unique<ScriptedPeer>());
                PlayScript(peer, script);
                peer.Start();
                values["PASV" + script.name.substr(prefix.size())] = PassiveReplyFor(peer.port());
            }
        }
        const PeerScript& script = FindPeerScript(scripts, row.at(0));
        PlayScript(control, script, values);
        control.Start();
        TempFolder local("brindle-explorer");
        Explorer run;
        run.ui.chosenPath = local.File("saved");
        bool keptQuiet = true;
        run.launcher.prepare = [&](RecordingProcessInterface&) {
            if (run.launcher.titles.back() == "FTP Download") {
                run.dialog->OnTimer(kExplorerKeepAliveTimer);
                keptQuiet = run.dialog->busy();
            }
        };
        ASSERT_TRUE(run.Open(control.hostText(), "/pub"));
        LFtpExplorer& explorer = *run.dialog;
        !row.at(1).empty() ? SelectRow(explorer, row.at(1)) : void();
        if (row.at(2) == "double-click") {
            explorer.OnCommand(kExplorerDoubleClick);
        } else if (!row.at(2).empty()) {
            QTest::keySequence(List(explorer), QKeySequence(QString::fromStdString(row.at(2))));
        }
        if (!row.at(3).empty()) {
            auto* editor = List(explorer)->findChild<QLineEdit*>();
            ASSERT_NE(editor, nullptr) << "no name to edit";
            QTest::keyClicks(editor, QString::fromStdString(row.at(3)));
            // The folder is made once the editor has gone.
            ListedAfter(explorer, [editor] { QTest::keyClick(editor, Qt::Key_Return); });
            EXPECT_EQ(List(explorer)->currentIndex().data().toString().toStdString(), row.at(3));
        }
        EXPECT_EQ(explorer.folder(), row.at(4));
        EXPECT_EQ(Names(explorer), row.at(5));
        EXPECT_EQ(PathExists(local.File("saved")) ? ReadWholeFile(local.File("saved")) : "-",
                  row.at(6));
        EXPECT_TRUE(keptQuiet);
        std::string troubles;
        for (const LAlertParams& alert : run.ui.alerts) {
            // Questions the user answers ("Confirm Delete", "Open File") are no trouble.
            if (alert.button2.empty()) {
                troubles += alert.headline + ": " + alert.text.substr(0, row.at(7).size()) + "\n";
            }
        }
        EXPECT_EQ(troubles, row.at(7).empty() ? "" : "FTP Explorer: " + row.at(7) + "\n");
        EXPECT_EQ(explorer.result() == QDialog::Rejected && !explorer.isVisible(),
                  row.at(8) == "true");
        run.dialog.reset();
        control.Wait();
        EXPECT_EQ(ScriptMismatch(control, script), "");
    }
}

// Up one level from what the folder field shows; a trailing separator is no level of its own.
TEST(FtpExplorer, UpOneLevelGoesToTheParentFolder) {
    for (const auto& [name, row] : LoadCases("ui/explorer/parent.tsv")) {
        EXPECT_EQ(ExplorerParentFolder(row.at(0)), row.at(1)) << name;
    }
}
