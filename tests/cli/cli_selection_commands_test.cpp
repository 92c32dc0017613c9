// download, upload and sync: the real program against pyftpdlib and vsftpd (plain, and the
// folder trees over TLS too). Trees with spaces and UTF-8 names, the exit status from every
// item, the questions answered without a terminal, Ctrl+C in the middle of a run, and the
// log lines the windows write.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "cli/cli_remote_server.h"
#include "frame/file_descriptor.h"
#include "frame/folder_iterator.h"
#include "frame/paths.h"
#include "support/cli_runner.h"
#include "support/log_tail.h"
#include "support/temp_folder.h"
#include "transfer/local_tree.h"

namespace {

constexpr time_t kOlder = 1583298367;           // 2020-03-04 05:06:07 UTC
constexpr time_t kNewer = kOlder + 86400 * 30;  // a month later

using Tree = std::map<std::string, std::string>;

long Count(const std::vector<std::string>& lines, const std::string& line) {
    return std::count(lines.begin(), lines.end(), line);
}

bool AnyStartsWith(const std::vector<std::string>& lines, const std::string& start) {
    return std::any_of(lines.begin(), lines.end(),
                       [&](const std::string& line) { return line.rfind(start, 0) == 0; });
}

std::string Joined(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) {
        text += line + "\n";
    }
    return text;
}

// The lines after the last one that begins with `start`.
std::vector<std::string> LinesAfterLast(const std::vector<std::string>& lines,
                                        const std::string& start) {
    auto last = std::find_if(lines.rbegin(), lines.rend(),
                             [&](const std::string& line) { return line.rfind(start, 0) == 0; });
    return {last.base(), lines.end()};
}

bool IsOneLine(const std::string& text) {
    return !text.empty() && text.back() == '\n' && std::count(text.begin(), text.end(), '\n') == 1;
}

bool Exists(const std::string& path) {
    struct stat info {};
    return lstat(path.c_str(), &info) == 0;
}

bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

// Bytes long enough to take several blocks, different for every name.
std::string Bytes(const std::string& name, std::size_t size) {
    std::string bytes;
    while (bytes.size() < size) {
        bytes += name + ":" + std::to_string(bytes.size()) + "\n";
    }
    return bytes.substr(0, size);
}

// The program started in `folder`, for relative paths on its command line.
CliRun RunIn(const std::string& folder, const RemoteServer& server,
             const std::vector<std::string>& rest) {
    std::error_code error;
    const std::filesystem::path old = std::filesystem::current_path(error);
    std::filesystem::current_path(folder, error);
    if (error) {
        ADD_FAILURE() << "cannot change to " << folder;
        return {};
    }
    CliRun run = server.Run(rest);
    std::filesystem::current_path(old, error);
    return run;
}

// --cd to a folder below the current remote folder.
std::vector<std::string> CdInto(const RemoteServer& server, const std::string& relative) {
    const std::string folder = server.remoteFolder();
    return {"--cd", (folder == "/" ? "" : folder) + "/" + relative};
}

std::vector<std::string> Concat(std::vector<std::string> first,
                                const std::vector<std::string>& second) {
    first.insert(first.end(), second.begin(), second.end());
    return first;
}

// Folder trees over every server case, TLS included.
using CliSelectionTree = RemoteCommandTest;

TEST_P(CliSelectionTree, DownloadCopiesFoldersAndFilesIntoTheTarget) {
    ASSERT_TRUE(server().MakeFolder("Tree Ü"));
    ASSERT_TRUE(server().MakeFolder("Tree Ü/sub folder"));
    ASSERT_TRUE(server().MakeFolder("Tree Ü/sub folder/empty"));
    ASSERT_TRUE(server().MakeFile("Tree Ü/a file.txt", Bytes("a", 3000), kOlder));
    ASSERT_TRUE(server().MakeFile("Tree Ü/sub folder/ünï cødé.bin", Bytes("u", 70000), kOlder));
    ASSERT_TRUE(server().MakeFile("Tree Ü/sub folder/nothing.txt", "", kOlder));
    ASSERT_TRUE(server().MakeFile("top é.txt", Bytes("top", 100), kNewer));
    ASSERT_TRUE(server().MakeFile("not chosen.txt", "x"));
    TempFolder local("brindle-download");

    LogTail log;
    CliRun run = server().Run({"download", "Tree Ü", "top é.txt", "--to", local.path()});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out + run.err, "");

    EXPECT_EQ(TreeSnapshot(local.File("Tree Ü")), TreeSnapshot(server().Path("Tree Ü")));
    EXPECT_EQ(ReadWholeFile(local.File("top é.txt")), Bytes("top", 100));
    EXPECT_FALSE(Exists(local.File("not chosen.txt")));
    // Each file gets the remote time.
    EXPECT_EQ(ModifiedTime(local.File("Tree Ü/sub folder/ünï cødé.bin")), kOlder);
    EXPECT_EQ(ModifiedTime(local.File("top é.txt")), kNewer);

    std::vector<std::string> lines = log.Lines();
    for (const char* name : {"a file.txt", "ünï cødé.bin", "nothing.txt", "top é.txt"}) {
        EXPECT_EQ(Count(lines, std::string("Queuing file: ") + name), 1) << name;
    }
    EXPECT_EQ(Count(lines, "Downloaded file OK."), 4) << Joined(lines);
}

TEST_P(CliSelectionTree, UploadCopiesFoldersAndFilesIntoTheRemoteFolder) {
    TempFolder local("brindle-upload");
    const std::string tree = local.File("Up Ü");
    ASSERT_TRUE(MakeFolder(tree));
    ASSERT_TRUE(MakeFolder(tree + "/inner dir"));
    ASSERT_TRUE(MakeFolder(tree + "/inner dir/empty"));
    ASSERT_TRUE(MakeFile(tree + "/a b.txt", Bytes("ab", 5000), kOlder));
    ASSERT_TRUE(MakeFile(tree + "/inner dir/ç ñ.bin", Bytes("cn", 70000), kOlder));
    ASSERT_TRUE(MakeFile(tree + "/inner dir/zero.txt", "", kOlder));
    ASSERT_TRUE(MakeFile(local.File("loose ü.txt"), Bytes("loose", 10), kOlder));
    ASSERT_TRUE(MakeFile(local.File("not chosen.txt"), "x", kOlder));

    LogTail log;
    // The default base is the folder of the first path: the names stay as they are locally.
    CliRun run = server().Run({"upload", tree, local.File("loose ü.txt")});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out + run.err, "");

    EXPECT_EQ(TreeSnapshot(server().Path("Up Ü")), TreeSnapshot(tree));
    EXPECT_EQ(ReadWholeFile(server().Path("loose ü.txt")), Bytes("loose", 10));
    EXPECT_FALSE(Exists(server().Path("not chosen.txt")));

    std::vector<std::string> lines = log.Lines();
    for (const std::string& path : {tree + "/a b.txt", tree + "/inner dir/ç ñ.bin",
                                    tree + "/inner dir/zero.txt", local.File("loose ü.txt")}) {
        EXPECT_EQ(Count(lines, "Queuing file: " + path), 1) << path;
    }
    EXPECT_EQ(Count(lines, "Upload complete"), 1) << Joined(lines);
}

INSTANTIATE_TEST_SUITE_P(Servers, CliSelectionTree, testing::ValuesIn(kServerCases),
                         ServerCaseName);

const ServerCase kPlainCases[] = {
    {"Pyftpdlib", ServerKind::kPyftpd, false},
    {"Vsftpd", ServerKind::kVsftpd, false},
};

using CliDownload = RemoteCommandTest;

TEST_P(CliDownload, DotNamesAreUsageErrorsBeforeAnyConnection) {
    ASSERT_TRUE(server().MakeFile("a.txt", "a"));
    TempFolder local("brindle-download");
    for (const std::vector<std::string>& names :
         {std::vector<std::string>{"."}, {".."}, {"a.txt", ".."}, {".", "a.txt"}}) {
        LogTail log;
        CliRun run = server().Run(Concat(Concat({"download"}, names), {"--to", local.path()}));
        EXPECT_EQ(run.status, 64) << names.back();
        EXPECT_EQ(run.out, "");
        EXPECT_TRUE(IsOneLine(run.err)) << run.err;
        const std::string refused = names.back() == "a.txt" ? names.front() : names.back();
        EXPECT_TRUE(Contains(run.err, "\"" + refused + "\"")) << run.err;
        EXPECT_FALSE(AnyStartsWith(log.Lines(), "Connecting to server"));
    }
    EXPECT_EQ(TreeSnapshot(local.path()), Tree{});
}

TEST_P(CliDownload, MissingTargetFolderFailsWithoutConnecting) {
    ASSERT_TRUE(server().MakeFile("a.txt", "a"));
    TempFolder local("brindle-download");
    LogTail log;
    CliRun run = server().Run({"download", "a.txt", "--to", local.File("no such folder")});
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.out, "");
    EXPECT_TRUE(IsOneLine(run.err)) << run.err;
    EXPECT_TRUE(Contains(run.err, local.File("no such folder"))) << run.err;
    EXPECT_FALSE(AnyStartsWith(log.Lines(), "Connecting to server"));
    EXPECT_FALSE(Exists(local.File("no such folder")));
}

// The queue runs in the reverse order of queuing: the missing name, named in the middle, is
// neither the first nor the last transfer, and the last one succeeds.
TEST_P(CliDownload, MissingNameFailsItsItemWhileTheOthersArrive) {
    ASSERT_TRUE(server().MakeFolder("dir"));
    ASSERT_TRUE(server().MakeFile("dir/in dir.txt", "in dir"));
    ASSERT_TRUE(server().MakeFile("good.txt", "good"));
    TempFolder local("brindle-download");

    LogTail log;
    CliRun run = server().Run({"download", "dir", "missing.txt", "good.txt", "--to", local.path()});
    EXPECT_EQ(run.status, 2) << run.err;
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(
        TreeSnapshot(local.path()),
        (Tree{{"dir", "folder"}, {"dir/in dir.txt", "file:in dir"}, {"good.txt", "file:good"}}));

    // The outcomes in run order: good.txt, the failure with the server's text, dir's file.
    std::vector<std::string> lines = log.Lines();
    EXPECT_EQ(Count(lines, "Queuing file: missing.txt"), 1) << Joined(lines);
    std::vector<std::string> outcomes = LinesAfterLast(lines, "Queuing file: ");
    ASSERT_EQ(outcomes.size(), 4u) << Joined(lines);
    EXPECT_EQ(outcomes[0], "Downloaded file OK.");
    EXPECT_NE(outcomes[1], "Downloaded file OK.");
    EXPECT_FALSE(outcomes[1].empty());
    EXPECT_EQ(outcomes[2], "Downloaded file OK.");
    EXPECT_EQ(outcomes[3], "Disconnected from server.");
}

// Without --yes or --no and without a terminal the answer is No.
TEST_P(CliDownload, NewerLocalFileIsKeptUnlessTheAnswerIsYes) {
    struct Case {
        std::vector<std::string> answer;
        bool overwritten;
    };
    const Case cases[] = {{{}, false}, {{"--no"}, false}, {{"--yes"}, true}};
    ASSERT_TRUE(server().MakeFile("same.txt", "remote bytes", kOlder));
    ASSERT_TRUE(server().MakeFile("other.txt", "other", kOlder));
    for (const Case& c : cases) {
        const std::string label = c.answer.empty() ? "no answer" : c.answer[0];
        TempFolder local("brindle-download");
        ASSERT_TRUE(MakeFile(local.File("same.txt"), "newer local bytes", kNewer));
        CliRun run = server().Run(
            Concat(c.answer, {"download", "same.txt", "other.txt", "--to", local.path()}));
        EXPECT_EQ(run.status, 0) << label << ": " << run.err;
        EXPECT_EQ(ReadWholeFile(local.File("same.txt")),
                  c.overwritten ? "remote bytes" : "newer local bytes")
            << label;
        EXPECT_EQ(ReadWholeFile(local.File("other.txt")), "other") << label;
        // The question and the answer it got, on stderr.
        EXPECT_TRUE(Contains(run.err, "A newer copy of the file \"same.txt\" already exists"))
            << label << ": " << run.err;
        EXPECT_TRUE(Contains(run.err, c.overwritten ? "-> Yes" : "-> No")) << label;
    }
}

INSTANTIATE_TEST_SUITE_P(Servers, CliDownload, testing::ValuesIn(kPlainCases), ServerCaseName);

using CliUpload = RemoteCommandTest;

TEST_P(CliUpload, RemoteNamesAreRelativeToTheBase) {
    TempFolder local("brindle-upload");
    ASSERT_TRUE(MakeFolder(local.File("site")));
    ASSERT_TRUE(MakeFolder(local.File("site/css")));
    ASSERT_TRUE(MakeFolder(local.File("notes")));
    ASSERT_TRUE(MakeFile(local.File("site/index.html"), "index", kOlder));
    ASSERT_TRUE(MakeFile(local.File("site/css/a.css"), "css", kOlder));
    ASSERT_TRUE(MakeFile(local.File("notes/n.txt"), "notes", kOlder));

    const Tree siteTree = {
        {"site", "folder"},
        {"site/index.html", "file:index"},
        {"site/css", "folder"},
        {"site/css/a.css", "file:css"},
    };
    struct Case {
        const char* remote;  // a fresh remote folder for the case
        std::vector<std::string> paths;
        const char* base;               // below the local folder; nullptr: no --base
        std::vector<std::string> made;  // remote folders there before
        Tree expected;
    };
    const Case cases[] = {
        // The default base is the folder of the first path.
        {"file", {"notes/n.txt"}, nullptr, {}, {{"n.txt", "file:notes"}}},
        {"folder", {"site"}, nullptr, {}, siteTree},
        {"two items",
         {"site/css", "site/index.html"},
         nullptr,
         {},
         {{"css", "folder"}, {"css/a.css", "file:css"}, {"index.html", "file:index"}}},
        // Files keep their folders below the base; a file's folders must exist on the server.
        {"base",
         {"notes/n.txt"},
         "",
         {"notes"},
         {{"notes", "folder"}, {"notes/n.txt", "file:notes"}}},
        {"base above",
         {"site/css"},
         "",
         {"site"},
         {{"site", "folder"}, {"site/css", "folder"}, {"site/css/a.css", "file:css"}}},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(server().MakeFolder(c.remote));
        for (const std::string& folder : c.made) {
            ASSERT_TRUE(server().MakeFolder(std::string(c.remote) + "/" + folder));
        }
        std::vector<std::string> args = CdInto(server(), c.remote);
        args.push_back("upload");
        for (const std::string& path : c.paths) {
            args.push_back(local.File(path));
        }
        if (c.base != nullptr) {
            args.insert(args.end(), {"--base", local.File(c.base)});
        }
        CliRun run = server().Run(args);
        EXPECT_EQ(run.status, 0) << c.remote << ": " << run.err;
        EXPECT_EQ(TreeSnapshot(server().Path(c.remote)), c.expected) << c.remote;
    }
}

TEST_P(CliUpload, RelativePathsAreTakenFromTheWorkingFolder) {
    // "." and ".." are the folders they name, with their own names on the server: the upload
    // never lands beside the remote folder.
    TempFolder local("brindle-upload");
    const std::string project = local.File("project");
    ASSERT_TRUE(MakeFolder(project));
    ASSERT_TRUE(MakeFolder(project + "/sub"));
    ASSERT_TRUE(MakeFile(project + "/a.txt", "a", kOlder));
    ASSERT_TRUE(MakeFile(project + "/sub/b.txt", "b", kOlder));
    const Tree projectTree = {
        {"project", "folder"},
        {"project/a.txt", "file:a"},
        {"project/sub", "folder"},
        {"project/sub/b.txt", "file:b"},
    };

    struct Case {
        const char* remote;
        const char* workingFolder;  // below the local folder
        std::vector<std::string> arguments;
        Tree expected;
    };
    const Case cases[] = {
        {"dot", "project", {"upload", "."}, projectTree},
        {"dots", "project/sub", {"upload", ".."}, projectTree},
        {"relative",
         "project",
         {"upload", "a.txt", "sub"},
         {{"a.txt", "file:a"}, {"sub", "folder"}, {"sub/b.txt", "file:b"}}},
        {"trailing slash", "", {"upload", "project/"}, projectTree},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(server().MakeFolder(c.remote));
        CliRun run = RunIn(local.File(c.workingFolder), server(),
                           Concat(CdInto(server(), c.remote), c.arguments));
        EXPECT_EQ(run.status, 0) << c.remote << ": " << run.err;
        EXPECT_EQ(TreeSnapshot(server().Path(c.remote)), c.expected) << c.remote;
    }
}

// A path outside the base has no remote name of its own: refused before connecting.
TEST_P(CliUpload, PathOutsideTheBaseIsAUsageError) {
    TempFolder local("brindle-upload");
    ASSERT_TRUE(MakeFolder(local.File("one")));
    ASSERT_TRUE(MakeFolder(local.File("two")));
    ASSERT_TRUE(MakeFile(local.File("one/a.txt"), "a", kOlder));
    ASSERT_TRUE(MakeFile(local.File("two/b.txt"), "b", kOlder));
    ASSERT_TRUE(MakeFile(local.File("one.txt"), "c", kOlder));
    const std::vector<std::vector<std::string>> cases = {
        // The default base is one's folder.
        {local.File("one/a.txt"), local.File("two/b.txt")},
        {local.File("one/a.txt"), "--base", local.File("two")},
        // A name that merely begins with the base's.
        {local.File("one.txt"), "--base", local.File("one")},
        {local.File("one"), "--base", local.File("one")},
    };
    for (const std::vector<std::string>& args : cases) {
        LogTail log;
        CliRun run = server().Run(Concat({"upload"}, args));
        EXPECT_EQ(run.status, 64) << args[0] << " " << args[1];
        EXPECT_TRUE(IsOneLine(run.err)) << run.err;
        EXPECT_FALSE(AnyStartsWith(log.Lines(), "Connecting to server"));
    }
    EXPECT_EQ(TreeSnapshot(server().Path("")), Tree{});
}

// The missing path is named last, so its transfer runs first and the last one succeeds.
TEST_P(CliUpload, MissingLocalPathFailsItsItemWhileTheOthersArrive) {
    TempFolder local("brindle-upload");
    ASSERT_TRUE(MakeFile(local.File("good.txt"), "good", kOlder));
    LogTail log;
    CliRun run = server().Run({"upload", local.File("good.txt"), local.File("missing.txt")});
    EXPECT_EQ(run.status, 2) << run.err;
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(ReadWholeFile(server().Path("good.txt")), "good");
    EXPECT_FALSE(Exists(server().Path("missing.txt")));

    std::vector<std::string> lines = log.Lines();
    EXPECT_EQ(Count(lines, "Queuing file: " + local.File("missing.txt")), 1) << Joined(lines);
    // Only the failed item's text comes between the queue and the end: no "Cannot upload the
    // file list", as the last transfer succeeded.
    std::vector<std::string> after = LinesAfterLast(lines, "Queuing file: ");
    ASSERT_EQ(after.size(), 3u) << Joined(lines);
    EXPECT_EQ(after[1], "Upload complete");
    EXPECT_EQ(after[2], "Disconnected from server.");
}

// Without --yes or --no and without a terminal the answer is No.
TEST_P(CliUpload, NewerRemoteFileIsKeptUnlessTheAnswerIsYes) {
    struct Case {
        std::vector<std::string> answer;
        bool overwritten;
    };
    const Case cases[] = {{{}, false}, {{"--no"}, false}, {{"--yes"}, true}};
    TempFolder local("brindle-upload");
    ASSERT_TRUE(MakeFile(local.File("same.txt"), "older local bytes", kOlder));
    ASSERT_TRUE(MakeFile(local.File("other.txt"), "other", kOlder));
    for (const Case& c : cases) {
        const std::string label = c.answer.empty() ? "no answer" : c.answer[0];
        ASSERT_TRUE(server().MakeFile("same.txt", "newer remote bytes", kNewer));
        CliRun run = server().Run(
            Concat(c.answer, {"upload", local.File("same.txt"), local.File("other.txt")}));
        EXPECT_EQ(run.status, 0) << label << ": " << run.err;
        EXPECT_EQ(ReadWholeFile(server().Path("same.txt")),
                  c.overwritten ? "older local bytes" : "newer remote bytes")
            << label;
        EXPECT_EQ(ReadWholeFile(server().Path("other.txt")), "other") << label;
        EXPECT_TRUE(Contains(run.err, "A newer copy of the file \"" + local.File("same.txt") +
                                          "\" already exists in the remote folder"))
            << label << ": " << run.err;
        EXPECT_TRUE(Contains(run.err, c.overwritten ? "-> Yes" : "-> No")) << label;
    }
}

INSTANTIATE_TEST_SUITE_P(Servers, CliUpload, testing::ValuesIn(kPlainCases), ServerCaseName);

// Items on one side only, in a remote folder of their own.
class CliSync : public RemoteCommandTest {
protected:
    void SetUp() override {
        RemoteCommandTest::SetUp();
        if (IsSkipped() || HasFatalFailure()) {
            return;
        }
        ASSERT_TRUE(server().MakeFolder("mirror"));
        ASSERT_TRUE(server().MakeFile("mirror/remote only.txt", "remote", kOlder));
        ASSERT_TRUE(server().MakeFolder("mirror/rfold"));
        ASSERT_TRUE(server().MakeFile("mirror/rfold/ré.txt", "in remote folder", kOlder));
        ASSERT_TRUE(MakeFile(local_.File("local.txt"), "local", kOlder));
        ASSERT_TRUE(MakeFile(local_.File(".hidden"), "hidden", kOlder));
        ASSERT_TRUE(MakeFolder(local_.File("lfold")));
        ASSERT_TRUE(MakeFile(local_.File("lfold/lé.txt"), "in local folder", kOlder));
    }

    CliRun Sync(const std::vector<std::string>& answer) {
        return server().Run(
            Concat(Concat(CdInto(server(), "mirror"), answer), {"sync", local_.path()}));
    }

    TempFolder local_{"brindle-sync"};
};

TEST_P(CliSync, DeclinedConfirmationChangesNothing) {
    const Tree remoteBefore = TreeSnapshot(server().Path("mirror"));
    const Tree localBefore = TreeSnapshot(local_.path());
    for (const std::vector<std::string>& answer : {std::vector<std::string>{}, {"--no"}}) {
        const std::string label = answer.empty() ? "no answer" : answer[0];
        LogTail log;
        CliRun run = Sync(answer);
        EXPECT_EQ(run.status, 1) << label << ": " << run.err;
        EXPECT_EQ(run.out, "");
        EXPECT_TRUE(Contains(run.err, "This action will synchronize all data in the local folder"))
            << run.err;
        EXPECT_TRUE(Contains(run.err, "-> No")) << run.err;
        EXPECT_EQ(TreeSnapshot(server().Path("mirror")), remoteBefore) << label;
        EXPECT_EQ(TreeSnapshot(local_.path()), localBefore) << label;
        std::vector<std::string> lines = log.Lines();
        EXPECT_EQ(Count(lines, "Synchronizing...This may take a few minutes."), 0) << label;
        EXPECT_FALSE(AnyStartsWith(lines, "Queuing file: ")) << label;
    }
}

TEST_P(CliSync, YesCopiesWhatIsOnOneSideOnlyEachWayButNoHiddenFiles) {
    LogTail log;
    CliRun run = Sync({"--yes"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "");
    EXPECT_TRUE(Contains(run.err, "-> Yes")) << run.err;

    const Tree remote = TreeSnapshot(server().Path("mirror"));
    const Tree expectedRemote = {
        {"remote only.txt", "file:remote"},
        {"rfold", "folder"},
        {"rfold/ré.txt", "file:in remote folder"},
        {"local.txt", "file:local"},
        {"lfold", "folder"},
        {"lfold/lé.txt", "file:in local folder"},
    };
    EXPECT_EQ(remote, expectedRemote);
    Tree expectedLocal = expectedRemote;
    expectedLocal[".hidden"] = "file:hidden";
    EXPECT_EQ(TreeSnapshot(local_.path()), expectedLocal);

    std::vector<std::string> lines = log.Lines();
    EXPECT_EQ(Count(lines, "Synchronizing...This may take a few minutes."), 1) << Joined(lines);
    EXPECT_EQ(Count(lines, "Queuing file: remote only.txt"), 1) << Joined(lines);
    EXPECT_EQ(Count(lines, "Queuing file: " + local_.File("local.txt")), 1) << Joined(lines);
    EXPECT_EQ(Count(lines, "Downloaded file OK."), 2) << Joined(lines);
    EXPECT_EQ(Count(lines, "Synchronize completed."), 1) << Joined(lines);
}

INSTANTIATE_TEST_SUITE_P(Servers, CliSync, testing::ValuesIn(kPlainCases), ServerCaseName);

// Ctrl+C while a sparse file far larger than a run could move is on its way; the small file
// is named last, so it runs first and is done by then.
class CliSelectionStop : public testing::Test {
protected:
    void SetUp() override {
        std::string why;
        ASSERT_TRUE(server_.Start(&why)) << why;
    }

    static bool MakeHugeFile(const std::string& path) {
        FileDescriptor file(open(path.c_str(), O_CREAT | O_WRONLY | O_CLOEXEC, 0644));
        return file.valid() && ftruncate(file.get(), 8LL << 30) == 0;
    }

    // Runs the command and interrupts it once `growing` has bytes.
    CliRun RunAndInterrupt(const std::vector<std::string>& command, const std::string& growing) {
        std::vector<std::string> args = {"--server", server_.hostText(), "--user",
                                         "test",     "--password",       "secret"};
        CliProcess cli;
        if (!cli.Start(Concat(args, command))) {
            return {};
        }
        auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        struct stat info {};
        while ((stat(growing.c_str(), &info) != 0 || info.st_size == 0) &&
               std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        EXPECT_GT(info.st_size, 0) << "the transfer never started";
        EXPECT_TRUE(cli.Signal(SIGINT));
        return cli.Wait();
    }

    PyFtpdServer server_;
};

TEST_F(CliSelectionStop, CtrlCInADownloadStopsWithStatusOne) {
    ASSERT_TRUE(MakeHugeFile(server_.root() + "/huge.bin"));
    ASSERT_TRUE(WriteWholeFile(server_.root() + "/small.txt", "small"));
    TempFolder local("brindle-download");
    CliRun run = RunAndInterrupt({"download", "huge.bin", "small.txt", "--to", local.path()},
                                 local.File("huge.bin"));
    EXPECT_EQ(run.status, 1) << run.err;
    EXPECT_EQ(run.out, "");
    // The stopped file is removed, the finished one stays.
    EXPECT_EQ(TreeSnapshot(local.path()), (Tree{{"small.txt", "file:small"}}));
}

TEST_F(CliSelectionStop, CtrlCInAnUploadStopsWithStatusOne) {
    TempFolder local("brindle-upload");
    ASSERT_TRUE(MakeHugeFile(local.File("huge.bin")));
    ASSERT_TRUE(WriteWholeFile(local.File("small.txt"), "small"));
    CliRun run = RunAndInterrupt({"upload", local.File("huge.bin"), local.File("small.txt")},
                                 server_.root() + "/huge.bin");
    EXPECT_EQ(run.status, 1) << run.err;
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(ReadWholeFile(server_.root() + "/small.txt"), "small");
}

}  // namespace
