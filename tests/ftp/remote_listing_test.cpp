// Listings, file facts, transfers, remote operations and the connection test against scripted
// peers: each row of tests/data/ftp/files_cases.tsv runs a call against its case of
// files_cases.script (data peers play NAME/1, NAME/2); the outcome as text must be the row's.
#include <dirent.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <ctime>
#include <memory>
#include <string>
#include <vector>

#include "frame/file_descriptor.h"
#include "ftp/connection_test.h"
#include "ftp/control_channel.h"
#include "ftp/download.h"
#include "ftp/ftp_session.h"
#include "ftp/ftp_test_support.h"
#include "ftp/mlsd_facts.h"
#include "ftp/open_remote_file.h"
#include "ftp/remote_listing.h"
#include "ftp/remote_ops.h"
#include "ftp/server_features.h"
#include "ftp/upload.h"
#include "servers/peer_script.h"
#include "support/case_table.h"
#include "support/scripted_ui.h"

namespace {

struct Row {
    std::string name, call, arg, stop, expected;
};

std::vector<Row> Rows() {
    std::vector<Row> rows;
    for (const auto& [name, c] : LoadCases("ftp/files_cases.tsv")) {
        if (c.size() == 5) {
            rows.push_back({c[0], c[1], c[2], c[3], c[4]});
        }
    }
    return rows;
}

using Values = std::map<std::string, std::string>;

// The outcome as a table cell: C escapes for control and non-ASCII bytes.
std::string Cell(const std::string& text) {
    std::string out;
    for (unsigned char c : text) {
        char hex[8];
        std::snprintf(hex, sizeof hex, "\\x%02X", c);
        out += c == '\r'           ? "\\r"
               : c == '\n'         ? "\\n"
               : c == '\\'         ? "\\\\"
               : c < 32 || c > 126 ? hex
                                   : std::string(1, static_cast<char>(c));
    }
    return out;
}

std::string Result(LProcessResult result) {
    return result == LPROCESS_OK ? "OK" : result == LPROCESS_STOPPED ? "STOPPED" : "FAILED";
}

// UTC; "now+2h" for the current time two hours east (the zone of these cases).
std::string Time(time_t time) {
    if (std::abs(static_cast<double>(time - std::time(nullptr) - 7200)) < 60) {
        return "now+2h";
    }
    char text[20];
    tm parts{};
    gmtime_r(&time, &parts);
    return std::strftime(text, sizeof text, "%Y%m%d%H%M%S", &parts) ? text : "?";
}

std::string Entry(const std::string& name, int type, std::uint64_t size, bool hasSize,
                  time_t modified, bool hasModified) {
    static const char* kTypes[] = {"f", "d", "l", "dl", "?"};
    return name + " " + kTypes[type] + " " + (hasSize ? std::to_string(size) : "-") + " " +
           (hasModified ? Time(modified) : "-") + "; ";
}

std::string Texts(const RecordingProcessInterface& iface, int line) {
    std::vector<std::string> texts = iface.TextsOnLine(line);
    for (std::string& text : texts) {
        // The connection test's temporary file has a new name on every run.
        text = text.size() == 7 && text[0] == '0' ? "(temporary file)" : text;
    }
    return texts.empty() ? "-"
                         : std::to_string(texts.size()) + " " + texts.front() + ".." + texts.back();
}

struct Case {
    const Row& row;
    const Values& values;
    LSecureSocket& conn;
    ScriptedPeer& control;
    std::vector<std::unique_ptr<ScriptedPeer>>& data;
    TempFolder local{"files"};

    // Long data by its size, or DATA for the pattern the peers send.
    std::string Shown(const std::string& bytes) const {
        const std::string& data = values.at("DATA");
        for (const auto& [key, value] : values) {
            if (bytes.size() > 64 && key != "DATA" && bytes == value) {
                return key;
            }
        }
        return bytes.size() <= 64                          ? bytes
               : bytes == data                             ? "DATA"
               : data.compare(0, bytes.size(), bytes) == 0 ? "start of DATA"
               : (data.size() > bytes.size() &&
                  data.compare(data.size() - bytes.size(), bytes.size(), bytes) == 0)
                   ? "DATA from " + std::to_string(data.size() - bytes.size())
                   : std::to_string(bytes.size()) + " bytes";
    }

    // What the data peers received, once the client closed them.
    std::string Sent() {
        std::string out = " sent=";
        for (auto& peer : data) {
            peer->Wait();
            out += Shown(peer->ReceivedBytes()) + "+";
        }
        return out;
    }

    std::string Run(LProcessInterface& i) {
        // "feat+CALL": the session knows the server's features before the call.
        const std::string c = row.call.substr(row.call.rfind("feat+", 0) == 0 ? 5 : 0);
        if (c != row.call && FtpQueryFeatures(i, conn) != LPROCESS_OK) {
            return "FEAT failed";
        }
        const std::string arg = Substitute(row.arg, values);
        if (c == "list" || c == "walk" || c == "list+reply") {
            FtpDirList list(i, conn, arg.empty() ? "*" : arg);
            std::string out = Result(list.result) + (list.dataFailed ? " datafailed|" : "|");
            for (FtpDirEntry* e = list.first.get(); c != "walk" && e; e = e->next.get()) {
                const int type = !e->hasType ? 4 : e->isFolder + 2 * e->isLink;
                out += Entry(e->name, type, e->size, e->hasSize, e->modified, e->hasModified);
            }
            for (; c == "walk" && !list.AtEnd(); list.Next()) {
                // Asked twice: a fact the server was asked for once is kept.
                (void)(list.IsLinkEntry(), list.IsFolderEntry(), list.GetSize(),
                       list.GetModified());
                const int link = 2 * list.IsLinkEntry();
                const int type = link + list.IsFolderEntry();
                out +=
                    Entry(list.CurrentName(), type, list.GetSize(), true, list.GetModified(), true);
            }
            int code = 0;
            std::string text;
            LProcessInterfaceVoidInstance reader;  // the final reply is left for the next reader
            if (c == "list+reply" && FtpReadReply(reader, conn, code, text) == LPROCESS_OK) {
                out += "then " + std::to_string(code);
            }
            return out + (list.cancelled ? " cancelled" : "");
        }
        std::uint64_t size = 5;
        time_t time = 0;
        int kind = -1;
        if (c == "size" || c == "time" || c == "kind") {
            const LProcessResult result = c == "size"   ? FtpGetFileSize(i, conn, arg, size)
                                          : c == "time" ? FtpGetFileTime(i, conn, arg, time)
                                                        : FtpGetItemType(i, conn, arg, kind);
            return Result(result) + " " +
                   (c == "size"   ? std::to_string(size)
                    : c == "time" ? Time(time)
                                  : std::to_string(kind));
        }
        if (c == "sizequiet" || c == "timequiet" || c == "isfolder") {
            return c == "sizequiet"   ? std::to_string(FtpGetFileSizeQuiet(i, conn, arg))
                   : c == "timequiet" ? Time(FtpGetFileTimeQuiet(i, conn, arg))
                                      : (FtpIsFolderQuiet(i, conn, arg) ? "folder" : "no folder");
        }
        if (c == "download" || c == "download-small-disk") {
            const std::string path = local.File(arg.empty() ? "file.bin" : arg);
            EXPECT_TRUE(WriteWholeFile(local.File("file.bin"), "old contents"));
            std::string error = "stale";
            // A disk that takes 20,000 bytes more: writes past that fail with EFBIG.
            rlimit before{};
            getrlimit(RLIMIT_FSIZE, &before);
            rlimit small = {20000, before.rlim_max};
            auto* oldHandler = std::signal(SIGXFSZ, SIG_IGN);
            EXPECT_TRUE(c == "download" || setrlimit(RLIMIT_FSIZE, &small) == 0);
            const std::string result = Result(FtpDownloadFile(i, conn, "file.bin", path, &error));
            setrlimit(RLIMIT_FSIZE, &before);
            std::signal(SIGXFSZ, oldHandler);
            struct stat info {};
            const bool exists = stat(path.c_str(), &info) == 0;
            std::string out = result + " error=" + error +
                              (result == "OK" ? " time=" + Time(info.st_mtime) : "") +
                              " file=" + (exists ? Shown(ReadWholeFile(path)) : "(none)");
            // Nothing else may stay behind, such as the temporary file.
            std::unique_ptr<DIR, int (*)(DIR*)> dir(opendir(local.File("").c_str()), closedir);
            while (const dirent* e = dir ? readdir(dir.get()) : nullptr) {
                const std::string name = e->d_name;
                out += name != "." && name != ".." && name != "file.bin" ? " left " + name : "";
            }
            return out;
        }
        if (c == "append-sparse") {
            // A sparse local file of the argument's size; its last MiB is {Z1M}.
            const std::string path = local.File("notes.bin");
            const std::string& tail = values.at("Z1M");
            FileDescriptor fd(open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644));
            const off_t size = std::stoll(arg);
            EXPECT_TRUE(ftruncate(fd.get(), size) == 0 &&
                        pwrite(fd.get(), tail.data(), tail.size(), size - tail.size()) ==
                            static_cast<ssize_t>(tail.size()));
            fd.Close();
            std::string error = "stale";
            const std::string result =
                Result(FtpUploadFile(i, conn, "notes.bin", path, &error, true));
            unlink(path.c_str());
            return result + " error=" + error + Sent();
        }
        if (c == "upload" || c == "append") {
            const std::string path = local.File("notes.bin");
            // 2024-03-15 12:05:09 UTC
            timespec times[2] = {{1710504309, 0}, {1710504309, 0}};
            EXPECT_TRUE(arg == "(none)" || (WriteWholeFile(path, arg) &&
                                            utimensat(AT_FDCWD, path.c_str(), times, 0) == 0));
            std::string error = "stale";
            std::string out =
                Result(FtpUploadFile(i, conn, "notes.bin", path, &error, c == "append")) +
                " error=" + error + " sent=";
            for (auto& peer : data) {
                peer->Wait();
                out += Shown(peer->ReceivedBytes()) + "+";
            }
            return out + (conn.fd < 0 ? " session closed" : "");
        }
        if (c == "mkd") {
            return Result(FtpMakeDirectory(i, conn, arg));
        }
        if (c == "rmd" || c == "dele" || c == "deltree") {
            return Result(c == "rmd"    ? FtpRemoveDirectory(i, conn, arg)
                          : c == "dele" ? FtpDeleteFile(i, conn, arg)
                                        : FtpDeleteTree(i, conn, arg));
        }
        if (c == "rename") {
            const auto bar = arg.find('|');
            return Result(FtpRename(i, conn, arg.substr(0, bar), arg.substr(bar + 1)));
        }
        if (c == "exists") {
            return FtpFileExists(i, conn, arg) ? "true" : "false";
        }
        if (c == "conntest" || c == "readwrite") {
            const bool known = arg != "(unknown host)";
            FtpTestReport report{known ? control.hostText() : "no-such-host.invalid",
                                 "tester",
                                 "pw",
                                 known ? arg : "",
                                 false,
                                 kTestNotFinished,
                                 ""};
            const LProcessResult result =
                c == "conntest" ? FtpTestConnection(i, conn, report) : FtpTestReadWrite(i, report);
            return Result(result) + " " + std::to_string(report.result) + " " + report.report +
                   (c == "readwrite" ? Sent() : "");
        }
        FtpDirEntry entry;  // "facts": an MLSD line's facts alone
        ReadMlsdFacts(arg, entry);
        return Entry(std::string(MlsdLineName(arg)),
                     !entry.hasType ? 4 : entry.isFolder + 2 * entry.isLink, entry.size,
                     entry.hasSize, entry.modified, entry.hasModified);
    }
};

class ScriptedCase : public testing::TestWithParam<Row> {};

TEST_P(ScriptedCase, GivesTheExpectedOutcome) {
    static const std::vector<PeerScript> scripts = LoadPeerScripts("ftp/files_cases.script");
    const Row& row = GetParam();
    setenv("TZ", "XYZ-2", 1);  // two hours east of UTC, so that UTC and local readings differ
    tzset();
    std::string data(50000, '\0');
    for (std::size_t i = 0; i < data.size(); ++i) {
        // Bytes that differ from position to position, without the escape character.
        data[i] = static_cast<char>((i * 7 + i / 251) % 91 + 1);
    }
    PeerSession session;
    Values values = {{"DATA", data},
                     {"HOST", session.peer.hostText()},
                     {"X100K", std::string(100 * 1024, 'x')},
                     {"N60K", std::string(60 * 1024, 'n')},
                     {"Z1M", std::string(1 << 20, 'z')}};
    auto find = [](const std::string& name) -> const PeerScript* {
        for (const PeerScript& script : scripts) {
            if (script.name == name) {
                return &script;
            }
        }
        return nullptr;
    };
    std::vector<std::unique_ptr<ScriptedPeer>> dataPeers;
    for (int n = 1; find(row.name + "/" + std::to_string(n)) != nullptr; ++n) {
        ScriptedPeer& peer = *dataPeers.emplace_back(std::make_unique<ScriptedPeer>());
        PlayScript(peer, *find(row.name + "/" + std::to_string(n)), values);
        peer.Start();
        values["PASV" + std::to_string(n)] = PassiveReplyFor(peer.port());
    }
    const PeerScript* control = find(row.name);
    if (control != nullptr) {
        PlayScript(session.peer, *control, values);
        if (row.call == "conntest" || row.call == "readwrite") {
            session.peer.Start();
        } else {
            ASSERT_TRUE(session.Connect());
        }
    }
    const auto colon = row.stop.find(':');
    StopOnStatusLauncher launcher(colon == std::string::npos ? -1 : std::stoi(row.stop),
                                  row.stop.substr(colon + 1));
    // Uploads of less than a block move the bar past the end.
    launcher.recording.StopAtProgress(1e9);
    if (row.stop == "now") {
        launcher.recording.RequestStop();
    }
    Case run{row, values, session.connection, session.peer, dataPeers};
    std::string outcome;
    const LProcessResult result = launcher.Run(nullptr, "t", [&](LProcessInterface& iface) {
        outcome = run.Run(iface);
        return LPROCESS_OK;
    });
    EXPECT_EQ(result, LPROCESS_OK);
    const RecordingProcessInterface& seen = launcher.recording;
    outcome += "|" + Texts(seen, 0) + "|" + Texts(seen, 1);
    if (!seen.progress.empty()) {
        outcome += "|" + std::to_string(seen.progress.size()) + " to " +
                   std::to_string(std::lround(seen.progress.back() * 100)) + "%";
    }
    for (const std::string& error : seen.errors) {
        outcome += "|error " + error;
    }
    EXPECT_EQ(Cell(outcome), Cell(Substitute(row.expected, values)));
    if (control != nullptr && control->lines.back() != "hold") {
        SecureClose(session.connection);
        session.peer.Wait();
    }
    if (control != nullptr) {
        EXPECT_EQ(ScriptMismatch(session.peer, *control), "");
    }
    unsetenv("TZ");
    tzset();
}

// The open action downloads into the private open folder, where no name leads outside it.
TEST(OpenRemoteFile, DownloadsIntoThePrivateFolderAndOpensTheFile) {
    const std::vector<PeerScript> scripts = LoadPeerScripts("ftp/files_cases.script");
    struct Case {
        std::string script, name, logged;
        bool opened;
    };
    for (const Case& c :
         {Case{"open remote file", "file.bin", "Open file successfully", true},
          Case{"open remote file", "../file.bin", "Open file successfully", true},
          Case{"open remote file refused", "file.bin", "Permission denied.", false}}) {
        SCOPED_TRACE(c.name + " " + c.logged);
        ScriptedUiServices ui;
        ScriptedProcessLauncher launcher;
        LFtpList session(ui, launcher);
        PeerSession peers;
        ScriptedPeer data;
        PlayScript(data, FindPeerScript(scripts, c.script + "/1"));
        PlayScript(peers.peer, FindPeerScript(scripts, c.script),
                   {{"PASV1", PassiveReplyFor(data.port())}});
        data.Start();
        ASSERT_TRUE(peers.Connect());
        session.connection = std::move(peers.connection);
        session.connected = true;
        const std::string path = GetOpenFilesFolder() + "/file.bin";
        std::remove(path.c_str());
        LogTail log;
        EXPECT_EQ(OpenRemoteFile(session, launcher, ui, nullptr, c.name) == LPROCESS_OK, c.opened);
        EXPECT_EQ(ScriptMismatch(peers.peer, FindPeerScript(scripts, c.script)), "");
        EXPECT_EQ(launcher.titles, std::vector<std::string>{"FTP Download"});
        EXPECT_EQ(ui.openedPaths,
                  c.opened ? std::vector<std::string>{path} : std::vector<std::string>{});
        EXPECT_EQ(ReadWholeFile(path), c.opened ? "file contents\r\n" : "");
        struct stat info {};
        ASSERT_EQ(stat(GetOpenFilesFolder().c_str(), &info), 0);
        EXPECT_EQ(info.st_mode & 0777, 0700u);
        EXPECT_TRUE(log.Contains(c.logged)) << log.Text();
    }
}

TEST(FtpDirList, FreesAMillionEntriesWithoutRecursion) {
    LSecureSocket closed;  // nothing to list: the listing fails at once
    LProcessInterfaceVoidInstance iface;
    auto list = std::make_unique<FtpDirList>(iface, closed);
    EXPECT_EQ(list->result, LPROCESS_FAILED);
    std::unique_ptr<FtpDirEntry>* tail = &list->first;
    for (int i = 0; i < 1000000; ++i) {
        *tail = std::make_unique<FtpDirEntry>();
        tail = &(*tail)->next;
    }
    list.reset();
}

INSTANTIATE_TEST_SUITE_P(Files, ScriptedCase, testing::ValuesIn(Rows()),
                         [](const testing::TestParamInfo<Row>& info) {
                             std::string name = info.param.name;
                             for (char& c : name) {
                                 c = std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
                             }
                             return name;
                         });

}  // namespace
