// What the download walk makes of listed names: which may be written into a local folder, which
// are the folder's own entries, the own name of a listed link, and the remote path of a file.
#include "transfer/download_names.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct NameCase {
    std::string name;
    bool safe;
};

TEST(IsSafeName, AcceptsOnlyNamesOfOneItemInsideAFolder) {
    const NameCase cases[] = {
        {"notes.txt", true},
        {"name with spaces", true},
        {"\xc3\xbcnic\xc3\xb6"
         "de",
         true},
        {"ctl\x01\x1b[2J\x7f", true},
        {"..hidden", true},
        {"...", true},
        {".profile", true},
        {std::string(258, 'a'), true},
        {std::string(259, 'a'), false},
        {"", false},
        {".", false},
        {"..", false},
        {"a/b", false},
        {"../escape", false},
        {"/etc/passwd", false},
        {"dir/", false},
        {"a\\b", false},
        {"..\\escape", false},
    };
    for (const NameCase& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(IsSafeName(c.name), c.safe);
    }
}

TEST(IsDotEntry, KnowsTheFolderAndItsParentWithOrWithoutSlash) {
    for (const char* name : {".", "./", "..", "../"}) {
        EXPECT_TRUE(IsDotEntry(name)) << name;
    }
    for (const char* name : {"", "...", ".x", "..x", "x.", ".//", "a/.."}) {
        EXPECT_FALSE(IsDotEntry(name)) << name;
    }
}

TEST(LinkOwnName, IsThePartBeforeTheArrowWithoutSpaces) {
    EXPECT_TRUE(IsListedLink("docs -> /usr/share/doc"));
    EXPECT_FALSE(IsListedLink("a->b.txt"));
    EXPECT_FALSE(IsListedLink("plain name"));
    EXPECT_EQ(LinkOwnName("docs -> /usr/share/doc"), "docs");
    // Dashes and '>' in the link's own name or its target stay where they belong.
    EXPECT_EQ(LinkOwnName("my-docs -> ../a->b"), "my-docs");
    EXPECT_EQ(LinkOwnName("  spaced name   -> target"), "spaced name");
    EXPECT_EQ(LinkOwnName("a -> b -> c"), "a");
    EXPECT_EQ(LinkOwnName(".. -> /"), "..");
    EXPECT_EQ(LinkOwnName(" -> /"), "");
}

struct RemotePathCase {
    const char* localTarget;
    const char* remoteStart;
    const char* localPath;
    const char* remote;
};

TEST(BuildRemotePath, JoinsTheStartFolderAndThePathBelowTheTarget) {
    const RemotePathCase cases[] = {
        {"/home/u/dl", "/pub", "/home/u/dl/a.txt", "/pub/a.txt"},
        {"/home/u/dl", "/pub", "/home/u/dl/sub dir/b.txt", "/pub/sub dir/b.txt"},
        {"/home/u/dl/", "/pub", "/home/u/dl/a.txt", "/pub/a.txt"},
        {"/home/u/dl", "/", "/home/u/dl/a.txt", "/a.txt"},
        {"/home/u/dl", "/pub/", "/home/u/dl/x/y", "/pub/x/y"},
        {"C:\\dl", "/pub", "C:\\dl\\x\\y.txt", "/pub/x/y.txt"},
    };
    for (const RemotePathCase& c : cases) {
        SCOPED_TRACE(c.localPath);
        EXPECT_EQ(BuildRemotePath(c.localTarget, c.remoteStart, c.localPath), c.remote);
        EXPECT_TRUE(RemotePathFits(c.localTarget, c.remoteStart, c.localPath));
    }
}

TEST(BuildRemotePath, KeepsAtMost259BytesAndSaysWhenThatCuts) {
    const std::string target = "/t";
    const std::string fitting = target + "/" + std::string(254, 'n');  // "/r/" + 254 = 257
    EXPECT_TRUE(RemotePathFits(target, "/r", fitting));
    const std::string longer = target + "/" + std::string(257, 'n');  // "/r/" + 257 = 260
    EXPECT_FALSE(RemotePathFits(target, "/r", longer));
    EXPECT_EQ(BuildRemotePath(target, "/r", longer), "/r/" + std::string(256, 'n'));
    EXPECT_FALSE(RemotePathFits(target, "/", "/t/" + std::string(300, 'x')));
}

}  // namespace
