// Transfers of selections, synchronization and the remote pane, run from the scenarios of
// tests/data/transfer/scenarios.txt against each real server: each scenario starts with empty
// folders on both sides, sets them up, acts through the remote pane and checks what followed.
// Scripted servers list what no real server lists on demand.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>

#include "ftp/current_directory.h"
#include "ftp/ftp_features.h"
#include "ftp/ftp_test_support.h"
#include "ftp/remote_listing.h"
#include "servers/peer_script.h"
#include "servers/real_server.h"
#include "settings/section_settings.h"
#include "support/scripted_ui.h"
#include "transfer/download_names.h"
#include "transfer/remote_pane.h"
#include "transfer/selection_transfers.h"

namespace fs = std::filesystem;

namespace {

// Sets both times of the item itself (a link is not followed).
bool SetTime(const std::string& path, time_t t) {
    timespec times[2] = {{t, 0}, {t, 0}};
    return utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW) == 0;
}
time_t TimeOf(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 ? info.st_mtime : 0;
}
// Everything below root by relative path: "folder", "file:" + bytes or "link:" + target.
std::map<std::string, std::string> Tree(const std::string& root) {
    std::map<std::string, std::string> items;
    const std::size_t skip = root.size() + (root.ends_with('/') ? 0 : 1);
    std::error_code missing;
    for (const auto& e : fs::recursive_directory_iterator(root, missing)) {
        const std::string p = e.path().string();
        items[p.substr(skip)] = e.is_symlink()     ? "link:" + fs::read_symlink(p).string()
                                : e.is_directory() ? "folder"
                                                   : "file:" + ReadWholeFile(p);
    }
    return items;
}

// A server that answers each command with the next scripted reply, and the commands the client
// should have sent.
struct ScriptedFtp {
    ScriptedPeer control;
    std::vector<std::unique_ptr<ScriptedPeer>> data;
    std::vector<std::string> expected;

    void Reply(const std::string& command, const std::string& reply) {
        control.ExpectLine().Send(reply + "\r\n");
        expected.push_back(command);
    }
    // PASV leads to a data peer that sends the bytes, then the command runs its transfer.
    void Transfer(const std::string& command, const std::string& bytes) {
        data.push_back(std::make_unique<ScriptedPeer>());
        data.back()->Send(bytes).Start();
        control.ExpectLine().Send(PassiveReplyFor(data.back()->port()) + "\r\n");
        expected.push_back("PASV");
        Reply(command, "150 Here it comes.\r\n226 Transfer complete.");
    }
    void TypeIs(const std::string& name, const char* type) {
        Reply("MLST " + name,
              "250-Listing\r\n type=" + std::string(type) + "; " + name + "\r\n250 End.");
    }
    // Connects the session as if logged on to a server with MLST, SIZE and MDTM.
    bool Connect(LFtpList& session) {
        control.HoldOpen().Start();
        LProcessInterfaceVoidInstance iface;
        session.connected =
            SecureConnect(iface, session.connection, control.address(), 2000) == LPROCESS_OK;
        session.connection.features =
            kFeatQueried | kFeatSystAsked | kFeatMlstType | kFeatSize | kFeatMdtm;
        return session.connected;
    }
};

using Args = std::vector<std::string>;

std::string Join(const Args& parts) {
    std::string text;
    for (const std::string& part : parts)
        text += (text.empty() ? "" : "|") + part;
    return text;
}
Args Entries(const std::map<std::string, std::string>& items) {
    Args entries;
    for (const auto& [key, value] : items)
        entries.push_back(key + "=" + value);
    return entries;
}

// Records what the pane tells its owner, and keeps the names of the rows as a view that follows
// the notifications alone shows them.
struct Listener final : RemotePaneListener {
    explicit Listener(RemotePane& pane) : pane(pane) {}
    void OnRemotePaneCommand(std::uint32_t command) override {
        commands += command == kRemoteFolderChangedCommand;
    }
    void OnRemoteEditRow(std::size_t row) override { editRows.push_back(std::to_string(row)); }
    void OnRemoteRowsAboutToReset() override { Begin(); }
    void OnRemoteRowsReset() override {
        End();
        shown.clear();
        for (const RemotePaneItem& row : pane.rows())
            shown.push_back(row.name);
    }
    void OnRemoteRowAboutToBeInserted(std::size_t) override { Begin(); }
    void OnRemoteRowInserted(std::size_t row) override {
        End();
        shown.insert(shown.begin() + row, pane.rows().at(row).name);
    }
    void OnRemoteRowChanged(std::size_t row) override { shown.at(row) = pane.rows().at(row).name; }
    void Begin() { EXPECT_FALSE(std::exchange(changing, true)) << "a change inside a change"; }
    void End() { EXPECT_TRUE(std::exchange(changing, false)) << "a change never announced"; }
    RemotePane& pane;
    std::size_t commands = 0;
    Args editRows;
    Args shown;
    bool changing = false;
};

// What one scenario works with.
struct Scene {
    Scene() { pane.SetListener(&listener); }
    TempFolder local{"brindle-transfer"};
    ScriptedUiServices ui;
    ScriptedProcessLauncher launcher;
    RemotePane pane{ui, launcher};
    Listener listener{pane};
    std::optional<StopOnStatusLauncher> stopper;
    std::unique_ptr<SelectionTransfers> transfers =
        std::make_unique<SelectionTransfers>(pane.session(), pane, ui, launcher);
    std::optional<LogTail> log{std::in_place};
    const std::string zone = std::getenv("TZ") ? std::getenv("TZ") : "";  // put back at the end
    Args settings;
    std::size_t mark = 0;  // the length of vsftpd's log at "mark"
    bool ok = true;
    ~Scene() {
        for (const std::string& key : settings)
            EXPECT_TRUE(DeleteSetting(kSettingsSection, key));
        zone.empty() ? unsetenv("TZ") : setenv("TZ", zone.c_str(), 1);
        tzset();
    }
};

class Scenarios : public RealServerTest {
protected:
    std::string Path(const std::string& relative) { return server().Path(relative); }
    std::string Expand(std::string text) {
        const std::string top = server().IsPyftpd() ? "" : "/pub";
        const std::pair<std::string, std::string> values[] = {
            {"{top}", top},
            {"{abs}", server().IsPyftpd() ? Path("").substr(0, Path("").size() - 1) : top},
            {"{local}", run->local.path()},
            {"{home}", server().remoteFolder()},
            {"\\n", "\n"},
            {"\\r", "\r"}};
        for (const auto& [key, value] : values)
            for (auto at = text.find(key); at != std::string::npos;
                 at = text.find(key, at + value.size()))
                text.replace(at, key.size(), value);
        return text;
    }
    // "" is now; "3d" a whole minute three days ago (vsftpd lists recent times to the minute),
    // "3d-60" a minute before that; else seconds since 1970.
    static time_t Time(const std::string& text) {
        const std::size_t d = text.find('d');
        if (text.empty() || d == std::string::npos)
            return text.empty() ? time(nullptr) : std::stol(text);
        return time(nullptr) / 60 * 60 - std::stol(text) * 86400 +
               (d + 1 < text.size() ? std::stol(text.substr(d + 1)) : 0);
    }
    Args RowNames() {
        Args names;
        for (const RemotePaneItem& row : run->pane.rows())
            names.push_back(row.name);
        return names;
    }
    void Step(const std::string& command, const Args& a);

    std::unique_ptr<Scene> run;
};
INSTANTIATE_TEST_SUITE_P(Servers, Scenarios, testing::ValuesIn(kPlainServers), ServerCaseName);

void Scenarios::Step(const std::string& command, const Args& a) {
    Scene& r = *run;
    RemotePane& pane = r.pane;
    LFtpList& session = pane.session();
    LProcessInterfaceVoidInstance quiet;
    auto local = [&](std::size_t i) { return r.local.File(a.at(i)); };
    auto locals = [&] {
        Args paths;
        for (const std::string& relative : a)
            paths.push_back(r.local.File(relative));
        return paths;
    };
    // "#2000" stands for 2000 bytes.
    auto bytes = [&] {
        return a.at(1).starts_with('#') ? std::string(std::stoul(a[1].substr(1)), 'x') : a[1];
    };
    auto file = [&](const std::string& path) {
        EXPECT_EQ(ReadWholeFile(path), bytes()) << path;
        EXPECT_TRUE(a.size() < 3 || TimeOf(path) == Time(a[2])) << path;
    };
    const std::string tail = a.size() > 1 ? Join(Args(a.begin() + 1, a.end())) : "";
    auto status = [&](const RecordingProcessInterface& run) {
        EXPECT_EQ(Join(run.TextsOnLine(std::stoi(a[0]))), tail);
        EXPECT_TRUE(std::is_sorted(run.progress.begin(), run.progress.end()));
    };
    const std::map<std::string, std::function<void()>> steps = {
        // Setting up. A path ending in '/' is a folder.
        {"remote",
         [&] {
             const std::string path = a[0].ends_with('/') ? a[0].substr(0, a[0].size() - 1) : a[0];
             ASSERT_TRUE(path != a[0] ? server().MakeFolder(path)
                                      : server().MakeFile(path, bytes()));
             ASSERT_TRUE(a.size() < 3 || SetTime(Path(path), Time(a[2])));
         }},
        {"local",
         [&] {
             fs::create_directories(fs::path(local(0)).parent_path());
             ASSERT_TRUE(a[0].ends_with('/') || WriteWholeFile(local(0), bytes()));
             ASSERT_TRUE(a.size() < 3 || SetTime(local(0), Time(a[2])));
         }},
        {"ltime", [&] { ASSERT_TRUE(SetTime(local(0), Time(a.at(1)))); }},
        {"rtime", [&] { ASSERT_TRUE(SetTime(Path(a[0]), Time(a.at(1)))); }},
        {"remote-files",  // FOLDER|COUNT: files f01... of two bytes each
         [&] {
             for (int i = 1; i <= std::stoi(a.at(1)); ++i)
                 ASSERT_TRUE(
                     server().MakeFile(a[0] + (i < 10 ? "/f0" : "/f") + std::to_string(i), "ab"));
         }},
        {"rlink", [&] { ASSERT_EQ(symlink(a.at(1).c_str(), Path(a[0]).c_str()), 0); }},
        {"llink", [&] { ASSERT_EQ(symlink(a.at(1).c_str(), local(0).c_str()), 0); }},
        {"rrm", [&] { ASSERT_TRUE(fs::remove_all(Path(a[0]))); }},
        // A folder of root's, closed to vsftpd's anonymous user.
        {"locked",
         [&] {
             ASSERT_TRUE(fs::create_directory(Path(a[0])) && !chmod(Path(a[0]).c_str(), 0700));
         }},
        {"setting",
         [&] {
             ASSERT_TRUE(SetSetting(kSettingsSection, a[0], a.at(1)));
             if (std::find(r.settings.begin(), r.settings.end(), a[0]) == r.settings.end())
                 r.settings.push_back(a[0]);
         }},
        {"zone", [&] { setenv("TZ", a[0].c_str(), 1), tzset(); }},  // "XYZ+12": 12 hours west
        {"answer", [&] { r.ui.AnswerWithText(a[0], a.size() > 1); }},
        {"clear",
         [&] {
             r.ui.alerts.clear(), r.ui.busyCalls.clear(), r.launcher.titles.clear();
             r.listener.commands = 0;
             r.log.emplace();
         }},
        // The next transfers are stopped at a status text on a line, as by a user's Cancel.
        {"stop-at",
         [&] {
             r.stopper.emplace(std::stoi(a[0]), a.at(1));
             r.transfers = std::make_unique<SelectionTransfers>(session, pane, r.ui, *r.stopper);
         }},
        // The next queue-building walk is stopped after COUNT looks at its stop.
        {"stop-walk",
         [&] {
             r.launcher.prepare = [n = std::stoi(a[0]), &r](RecordingProcessInterface& run) {
                 run.StopAfterCalls(n), r.launcher.prepare = nullptr;
             };
         }},
        // Commands vsftpd logged from here on.
        {"mark", [&] { r.mark = ReadWholeFile(Path("../../vsftpd.log")).size(); }},
        // Transfer commands of another window, which has not been told anything yet.
        {"window",
         [&] {
             r.transfers = std::make_unique<SelectionTransfers>(session, pane, r.ui, r.launcher);
         }},
        // The remote pane.
        {"connect",
         [&] {
             r.ok = pane.Connect(server().hostText(), server().user(), server().password(),
                                 a[0].empty() ? server().remoteFolder() : a[0], false);
         }},
        {"cd", [&] { r.ok = pane.ChangeRemoteFolder(a[0]); }},
        {"open", [&] { r.ok = pane.SelectRowNamed(a[0]) && pane.OpenRemoteSelection(false); }},
        {"open-file", [&] { r.ok = pane.SelectRowNamed(a[0]) && pane.OpenRemoteSelection(true); }},
        {"open-folder", [&] { r.ok = pane.OpenRemoteFolder(a[0]); }},
        {"open-row",
         [&] { pane.SetFocusedRow(std::stoi(a[0])), r.ok = pane.OpenRemoteSelection(true); }},
        {"up", [&] { r.ok = pane.RemoteUpOneLevel(); }},
        {"back", [&] { r.ok = pane.RemoteBack(); }},
        {"forward", [&] { r.ok = pane.RemoteForward(); }},
        {"refresh", [&] { r.ok = pane.RefreshRemoteListing(); }},
        {"disconnect", [&] { pane.Disconnect(); }},
        {"sort", [&] { pane.SortRows(std::stoi(a[0]), a.at(1) == "up"); }},
        {"select", [&] { pane.SelectRemoteRows(a); }},
        {"set-selection",
         [&] {
             std::vector<std::size_t> rows;
             for (const std::string& row : a)
                 if (!row.empty())
                     rows.push_back(std::stoul(row));
             pane.SetSelection(rows);
         }},
        {"focus", [&] { pane.SetFocusedRow(std::stoi(a[0])); }},
        {"new-folder", [&] { r.ok = pane.StartNewFolder(); }},
        {"rename",
         [&] { r.ok = (a[0].empty() || pane.SelectRowNamed(a[0])) && pane.StartRename(); }},
        {"edit", [&] { pane.EndEditing(a[0]); }},
        {"cancel-edit", [&] { pane.CancelEditing(); }},
        {"delete", [&] { pane.DeleteSelection(); }},
        // Transfers: rows named in the pane, paths in the local folder.
        {"download",
         [&] {
             pane.SelectRemoteRows(a[0] == "*" ? RowNames() : a);
             r.transfers->DownloadSelection(r.local.path());
         }},
        {"upload", [&] { r.transfers->UploadSelection(locals(), r.local.path()); }},
        {"drop", [&] { r.transfers->UploadDroppedFiles(locals()); }},
        {"sync",
         [&] {
             Args items;
             for (const auto& e : fs::directory_iterator(r.local.path()))
                 items.push_back(e.path());
             std::sort(items.begin(), items.end());
             r.transfers->Synchronize(r.local.path(), items);
         }},
        // Expectations.
        {"ok", [&] { EXPECT_EQ(r.ok, a[0] == "yes"); }},
        {"rows", [&] { EXPECT_EQ(Join(RowNames()), Join(a)); }},
        {"row",  // "*" for a column left unchecked
         [&] {
             Args row;
             for (std::size_t i = 1; i < a.size(); ++i)
                 row.push_back(a[i] == "*" ? "*" : pane.Text(std::stoul(a[0]), int(i) - 1));
             EXPECT_EQ(Join(row), tail);
         }},
        {"rows-reverse-listed",
         [&] {
             Args listed;
             for (FtpDirList list(quiet, session.connection); !list.AtEnd(); list.Next())
                 listed.insert(listed.begin(), list.CurrentName());
             EXPECT_EQ(RowNames(), listed);
         }},
        {"told", [&] { EXPECT_EQ(r.listener.commands, std::stoul(a[0])); }},
        {"edit-rows", [&] { EXPECT_EQ(Join(r.listener.editRows), Join(a)); }},
        {"dir", [&] { EXPECT_EQ(session.remoteDir, a[0]); }},
        {"focused",
         [&] { EXPECT_EQ(pane.focusedRow() < 0 ? "" : RowNames()[pane.focusedRow()], a[0]); }},
        {"selected", [&] { EXPECT_EQ(Join(pane.SelectedRemoteNames()), Join(a)); }},
        {"history",
         [&] {
             EXPECT_EQ(Join(Args(pane.history().begin(), pane.history().begin() + a.size())),
                       Join(a));
         }},
        {"position", [&] { EXPECT_EQ(pane.historyPosition(), std::stoul(a[0])); }},
        {"can",
         [&] {
             EXPECT_EQ(std::to_string(pane.CanGoBack()) + std::to_string(pane.CanGoForward()),
                       a[0]);
         }},
        {"editing",
         [&] { EXPECT_EQ(std::to_string(pane.editingRow()) + "|" + pane.oldName(), Join(a)); }},
        {"connected",
         [&] { EXPECT_EQ(session.connected && session.connection.fd >= 0, a[0] == "yes"); }},
        {"alerts",
         [&] {
             EXPECT_EQ(r.ui.alerts.size(), std::stoul(a[0]));
             EXPECT_EQ(r.ui.PendingAnswers(), 0u);
         }},
        {"alert",
         [&] {
             const LAlertParams& p = r.ui.alerts.at(std::stoul(a[0]));
             const Args parts = {p.text, p.headline, p.button1, p.button2, p.checkBox};
             EXPECT_EQ(Join(Args(parts.begin(), parts.begin() + a.size() - 1)), tail);
         }},
        {"busy",
         [&] {
             Args calls;
             for (bool busy : r.ui.busyCalls)
                 calls.push_back(busy ? "on" : "off");
             EXPECT_EQ(Join(calls), Join(a));
         }},
        {"opened",  // the sizes of the files opened
         [&] {
             Args sizes;
             for (const std::string& path : r.ui.openedPaths)
                 sizes.push_back(std::to_string(fs::file_size(path)));
             EXPECT_EQ(Join(sizes), Join(a));
         }},
        {"lfile", [&] { file(local(0)); }},
        {"rfile", [&] { file(Path(a[0])); }},
        {"lgone", [&] { EXPECT_FALSE(fs::exists(fs::symlink_status(local(0)))) << a[0]; }},
        {"rgone", [&] { EXPECT_FALSE(fs::exists(fs::symlink_status(Path(a[0])))) << a[0]; }},
        {"ltree", [&] { EXPECT_EQ(Join(Entries(Tree(local(0)))), tail); }},
        {"rtree", [&] { EXPECT_EQ(Join(Entries(Tree(Path(a[0])))), tail); }},
        {"same-tree", [&] { EXPECT_EQ(Entries(Tree(local(0))), Entries(Tree(Path(a.at(1))))); }},
        {"server-dir",
         [&] {
             std::string where;
             EXPECT_TRUE(FtpGetCurrentDirectoryQuiet(quiet, session.connection, where) &&
                         where == a[0])
                 << where;
         }},
        {"sent",  // VERB|COUNT: commands vsftpd logged since "mark"
         [&] {
             const std::string log = ReadWholeFile(Path("../../vsftpd.log")).substr(r.mark);
             std::size_t n = 0;
             for (auto at = log.find(", \"" + a[0]); at != std::string::npos;
                  at = log.find(", \"" + a[0], at + 1))
                 n += log.find_first_of(" \"", at + 3) == at + 3 + a[0].size();
             EXPECT_EQ(n, std::stoul(a.at(1))) << a[0];
         }},
        {"titles", [&] { EXPECT_EQ(Join(r.launcher.titles), Join(a)); }},
        {"status", [&] { status(r.stopper ? r.stopper->recording : r.launcher.LastRun()); }},
        {"outcome",  // stopped, walk ended and declined as digits; queued, failed, stopped items
         [&] {
             const TransferOutcome& o = r.transfers->outcome();
             const Args all = {std::to_string(o.stopped) + std::to_string(o.walkEnded) +
                                   std::to_string(o.declined),
                               std::to_string(o.queued), std::to_string(o.failed),
                               std::to_string(o.stoppedItems)};
             EXPECT_EQ(Join(Args(all.begin(), all.begin() + a.size())), Join(a));
         }},
        {"log", [&] { EXPECT_TRUE(r.log->Contains(a[0])) << r.log->Text(); }},
        {"no-log", [&] { EXPECT_FALSE(r.log->Contains(a[0])) << r.log->Text(); }},
        {"log-lines", [&] { EXPECT_EQ(r.log->Lines().size(), std::stoul(a[0])) << r.log->Text(); }},
        {"log-count",
         [&] {
             std::size_t n = 0;
             for (const std::string& line : r.log->Lines())
                 n += line.find(a.at(1)) != std::string::npos;
             EXPECT_EQ(n, std::stoul(a[0])) << r.log->Text();
         }},
        // What the download walk makes of listed names; a path that had to be cut says "cut".
        {"safe", [&] { EXPECT_EQ(IsSafeName(a[0]), a.at(1) == "yes") << a[0]; }},
        {"link-name", [&] { EXPECT_EQ(IsListedLink(a[0]) ? LinkOwnName(a[0]) : "none", a.at(1)); }},
        {"remote-path",
         [&] {
             EXPECT_EQ((RemotePathFits(a[0], a.at(1), a.at(2)) ? "" : "cut ") +
                           BuildRemotePath(a[0], a[1], a[2]),
                       a.at(3));
         }},
    };
    auto found = steps.find(command);
    ASSERT_NE(found, steps.end()) << "no step " << command;
    found->second();
    EXPECT_EQ(Join(r.listener.shown), Join(RowNames())) << "what a view following the pane shows";
}

TEST_P(Scenarios, RunAsWritten) {
    for (const PeerScript& scenario : LoadPeerScripts("transfer/scenarios.txt")) {
        const std::string& only = scenario.lines.at(0);
        if (only.starts_with("only ") &&
            only != (server().IsPyftpd() ? "only pyftpd" : "only vsftpd"))
            continue;
        const char* chosen = std::getenv("BRINDLE_SCENARIO");  // to run one scenario by hand
        if (chosen && scenario.name.find(chosen) == std::string::npos)
            continue;
        SCOPED_TRACE(scenario.name);
        run = std::make_unique<Scene>();
        for (const std::string& line : scenario.lines) {
            SCOPED_TRACE(line);
            const std::string text = Expand(line);
            const std::size_t space = text.find(' ');
            Args args;
            for (std::size_t at = space; at != std::string::npos; at = text.find('|', at + 1))
                args.push_back(text.substr(at + 1, text.find('|', at + 1) - at - 1));
            if (!text.starts_with("only "))
                Step(text.substr(0, space), args.empty() ? Args{""} : args);
            if (HasFatalFailure())
                return;
        }
        run.reset();
        for (const auto& e : fs::directory_iterator(Path("")))
            fs::remove_all(e.path());
    }
}

// A remote pane reduced to what the transfer commands ask of it.
struct FakePane final : TransferPane {
    std::vector<std::string> SelectedRemoteNames() override { return selected; }
    std::string RemoteFolder() override { return "/"; }
    bool RefreshRemoteListing() override { return ++refreshes > 0; }
    void SelectRemoteRows(const std::vector<std::string>&) override {}
    std::vector<std::string> selected;
    int refreshes = 0;
};

// What a walk must do with a hostile entry listed between good.txt and after.txt.
enum Fate { kEndsWalk, kSkipped, kFetched };
struct Hostile {
    char type;
    std::string name;
    Fate fate;
};

std::string Listing(const Hostile& h) {
    std::string lines;
    for (const auto& [type, name] :
         {std::pair{'-', std::string("good.txt")}, {h.type, h.name}, {'-', "after.txt"}})
        lines += type + std::string("rw-r--r--    1 ftp  ftp  7 Jan 05  2016 ") + name + "\r\n";
    return lines;
}

// The conversation of downloading the folder "/dir" that lists the entry; returns the files that
// arrive, with their bytes.
std::map<std::string, std::string> ScriptDownload(ScriptedFtp& ftp, const Hostile& h) {
    ftp.Reply("PWD", "257 \"/\" is current.");
    ftp.TypeIs("dir", "OS.unix=slink:/elsewhere");  // a link to a folder is entered like one
    ftp.Reply("PWD", "257 \"/\" is current.");
    ftp.Reply("CWD /dir", "250 OK.");
    ftp.Reply("TYPE A", "200 OK.");
    ftp.Transfer("LIST", Listing(h));  // kinds and sizes listed: nothing asked per file
    std::vector<std::pair<std::string, std::string>> queued = {{"good.txt", "good"}};
    if (h.fate != kEndsWalk) {
        if (h.fate == kFetched)
            queued.emplace_back(h.name, "hostile");
        queued.emplace_back("after.txt", "after");
        ftp.Reply("CWD /", "250 OK.");
    }
    ftp.Reply("CWD /", "250 OK.");
    ftp.Reply("TYPE I", "200 OK.");
    for (auto i = queued.rbegin(); i != queued.rend(); ++i) {  // the last queued first
        ftp.Transfer("RETR /dir/" + i->first, i->second);
        ftp.Reply("MDTM /dir/" + i->first, "213 20200102030405");
    }
    return {queued.begin(), queued.end()};
}

// Whatever a server lists, nothing is written, made or compared outside the local folder: a
// download skips or refuses the name, a synchronization ends before anything moves.
TEST(HostileListing, NoListedNameLeadsOutsideTheLocalFolder) {
    TempFolder base("brindle-hostile");
    const std::string target = base.File("target");
    const std::string outsideName = fs::path(base.path()).filename().string() + "-x";
    const std::string outside = fs::path(base.path()).parent_path().string() + "/" + outsideName;
    // clang-format off
    const Hostile rows[] = {
        {'-', "../../escaped", kEndsWalk}, {'-', "../../../" + outsideName, kEndsWalk},
        {'-', "sub/../../escaped", kEndsWalk}, {'-', "/tmp/" + outsideName, kEndsWalk},
        {'-', "..\\..\\escaped", kEndsWalk}, {'-', "a\\b", kEndsWalk}, {'d', "../../up", kEndsWalk},
        {'l', ".. -> /etc", kEndsWalk}, {'l', "../../escaped -> /etc", kEndsWalk},
        {'d', ".", kSkipped}, {'d', "..", kSkipped}, {'d', "./", kSkipped}, {'d', "../", kSkipped},
        {'-', "ctl\x01\x1b[2J\x7f name", kFetched}, {'-', "\x1b]0;title\x07", kFetched}};
    // clang-format on
    for (const Hostile& h : rows) {
        SCOPED_TRACE(h.name);
        ASSERT_TRUE(fs::create_directory(target));
        ScriptedFtp ftp;
        const auto arriving = ScriptDownload(ftp, h);
        ScriptedUiServices ui;
        ScriptedProcessLauncher launcher;
        LFtpList session(ui, launcher);
        ASSERT_TRUE(ftp.Connect(session));
        FakePane pane;
        pane.selected = {"dir"};
        SelectionTransfers transfers(session, pane, ui, launcher);
        LogTail log;
        transfers.DownloadSelection(target);
        EXPECT_EQ(ftp.control.ReceivedLines(), ftp.expected);
        std::map<std::string, std::string> expected = {{"target", "folder"},
                                                       {"target/dir", "folder"}};
        for (const auto& [name, bytes] : arriving) {
            expected["target/dir/" + name] = "file:" + bytes;
            EXPECT_EQ(TimeOf(target + "/dir/" + name), 1577934245) << name;
        }
        EXPECT_EQ(Tree(base.path()), expected);
        EXPECT_FALSE(fs::exists(outside));
        const bool ends = h.fate == kEndsWalk;
        EXPECT_EQ(log.Contains("Skipping download of item with suspicious name: " + h.name), ends);
        EXPECT_EQ(transfers.outcome().walkEnded, ends);
        ASSERT_TRUE(fs::remove_all(target));
        if (!ends)
            continue;

        // The same listing of the pane's folder synchronized with target/dir, beside a newer
        // "escaped": a walk that compared them would upload it.
        ASSERT_TRUE(fs::create_directories(target + "/dir") &&
                    WriteWholeFile(base.File("escaped"), "x"));
        const auto before = Tree(base.path());
        ScriptedFtp syncFtp;
        syncFtp.Reply("TYPE A", "200 OK.");
        syncFtp.Transfer("LIST", Listing(h));
        syncFtp.Reply("CWD /", "250 OK.");
        ScriptedUiServices syncUi;
        ScriptedProcessLauncher syncLauncher;
        LFtpList syncSession(syncUi, syncLauncher);
        ASSERT_TRUE(syncFtp.Connect(syncSession));
        SelectionTransfers sync(syncSession, pane, syncUi, syncLauncher);
        syncUi.AnswerWithText("Yes");
        sync.Synchronize(target + "/dir", {});
        EXPECT_EQ(syncFtp.control.ReceivedLines(), syncFtp.expected);
        EXPECT_EQ(Tree(base.path()), before);
        EXPECT_TRUE(syncLauncher.titles == std::vector<std::string>{kPreparingFileListTitle} &&
                    sync.outcome().walkEnded && pane.refreshes == 0);
        EXPECT_EQ(syncUi.busyCalls, (std::vector<bool>{true, false}));
        ASSERT_TRUE(fs::remove_all(target) && fs::remove(base.File("escaped")));
    }
}

// A listing whose data pauses past its wait is no whole folder: a synchronization over it moves
// nothing, where taking it as whole would download what it listed and upload what it left out.
TEST(StalledListing, ASynchronizationOverItMovesNothing) {
    TempFolder local("brindle-stall");
    ASSERT_TRUE(WriteWholeFile(local.File("only-here.txt"), "mine"));
    ScriptedFtp ftp;
    ftp.Reply("TYPE A", "200 OK.");
    ftp.data.push_back(std::make_unique<ScriptedPeer>());
    ftp.data.back()->Send(Listing({'-', "listed.txt", kFetched}).substr(0, 60)).HoldOpen().Start();
    ftp.control.ExpectLine().Send(PassiveReplyFor(ftp.data.back()->port()) + "\r\n");
    ftp.expected.push_back("PASV");
    ftp.Reply("LIST", "150 Here it comes.");
    ScriptedUiServices ui;
    ScriptedProcessLauncher launcher;
    LFtpList session(ui, launcher);
    ASSERT_TRUE(ftp.Connect(session));
    FakePane pane;
    SelectionTransfers sync(session, pane, ui, launcher);
    ui.AnswerWithText("Yes");
    sync.Synchronize(local.path(), {local.File("only-here.txt")});
    EXPECT_EQ(ftp.control.ReceivedLines(), ftp.expected);
    EXPECT_EQ(Tree(local.path()),
              (std::map<std::string, std::string>{{"only-here.txt", "file:mine"}}));
    EXPECT_EQ(launcher.titles, std::vector<std::string>{kPreparingFileListTitle});
    EXPECT_TRUE(sync.outcome().walkEnded && sync.outcome().queued == 0);
}

TEST(RemotePaneOnScriptedServer, APassiveFailureIsLoggedAndShowsNothing) {
    ScriptedFtp ftp;
    ftp.Reply("CWD /pub", "250 OK.");
    ftp.Reply("PWD", "257 \"/pub\" is current.");
    ftp.Reply("TYPE A", "200 OK.");
    const RefusingPort refusing;
    ftp.Reply("PASV", PassiveReplyFor(refusing.port));  // refused
    ScriptedUiServices ui;
    ScriptedProcessLauncher launcher;
    RemotePane pane(ui, launcher);
    ASSERT_TRUE(ftp.Connect(pane.session()));
    pane.session().remoteDir = "/pub";
    LogTail log;
    EXPECT_FALSE(pane.RefreshRemote());
    EXPECT_TRUE(pane.rows().empty() && pane.selection().empty() && pane.history()[0].empty());
    // Both lines, in one entry.
    EXPECT_TRUE(log.Contains(
        " Passive Connection Failed!\r\nFor help with passive connections see https://"));
    EXPECT_EQ(ftp.control.ReceivedLines(), ftp.expected);
}

// The owner's idle interface: the window's events run in its stop check, here one intruding
// command each time.
struct IntrudingIdle final : LProcessInterfaceVoid {
    bool IsStopped() override {
        ++checks;
        event();
        return false;
    }
    std::function<void()> event;
    int checks = 0;
};

// A timer or another window whose events run inside a listing's waits finds the session in use:
// nothing more is sent on its connection, and the listing completes.
TEST(RemotePaneOnScriptedServer, EventsInsideAListingSendNothingOnItsConnection) {
    using Intruder = std::function<bool(RemotePane&, SelectionTransfers&)>;  // true: refused
    const std::pair<const char*, Intruder> intruders[] = {
        {"keep-alive", [](RemotePane& p, auto&) { return p.session().KeepAlive(), true; }},
        {"refresh", [](RemotePane& p, auto&) { return !p.RefreshRemote(); }},
        {"open folder", [](RemotePane& p, auto&) { return !p.OpenRemoteFolder("sub"); }},
        {"disconnect", [](RemotePane& p, auto&) { return p.Disconnect(), p.session().connected; }},
        {"download",
         [](RemotePane&, SelectionTransfers& t) {
             return t.DownloadSelection("/nowhere"), t.outcome().busy;
         }},
        {"synchronize",
         [](RemotePane&, SelectionTransfers& t) {
             return t.Synchronize("/nowhere", {}), t.outcome().busy;
         }},
    };
    for (const auto& [name, intrude] : intruders) {
        SCOPED_TRACE(name);
        ScriptedFtp ftp;
        ftp.Reply("CWD /pub", "250 OK.");
        ftp.Reply("PWD", "257 \"/pub\" is current.");
        ftp.Reply("TYPE A", "200 OK.");
        ftp.Transfer("LIST", Listing({'d', "sub", kFetched}));
        ScriptedUiServices ui;
        ScriptedProcessLauncher launcher;
        RemotePane pane(ui, launcher);
        SelectionTransfers transfers(pane.session(), pane, ui, launcher);
        int refused = 0;
        IntrudingIdle idle;
        idle.event = [&] { refused += intrude(pane, transfers); };
        pane.session().SetIdleInterface(&idle);
        ASSERT_TRUE(ftp.Connect(pane.session()));
        pane.session().remoteDir = "/pub";
        LogTail log;
        EXPECT_TRUE(pane.RefreshRemote());
        pane.session().SetIdleInterface(nullptr);
        EXPECT_EQ(ftp.control.ReceivedLines(), ftp.expected);
        Args rows;
        for (std::size_t row = 0; row < pane.rows().size(); ++row)
            rows.push_back(pane.Text(row, kRemoteColumnName) + " " +
                           pane.Text(row, kRemoteColumnKind));
        EXPECT_EQ(Join(rows), "sub Folder|after.txt File|good.txt File");
        EXPECT_TRUE(idle.checks > 0 && refused == idle.checks) << refused << " of " << idle.checks;
        EXPECT_EQ(launcher.titles.size() + ui.alerts.size(), 0u);
        EXPECT_TRUE(name == std::string("keep-alive") ||
                    log.Contains("The connection is busy with another operation."));
    }
}

}  // namespace
