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
#include "support/case_table.h"
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

// A remote pane reduced to what the transfer commands ask of it.
struct FakePane final : TransferPane {
    std::vector<std::string> SelectedRemoteNames() override { return selected; }
    std::string RemoteFolder() override { return "/"; }
    bool RefreshRemoteListing() override { return ++refreshes > 0; }
    void SelectRemoteRows(const std::vector<std::string>&) override {}
    std::vector<std::string> selected;
    int refreshes = 0;
};

// A server playing NAME of transfer/scripted.script, each NAME/N on the data connection of its
// {PASVN}, and a client's session, with transfer commands over a fake pane, to connect to it.
struct ScriptedFtp {
    explicit ScriptedFtp(const std::string& name, std::map<std::string, std::string> values = {}) {
        static const std::vector<PeerScript> scripts = LoadPeerScripts("transfer/scripted.script");
        for (const PeerScript& sent : scripts) {
            if (sent.name.starts_with(name + "/")) {
                PlayScript(*data.emplace_back(std::make_unique<ScriptedPeer>()), sent, values);
                data.back()->Start();
                values["PASV" + sent.name.substr(name.size() + 1)] =
                    PassiveReplyFor(data.back()->port());
            }
        }
        values["GONE"] = PassiveReplyFor(refusing.port);
        PlayScript(control, script = FindPeerScript(scripts, name), values);
    }
    // Connects the session as if logged on to a server with MLST, SIZE and MDTM.
    bool Connect(LFtpList& to) {
        control.Start();
        LProcessInterfaceVoidInstance iface;
        to.connected = SecureConnect(iface, to.connection, control.address(), 2000) == LPROCESS_OK;
        to.connection.features =
            kFeatQueried | kFeatSystAsked | kFeatMlstType | kFeatSize | kFeatMdtm;
        return to.connected;
    }
    std::string Mismatch() { return ScriptMismatch(control, script); }

    const RefusingPort refusing;
    std::vector<std::unique_ptr<ScriptedPeer>> data;
    ScriptedPeer control;
    PeerScript script;
    ScriptedUiServices ui;
    ScriptedProcessLauncher launcher;
    LFtpList session{ui, launcher};
    FakePane pane;
    SelectionTransfers transfers{session, pane, ui, launcher};
};

using Args = std::vector<std::string>;
using std::to_string;

// What `text` makes of each item.
template <typename Items, typename Text>
Args Map(const Items& items, Text text) {
    Args texts;
    for (const auto& item : items)
        texts.push_back(text(item));
    return texts;
}
std::string Join(const Args& parts) {
    std::string text;
    for (const std::string& part : parts)
        text += (text.empty() ? "" : "|") + part;
    return text;
}
Args Entries(const std::map<std::string, std::string>& items) {
    return Map(items, [](const auto& item) { return item.first + "=" + item.second; });
}

// Records what the pane tells its owner, and keeps the names of the rows as a view that follows
// the notifications alone shows them.
struct Listener final : RemotePaneListener {
    explicit Listener(RemotePane& pane) : pane(pane) {}
    void OnRemotePaneCommand(std::uint32_t command) override {
        commands += command == kRemoteFolderChangedCommand;
    }
    void OnRemoteEditRow(std::size_t row) override { editRows.push_back(to_string(row)); }
    void OnRemoteRowsAboutToReset() override { Begin(); }
    void OnRemoteRowsReset() override {
        End();
        shown = Map(pane.rows(), [](const RemotePaneItem& row) { return row.name; });
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
    std::string Expand(const std::string& text) {
        const std::string top = server().IsPyftpd() ? "" : "/pub";
        const std::string abs = server().IsPyftpd() ? Path("").substr(0, Path("").size() - 1) : top;
        return Unescape(Substitute(text, {{"top", top},
                                          {"abs", abs},
                                          {"local", run->local.path()},
                                          {"home", server().remoteFolder()}}));
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
        return Map(run->pane.rows(), [](const auto& row) { return row.name; });
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
        return Map(a, [&](const std::string& path) { return r.local.File(path); });
    };
    auto file = [&](const std::string& path) {
        EXPECT_EQ(ReadWholeFile(path), a.at(1)) << path;
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
                                      : server().MakeFile(path, a.at(1)));
             ASSERT_TRUE(a.size() < 3 || SetTime(Path(path), Time(a[2])));
         }},
        {"local",
         [&] {
             fs::create_directories(fs::path(local(0)).parent_path());
             ASSERT_TRUE(a[0].ends_with('/') || WriteWholeFile(local(0), a.at(1)));
             ASSERT_TRUE(a.size() < 3 || SetTime(local(0), Time(a[2])));
         }},
        {"ltime", [&] { ASSERT_TRUE(SetTime(local(0), Time(a.at(1)))); }},
        {"rtime", [&] { ASSERT_TRUE(SetTime(Path(a[0]), Time(a.at(1)))); }},
        {"remote-files",  // FOLDER|COUNT: files f01... of two bytes each
         [&] {
             for (int i = 1; i <= std::stoi(a.at(1)); ++i)
                 ASSERT_TRUE(
                     server().MakeFile(a[0] + (i < 10 ? "/f0" : "/f") + to_string(i), "ab"));
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
             for (std::size_t i = 0; i < a.size() && !a[i].empty(); ++i)
                 rows.push_back(std::stoul(a[i]));
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
             Args items = Map(fs::directory_iterator(r.local.path()),
                              [](const auto& e) { return e.path(); });
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
         [&] { EXPECT_EQ(to_string(pane.CanGoBack()) + to_string(pane.CanGoForward()), a[0]); }},
        {"editing",
         [&] { EXPECT_EQ(to_string(pane.editingRow()) + "|" + pane.oldName(), Join(a)); }},
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
             EXPECT_EQ(Join(Map(r.ui.busyCalls, [](bool on) { return on ? "on" : "off"; })),
                       Join(a));
         }},
        {"opened",  // the sizes of the files opened
         [&] {
             const auto size = [](auto& path) { return to_string(fs::file_size(path)); };
             EXPECT_EQ(Join(Map(r.ui.openedPaths, size)), Join(a));
         }},
        {"lfile", [&] { file(local(0)); }},
        {"rfile", [&] { file(Path(a[0])); }},
        {"lgone", [&] { EXPECT_FALSE(fs::exists(fs::symlink_status(local(0)))) << a[0]; }},
        {"rgone", [&] { EXPECT_FALSE(fs::exists(fs::symlink_status(Path(a[0])))) << a[0]; }},
        {"ltree", [&] { EXPECT_EQ(Join(Entries(Tree(local(0)))), tail); }},
        {"rtree", [&] { EXPECT_EQ(Join(Entries(Tree(Path(a[0])))), tail); }},
        {"same-tree", [&] { EXPECT_EQ(Tree(local(0)), Tree(Path(a.at(1)))); }},
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
             const Args all = {
                 to_string(o.stopped) + to_string(o.walkEnded) + to_string(o.declined),
                 to_string(o.queued), to_string(o.failed), to_string(o.stoppedItems)};
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
        const char* chosen = std::getenv("BRINDLE_SCENARIO");  // to run one scenario by hand
        if ((only.starts_with("only ") &&
             only != (server().IsPyftpd() ? "only pyftpd" : "only vsftpd")) ||
            (chosen && scenario.name.find(chosen) == std::string::npos))
            continue;
        SCOPED_TRACE(scenario.name);
        run = std::make_unique<Scene>();
        for (const std::string& line : scenario.lines) {
            SCOPED_TRACE(line);
            const std::string text = Expand(line);
            const std::size_t space = std::min(text.find(' '), text.size());
            if (!text.starts_with("only "))
                Step(text.substr(0, space),
                     Split(text.substr(std::min(space + 1, text.size())), '|'));
            if (HasFatalFailure())
                return;
        }
        run.reset();
        for (const auto& e : fs::directory_iterator(Path("")))
            fs::remove_all(e.path());
    }
}

// A script value: it is unescaped once more.
std::string Escaped(std::string text) {
    for (auto at = text.find('\\'); at != std::string::npos; at = text.find('\\', at + 2))
        text.insert(at, 1, '\\');
    return text;
}

// Whatever a server lists, nothing is written, made or compared outside the local folder: a
// download skips or refuses the name, a synchronization ends before anything moves.
TEST(HostileListing, NoListedNameLeadsOutsideTheLocalFolder) {
    TempFolder base("brindle-hostile");
    const std::string target = base.File("target");
    const std::string outsideName = fs::path(base.path()).filename().string() + "-x";
    const std::string outside = fs::path(base.path()).parent_path().string() + "/" + outsideName;
    for (const CaseRow& row : LoadCases("transfer/hostile_names.tsv")) {
        SCOPED_TRACE(row.name);
        const std::string name = Substitute(row.fields[0], {{"OUTSIDE", outsideName}});
        const std::string& fate = row.fields.at(2);
        const std::map<std::string, std::string> values = {{"NAME", Escaped(name)},
                                                           {"TYPE", row.fields[1]}};
        ASSERT_TRUE(fs::create_directory(target));
        ScriptedFtp ftp("download: the name " + fate, values);
        ASSERT_TRUE(ftp.Connect(ftp.session));
        ftp.pane.selected = {"dir"};
        LogTail log;
        ftp.transfers.DownloadSelection(target);
        EXPECT_EQ(ftp.Mismatch(), "");
        std::map<std::string, std::string> expected = {
            {"target", "folder"}, {"target/dir", "folder"}, {"target/dir/good.txt", "file:good"}};
        const bool ends = fate == "ends the walk";
        if (!ends)
            expected["target/dir/after.txt"] = "file:after";
        if (fate == "is fetched")
            expected["target/dir/" + name] = "file:hostile";
        EXPECT_EQ(Tree(base.path()), expected);
        for (const auto& [path, item] : expected)
            EXPECT_TRUE(item == "folder" || TimeOf(base.File(path)) == 1577934245) << path;
        EXPECT_FALSE(fs::exists(outside));
        EXPECT_EQ(log.Contains("Skipping download of item with suspicious name: " + name), ends);
        EXPECT_EQ(ftp.transfers.outcome().walkEnded, ends);
        ASSERT_TRUE(fs::remove_all(target));
        if (!ends)
            continue;

        // The same listing of the pane's folder synchronized with target/dir, beside a newer
        // "escaped": a walk that compared them would upload it.
        ASSERT_TRUE(fs::create_directories(target + "/dir") &&
                    WriteWholeFile(base.File("escaped"), "x"));
        const auto before = Tree(base.path());
        ScriptedFtp syncFtp("synchronize: the name ends the walk", values);
        ASSERT_TRUE(syncFtp.Connect(syncFtp.session));
        syncFtp.ui.AnswerWithText("Yes");
        syncFtp.transfers.Synchronize(target + "/dir", {});
        EXPECT_EQ(syncFtp.Mismatch(), "");
        EXPECT_EQ(Tree(base.path()), before);
        EXPECT_TRUE(syncFtp.launcher.titles == std::vector<std::string>{kPreparingFileListTitle} &&
                    syncFtp.transfers.outcome().walkEnded &&
                    ftp.pane.refreshes + syncFtp.pane.refreshes == 0);
        EXPECT_EQ(syncFtp.ui.busyCalls, (std::vector<bool>{true, false}));
        ASSERT_TRUE(fs::remove_all(target) && fs::remove(base.File("escaped")));
    }
}

// A listing whose data pauses past its wait is no whole folder: a synchronization over it moves
// nothing, where taking it as whole would download what it listed and upload what it left out.
TEST(StalledListing, ASynchronizationOverItMovesNothing) {
    TempFolder local("brindle-stall");
    ASSERT_TRUE(WriteWholeFile(local.File("only-here.txt"), "mine"));
    ScriptedFtp ftp("a stalled listing");
    ASSERT_TRUE(ftp.Connect(ftp.session));
    ftp.ui.AnswerWithText("Yes");
    ftp.transfers.Synchronize(local.path(), {local.File("only-here.txt")});
    EXPECT_EQ(ftp.Mismatch(), "");
    EXPECT_EQ(Tree(local.path()),
              (std::map<std::string, std::string>{{"only-here.txt", "file:mine"}}));
    EXPECT_EQ(ftp.launcher.titles, std::vector<std::string>{kPreparingFileListTitle});
    EXPECT_TRUE(ftp.transfers.outcome().walkEnded && ftp.transfers.outcome().queued == 0);
}

TEST(RemotePaneOnScriptedServer, APassiveFailureIsLoggedAndShowsNothing) {
    ScriptedFtp ftp("a refused passive connection");
    RemotePane pane(ftp.ui, ftp.launcher);
    ASSERT_TRUE(ftp.Connect(pane.session()));
    pane.session().remoteDir = "/pub";
    LogTail log;
    EXPECT_FALSE(pane.RefreshRemote());
    EXPECT_TRUE(pane.rows().empty() && pane.selection().empty() && pane.history()[0].empty());
    // Both lines, in one entry.
    EXPECT_TRUE(log.Contains(
        " Passive Connection Failed!\r\nFor help with passive connections see https://"));
    EXPECT_EQ(ftp.Mismatch(), "");
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
        {"keep-alive", [](auto& p, auto&) { return p.session().KeepAlive(), true; }},
        {"refresh", [](auto& p, auto&) { return !p.RefreshRemote(); }},
        {"open folder", [](auto& p, auto&) { return !p.OpenRemoteFolder("sub"); }},
        {"disconnect", [](auto& p, auto&) { return p.Disconnect(), p.session().connected; }},
        {"download", [](auto&, auto& t) { return t.DownloadSelection("/x"), t.outcome().busy; }},
        {"synchronize", [](auto&, auto& t) { return t.Synchronize("/x", {}), t.outcome().busy; }},
    };
    for (const auto& [name, intrude] : intruders) {
        SCOPED_TRACE(name);
        ScriptedFtp ftp("listing /pub");
        RemotePane pane(ftp.ui, ftp.launcher);
        SelectionTransfers transfers(pane.session(), pane, ftp.ui, ftp.launcher);
        int refused = 0;
        IntrudingIdle idle;
        idle.event = [&] { refused += intrude(pane, transfers); };
        pane.session().SetIdleInterface(&idle);
        ASSERT_TRUE(ftp.Connect(pane.session()));
        pane.session().remoteDir = "/pub";
        LogTail log;
        EXPECT_TRUE(pane.RefreshRemote());
        pane.session().SetIdleInterface(nullptr);
        EXPECT_EQ(ftp.Mismatch(), "");
        Args rows;
        for (std::size_t row = 0; row < pane.rows().size(); ++row)
            rows.push_back(pane.Text(row, kRemoteColumnName) + " " +
                           pane.Text(row, kRemoteColumnKind));
        EXPECT_EQ(Join(rows), "sub Folder|after.txt File|good.txt File");
        EXPECT_TRUE(idle.checks > 0 && refused == idle.checks) << refused << " of " << idle.checks;
        EXPECT_EQ(ftp.launcher.titles.size() + ftp.ui.alerts.size(), 0u);
        EXPECT_TRUE(name == std::string("keep-alive") ||
                    log.Contains("The connection is busy with another operation."));
    }
}

}  // namespace
