// The FTP Explorer as a user meets it on real and scripted servers: where it starts, how it
// orders a folder, choosing a folder, opening links, deleting, the keep-alive during a download
// and a data connection that cannot be made.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QTreeView>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>
#include <string_view>

#include "frame/file_system.h"
#include "ftp/current_directory.h"
#include "ftp/logon.h"
#include "ftp/remote_listing.h"
#include "servers/peer_script.h"
#include "servers/real_server.h"
#include "settings/section_settings.h"
#include "support/scripted_ui.h"
#include "support/temp_folder.h"
#include "ui/explorer/explorer_commands.h"
#include "ui/explorer/explorer_dialog.h"
#include "ui/explorer/ftp_explorer.h"

namespace {

constexpr int kListingWaitMs = 10000;  // only guards against a hang

std::vector<std::string> Names(LFtpExplorer& explorer) {
    std::vector<std::string> names;
    for (const ExplorerRow& row : explorer.model().rows()) {
        names.push_back(row.name);
    }
    return names;
}

std::string Joined(const std::vector<std::string>& names) {
    std::string text;
    for (const std::string& name : names) {
        text += (text.empty() ? "" : " ") + name;
    }
    return text;
}

QTreeView* List(LFtpExplorer& explorer) {
    return explorer.findChild<QTreeView*>("108");
}

void SelectRow(LFtpExplorer& explorer, const std::string& name) {
    const std::vector<std::string> names = Names(explorer);
    const auto row = std::find(names.begin(), names.end(), name) - names.begin();
    ASSERT_LT(row, static_cast<long>(names.size())) << "no row " << name;
    List(explorer)->setCurrentIndex(explorer.model().index(static_cast<int>(row), 0));
}

// Waits for the listing that `act` starts, unless it already ended.
bool ListedAfter(LFtpExplorer& explorer, const std::function<void()>& act) {
    QSignalSpy listed(&explorer, &LFtpExplorer::Listed);
    act();
    return listed.count() > 0 || listed.wait(kListingWaitMs);
}

// The explorer on its own over a recording launcher, listed once.
struct Explorer {
    ScriptedUiServices ui;
    ScriptedProcessLauncher launcher;
    std::unique_ptr<LFtpExplorer> dialog;

    bool Open(const std::string& host, const std::string& user, const std::string& password,
              const std::string& folder) {
        dialog = std::make_unique<LFtpExplorer>(
            nullptr, ui, launcher, ExplorerSite{host, user, password, false}, folder, false);
        dialog->show();
        dialog->activateWindow();
        // The keys of the window work once it is active.
        EXPECT_TRUE(QTest::qWaitForWindowActive(dialog.get()));
        return ListedAfter(*dialog, [this] { ASSERT_TRUE(dialog->Start()); });
    }
};

// The names of a folder in the order the server lists them.
std::vector<std::string> ServerOrder(RealServer& server, const std::string& folder) {
    LSecureSocket connection;
    LProcessInterfaceVoidInstance quiet;
    std::vector<std::string> names;
    const FtpConnectRequest request{&connection, server.hostText(), server.user(),
                                    server.password(), false};
    if (FtpConnect(quiet, request) != LPROCESS_OK ||
        FtpChangeDirectory(quiet, connection, folder) != LPROCESS_OK) {
        return names;
    }
    FtpDirList list(quiet, connection, "*");
    for (; !list.AtEnd(); list.Next()) {
        const std::string name = list.CurrentName();
        name != "." && name != ".." ? names.push_back(name) : void();
    }
    return names;
}

}  // namespace

TEST(FtpExplorer, AStartFolderThatDoesNotExistIsReportedAndTheRootListed) {
    RealServer server(kPlainServers[0]);
    std::string why;
    if (!server.Start(&why)) {
        GTEST_SKIP() << why;
    }
    ASSERT_TRUE(server.MakeFile("top.txt", "top"));
    Explorer run;
    ASSERT_TRUE(run.Open(server.hostText(), server.user(), server.password(), "/nope"));
    ASSERT_EQ(run.ui.alerts.size(), 1u);
    EXPECT_EQ(run.ui.alerts[0].text, "Unable to change to the directory \"/nope\".");
    EXPECT_EQ(run.ui.alerts[0].headline, "FTP Explorer");
    EXPECT_EQ(run.dialog->folder(), "/");
    EXPECT_EQ(run.dialog->findChild<QLineEdit*>("104")->text(), "/");
    EXPECT_EQ(Names(*run.dialog), std::vector<std::string>{"top.txt"});
}

// Folders of fewer than 500 entries are sorted, folders first; bigger ones keep the server's
// order. The files are made in a scrambled order so that the server's order is not sorted.
TEST(FtpExplorer, SortsFewerThan500EntriesAndKeepsTheServersOrderFrom500) {
    for (const int entries : {499, 500}) {
        SCOPED_TRACE(entries);
        RealServer server(kPlainServers[0]);
        std::string why;
        if (!server.Start(&why)) {
            GTEST_SKIP() << why;
        }
        ASSERT_TRUE(server.MakeFolder("many"));
        ASSERT_TRUE(server.MakeFolder("many/zdir"));
        std::vector<std::string> sorted = {"zdir"};
        const int files = entries - 1;
        for (int i = 0; i < files; ++i) {
            char name[16];
            std::snprintf(name, sizeof name, "f%03d", i * 7 % files);
            ASSERT_TRUE(server.MakeFile(std::string("many/") + name, ""));
            sorted.push_back(name);
        }
        std::sort(sorted.begin() + 1, sorted.end());
        const std::vector<std::string> served = ServerOrder(server, "/many");
        ASSERT_EQ(served.size(), sorted.size());
        ASSERT_NE(served, sorted) << "the server lists them sorted: nothing to tell apart";
        Explorer run;
        ASSERT_TRUE(run.Open(server.hostText(), server.user(), server.password(), "/many"));
        EXPECT_EQ(Names(*run.dialog), entries < 500 ? sorted : served);
    }
}

// Through the entry point the site properties use: only folders are listed, a double click
// enters one, and "Select" returns the folder in view.
TEST(FtpExplorer, ChoosingAFolderListsFoldersAndSelectReturnsTheFolderInView) {
    RealServer server(kPlainServers[0]);
    std::string why;
    if (!server.Start(&why)) {
        GTEST_SKIP() << why;
    }
    ASSERT_TRUE(server.MakeFolder("a") && server.MakeFolder("b") && server.MakeFolder("b/inner"));
    ASSERT_TRUE(server.MakeFile("c.txt", "c") && server.MakeFile("b/d.txt", "d"));
    std::vector<std::string> seen;
    QTimer::singleShot(0, [&] {
        auto* explorer = qobject_cast<LFtpExplorer*>(QApplication::activeModalWidget());
        if (explorer == nullptr) {
            ADD_FAILURE() << "no modal explorer";
            for (QWidget* window : QApplication::topLevelWidgets()) {
                qobject_cast<LFtpExplorer*>(window) ? qobject_cast<QDialog*>(window)->reject()
                                                    : void();
            }
            return;
        }
        if (ListedAfter(*explorer, [] {})) {
            seen.push_back(Joined(Names(*explorer)));
            SelectRow(*explorer, "b");
            QTreeView* list = List(*explorer);
            const QPoint at = list->visualRect(list->currentIndex()).center();
            ListedAfter(*explorer, [&] {
                QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
                QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
            });
            seen.push_back(Joined(Names(*explorer)));
            QPushButton* select =
                explorer->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok);
            seen.push_back(select->text().remove('&').toStdString());
            QTest::mouseClick(select, Qt::LeftButton);
        }
        if (explorer->isVisible()) {
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

using Act = std::function<void(LFtpExplorer&)>;

// The user selects the row (none for "") and presses the key on the list.
Act Key(const char* row, int key, Qt::KeyboardModifiers modifiers = {}) {
    return [=](LFtpExplorer& explorer) {
        *row != '\0' ? SelectRow(explorer, row) : void();
        QTest::keyClick(List(explorer), static_cast<Qt::Key>(key), modifiers);
    };
}

// What the user does on /pub of a scripted server, which checks every command sent.
TEST(FtpExplorer, OpensLinksDeletesNamesFoldersAndKeepsQuietDuringADownload) {
    struct Case {
        const char* script;
        Act act;
        const char* folder;
        const char* names;       // the rows afterwards
        const char* downloaded;  // what the download wrote, "-" for none
        const char* alert;       // the start of the only alert's text, "" for none
        bool closed;             // the dialog closed as cancelled
    };
    const Act doubleClickDocs = [](LFtpExplorer& explorer) {
        SelectRow(explorer, "docs -> /srv/docs");
        explorer.OnCommand(kExplorerDoubleClick);
    };
    const Act nameNewFolder = [](LFtpExplorer& explorer) {
        Key("", Qt::Key_N, Qt::ControlModifier)(explorer);
        auto* editor = List(explorer)->findChild<QLineEdit*>();
        ASSERT_NE(editor, nullptr) << "no name to edit";
        QTest::keyClicks(editor, "made");
        // The folder is made once the editor has gone.
        ListedAfter(explorer, [editor] { QTest::keyClick(editor, Qt::Key_Return); });
        EXPECT_EQ(List(explorer)->currentIndex().data().toString(), "made");
    };
    const Case cases[] = {
        {"a link to a folder opens as a folder", doubleClickDocs, "/pub/docs", "inside.txt", "-",
         "", false},
        {"a link the server will not enter is downloaded from the folder in view",
         Key("notes -> /srv/notes.txt", Qt::Key_Return), "/pub", "notes -> /srv/notes.txt",
         "notes!", "", false},
        {"a dot-less name whose kind is unknown is deleted as a folder tree",
         Key("build", Qt::Key_Delete), "/pub", "", "-", "", false},
        {"a new folder is named in place", nameNewFolder, "/pub", "made a.txt", "-", "", false},
        {"a passive failure closes the dialog", [](LFtpExplorer&) {}, "/pub", "", "-",
         "Passive Connection Failed!", true},
    };
    static const std::vector<PeerScript> scripts = LoadPeerScripts("ui/explorer/scripted.script");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.script);
        ScriptedPeer control;
        std::vector<std::unique_ptr<ScriptedPeer>> data;
        std::map<std::string, std::string> values;
        const std::string prefix = std::string(c.script) + "/";
        for (const PeerScript& script : scripts) {
            if (script.name.starts_with(prefix)) {
                ScriptedPeer& peer = *data.emplace_back(std::make_unique<ScriptedPeer>());
                PlayScript(peer, script);
                peer.Start();
                values["PASV" + script.name.substr(prefix.size())] = PassiveReplyFor(peer.port());
            }
        }
        const PeerScript& script = FindPeerScript(scripts, c.script);
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
        ASSERT_TRUE(run.Open(control.hostText(), "test", "secret", "/pub"));
        c.act(*run.dialog);
        EXPECT_EQ(run.dialog->folder(), c.folder);
        EXPECT_EQ(Joined(Names(*run.dialog)), c.names);
        EXPECT_EQ(PathExists(local.File("saved")) ? ReadWholeFile(local.File("saved")) : "-",
                  c.downloaded);
        EXPECT_TRUE(keptQuiet);
        std::vector<std::string> troubles;
        for (const LAlertParams& alert : run.ui.alerts) {
            // Questions the user answers ("Confirm Delete", "Open File") are no trouble.
            if (alert.button2.empty()) {
                troubles.push_back(alert.headline + ": " +
                                   alert.text.substr(0, std::string_view(c.alert).size()));
            }
        }
        EXPECT_EQ(troubles, *c.alert != '\0'
                                ? std::vector<std::string>{"FTP Explorer: " + std::string(c.alert)}
                                : std::vector<std::string>{});
        EXPECT_EQ(run.dialog->result() == QDialog::Rejected && !run.dialog->isVisible(), c.closed);
        run.dialog.reset();
        control.Wait();
        EXPECT_EQ(ScriptMismatch(control, script), "");
    }
}

// Up one level from what the folder field shows; a trailing separator is no level of its own.
TEST(FtpExplorer, UpOneLevelGoesToTheParentFolder) {
    const std::pair<const char*, const char*> cases[] = {
        {"/pub/docs", "/pub"}, {"/pub/docs/", "/pub"}, {"/pub", "/"}, {"/pub/", "/"}, {"/", "/"},
        {"pub", "/"},          {"C:\\a\\b", "C:\\a"},
    };
    for (const auto& [folder, parent] : cases) {
        EXPECT_EQ(ExplorerParentFolder(folder), parent) << folder;
    }
}
