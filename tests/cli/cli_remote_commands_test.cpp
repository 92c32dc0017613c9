// ls, stat, mkdir, rmdir, rm, rm -r and mv: the real program against pyftpdlib and vsftpd,
// plain and over TLS, and against a scripted server where a listing must leave facts out.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <ctime>
#include <map>
#include <string>
#include <vector>

#include "cli/cli_remote_server.h"
#include "servers/scripted_peer.h"
#include "support/cli_runner.h"

namespace {

// 2020-03-04 05:06:07 and 2021-07-08 09:10:11 UTC: old enough for vsftpd to list only the day.
constexpr time_t kFileTime = 1583298367;
constexpr time_t kFileDay = 1583280000;
constexpr time_t kFolderTime = 1625735411;
constexpr time_t kFolderDay = 1625702400;

bool Exists(const std::string& path) {
    struct stat info {};
    return lstat(path.c_str(), &info) == 0;
}

// The lines of an output, each without its line end.
std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) {
            end = text.size();
        }
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

// ls lines by name: the four facts before the name.
std::map<std::string, std::string> FactsByName(const std::string& out) {
    std::map<std::string, std::string> facts;
    for (const std::string& line : Lines(out)) {
        std::size_t tab = 0;
        for (int i = 0; i < 4 && tab != std::string::npos; ++i) {
            tab = line.find('\t', tab == 0 ? 0 : tab + 1);
        }
        if (tab == std::string::npos) {
            facts["(malformed) " + line] = "";
        } else {
            facts[line.substr(tab + 1)] = line.substr(0, tab);
        }
    }
    return facts;
}

using CliLs = RemoteCommandTest;

TEST_P(CliLs, ListsNamesKindsSizesAndTimesOfTheFolder) {
    ASSERT_TRUE(server().MakeFile("a.txt", "hello", kFileTime));
    ASSERT_TRUE(server().MakeFile("caf\xC3\xA9 n\xC2\xB0 2.txt", "abc", kFileTime));
    ASSERT_TRUE(server().MakeFolder("sub"));
    ASSERT_TRUE(server().MakeFile("sub/inner.bin", std::string(1500, 'x'), kFileTime));
    timespec times[2] = {{kFolderTime, 0}, {kFolderTime, 0}};
    ASSERT_EQ(utimensat(AT_FDCWD, server().Path("sub").c_str(), times, 0), 0);

    CliRun run = server().Run({"ls"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "");
    // MLSD times are exact; vsftpd lists a date this old without its time of day.
    const time_t fileTime = server().IsPyftpd() ? kFileTime : kFileDay;
    const time_t folderTime = server().IsPyftpd() ? kFolderTime : kFolderDay;
    std::map<std::string, std::string> facts = FactsByName(run.out);
    EXPECT_EQ(facts.size(), 3u) << run.out;  // "." and ".." are left out
    EXPECT_EQ(facts["a.txt"], "0\t0\t5\t" + std::to_string(fileTime)) << run.out;
    EXPECT_EQ(facts["caf\xC3\xA9 n\xC2\xB0 2.txt"], "0\t0\t3\t" + std::to_string(fileTime))
        << run.out;
    const std::string folder = facts["sub"];
    EXPECT_EQ(folder.substr(0, 4), "1\t0\t") << run.out;
    EXPECT_EQ(folder.substr(folder.rfind('\t') + 1), std::to_string(folderTime)) << run.out;

    // With a folder: the change-directory step first.
    run = server().Run({"ls", "sub"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "0\t0\t1500\t" + std::to_string(fileTime) + "\tinner.bin\n");
}

TEST_P(CliLs, EmptyFolderListsNothingAndAMissingOneFails) {
    CliRun run = server().Run({"ls"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "");

    run = server().Run({"ls", "no-such-folder"});
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, "Unable to change to the directory.\n");
}

INSTANTIATE_TEST_SUITE_P(Servers, CliLs, testing::ValuesIn(kServerCases), ServerCaseName);

// A server whose MLSD leaves facts out: each shows as "-", and nothing more is asked of it.
TEST(CliLsScripted, FactsTheListingDidNotDeliverShowAsDashes) {
    ScriptedPeer data;
    data.Send(
        "type=dir;modify=20240102030405; .\r\n"
        "type=file; no-size-no-time.txt\r\n"
        "size=7;modify=20240102030405; no-type.txt\r\n"
        "type=OS.unix=slink:/x;size=1; link\r\n");
    data.Start();
    ScriptedPeer control;
    control.Send("220 ready\r\n")
        .ExpectLine()
        .Send("230 welcome\r\n")
        .ExpectLine()
        .Send("211-Features:\r\n MLST type*;size*;modify*;\r\n211 End\r\n")
        .ExpectLine()
        .Send("200 Type set to A.\r\n")
        .ExpectLine()
        .Send("227 Entering Passive Mode (127,0,0,1," + std::to_string(data.port() / 256) + "," +
              std::to_string(data.port() % 256) + ")\r\n")
        .ExpectLine()
        .Send("150 Here it comes.\r\n226 Done.\r\n")
        .ExpectLine()
        .Send("221 bye\r\n");
    control.Start();

    CliRun run = RunCli({"--server", control.hostText(), "--password", "", "ls"});
    control.Wait();
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out,
              "0\t0\t-\t-\tno-size-no-time.txt\n"
              "-\t-\t7\t1704164645\tno-type.txt\n"
              "1\t1\t1\t-\tlink\n");
    const std::vector<std::string> sent = {"USER anonymous", "FEAT", "TYPE A",
                                           "PASV",           "MLSD", "QUIT"};
    EXPECT_EQ(control.ReceivedLines(), sent);
}

using CliStat = RemoteCommandTest;

TEST_P(CliStat, GivesKindSizeAndTimeThroughTheServersLookUps) {
    ASSERT_TRUE(server().MakeFile("a.txt", "hello", kFileTime));
    ASSERT_TRUE(server().MakeFolder("sub"));

    // The time comes from MDTM on both servers, so it is exact.
    CliRun run = server().Run({"stat", "a.txt"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "file\t5\t" + std::to_string(kFileTime) + "\n");
    EXPECT_EQ(run.err, "");

    run = server().Run({"stat", "sub"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out.substr(0, 7), "folder\t") << run.out;
}

TEST_P(CliStat, MissingItemIsUnknownAndFails) {
    CliRun run = server().Run({"stat", "missing.txt"});
    EXPECT_EQ(run.status, 2);
    std::vector<std::string> lines = Lines(run.out);
    ASSERT_EQ(lines.size(), 1u) << run.out;
    EXPECT_EQ(lines[0].substr(0, 8), "unknown\t") << run.out;
    EXPECT_EQ(run.err, "Unable to get the details of \"missing.txt\".\n");
}

INSTANTIATE_TEST_SUITE_P(Servers, CliStat, testing::ValuesIn(kServerCases), ServerCaseName);

using CliRemoteOps = RemoteCommandTest;

TEST_P(CliRemoteOps, MakesAndRemovesFolders) {
    CliRun run = server().Run({"mkdir", "made"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out + run.err, "");
    EXPECT_TRUE(Exists(server().Path("made")));

    // Neither server answers 521 for a folder that exists: a plain refusal.
    run = server().Run({"mkdir", "made"});
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.err, "Create directory failed. Check you have permissions.\n");

    run = server().Run({"rmdir", "made"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_FALSE(Exists(server().Path("made")));

    run = server().Run({"rmdir", "made"});
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.err, "Unable to delete directory \"made\".\n");
}

TEST_P(CliRemoteOps, DeletesFilesAndWholeTrees) {
    ASSERT_TRUE(server().MakeFile("a.txt", "a"));
    ASSERT_TRUE(server().MakeFolder("tree"));
    ASSERT_TRUE(server().MakeFile("tree/one.txt", "1"));
    ASSERT_TRUE(server().MakeFolder("tree/deeper"));
    ASSERT_TRUE(server().MakeFile("tree/deeper/two.txt", "22"));
    ASSERT_TRUE(server().MakeFolder("tree/deeper/empty"));

    CliRun run = server().Run({"rm", "a.txt"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_FALSE(Exists(server().Path("a.txt")));

    run = server().Run({"rm", "a.txt"});
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.err, "Unable to delete file \"a.txt\".\n");

    // Without -r a folder is no file.
    run = server().Run({"rm", "tree"});
    EXPECT_EQ(run.status, 2);
    EXPECT_TRUE(Exists(server().Path("tree/one.txt")));

    run = server().Run({"rm", "-r", "tree"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out + run.err, "");
    EXPECT_FALSE(Exists(server().Path("tree")));
    EXPECT_TRUE(Exists(server().Path("")));

    run = server().Run({"rm", "-r", "tree"});
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.err, "Unable to delete directory \"tree\".\n");
}

TEST_P(CliRemoteOps, RenamesItems) {
    ASSERT_TRUE(server().MakeFile("old.txt", "content"));
    CliRun run = server().Run({"mv", "old.txt", "new name.txt"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out + run.err, "");
    EXPECT_FALSE(Exists(server().Path("old.txt")));
    EXPECT_EQ(ReadWholeFile(server().Path("new name.txt")), "content");

    run = server().Run({"mv", "old.txt", "other.txt"});
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.err,
              "Cannot rename the file. Please check with your system administrator whether you "
              "have write permission on this folder.\n");
    EXPECT_FALSE(Exists(server().Path("other.txt")));
}

INSTANTIATE_TEST_SUITE_P(Servers, CliRemoteOps, testing::ValuesIn(kServerCases), ServerCaseName);

// Wrong arguments end with status 64 and one line, before any connection is made.
TEST(CliRemoteCommands, WrongArgumentsAreUsageErrors) {
    const std::vector<std::vector<std::string>> cases = {
        {"ls", "a", "b"},
        {"stat"},
        {"get"},
        {"get", "a", "b", "c"},
        {"get", "a", "--append"},
        {"put"},
        {"mkdir"},
        {"rmdir", "a", "b"},
        {"rm"},
        {"rm", "-r"},
        {"mv", "a"},
        {"mkdir", "-r", "a"},
        {"test", "a", "b"},
    };
    for (const std::vector<std::string>& c : cases) {
        // The port is closed: a command that connected would fail with 2 instead.
        std::vector<std::string> args = {"--server", "127.0.0.1:1", "--password", "x"};
        args.insert(args.end(), c.begin(), c.end());
        CliRun run = RunCli(args);
        EXPECT_EQ(run.status, 64) << c[0] << " " << run.err;
        EXPECT_EQ(run.out, "") << c[0];
        EXPECT_EQ(run.err.rfind("brindleftp-cli: ", 0), 0u) << run.err;
        EXPECT_EQ(run.err.find('\n'), run.err.size() - 1) << run.err;
    }
}

}  // namespace
