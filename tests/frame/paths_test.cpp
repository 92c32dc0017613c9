#include "frame/paths.h"

#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

#include <string>

#include "support/temp_folder.h"

namespace {

bool IsFolder(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

TEST(PathJoin, PutsOneSeparatorBetweenTheParts) {
    const std::string longFolder(300, 'f');
    struct Case {
        std::string folder;
        std::string name;
        std::string expected;
    } cases[] = {
        {"/a/", "b", "/a/b"},
        {"/a", "b", "/a/b"},
        {"C:\\x\\", "b", "C:\\x\\b"},
        {"", "b", "b"},
        // At most 258 bytes of folder, and 259 bytes in all.
        {longFolder, "name", std::string(258, 'f') + "/"},
        {std::string(250, 'f'), std::string(20, 'n'),
         std::string(250, 'f') + "/" + std::string(8, 'n')},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(PathJoin(c.folder, c.name), c.expected) << c.folder << " + " << c.name;
    }
}

TEST(CreateFolderPath, CreatesEveryMissingParent) {
    TempFolder temp;
    const std::string nested = temp.File("one/two/three");
    EXPECT_TRUE(CreateFolderPath(nested));
    EXPECT_TRUE(IsFolder(nested));
    EXPECT_TRUE(CreateFolderPath(nested)) << "an existing folder counts as created";
}

TEST(CreateFolderPath, FailsBelowAFile) {
    TempFolder temp;
    ASSERT_TRUE(WriteWholeFile(temp.File("plain"), "x"));
    EXPECT_FALSE(CreateFolderPath(temp.File("plain/sub")));
    EXPECT_FALSE(CreateFolderPath(""));
}

}  // namespace

namespace {

// Puts a stand-in for xdg-user-dir (a shell script) first on PATH for one test.
class FakeXdgUserDir {
public:
    explicit FakeXdgUserDir(const std::string& script) {
        const char* path = std::getenv("PATH");
        previousPath_ = path != nullptr ? path : "";
        std::string program = folder_.File("xdg-user-dir");
        WriteWholeFile(program, "#!/bin/sh\n" + script + "\n");
        chmod(program.c_str(), 0700);
        setenv("PATH", (folder_.path() + ":" + previousPath_).c_str(), 1);
    }
    ~FakeXdgUserDir() { setenv("PATH", previousPath_.c_str(), 1); }

private:
    TempFolder folder_;
    std::string previousPath_;
};

TEST(GetDocumentsFolder, IsWhatXdgUserDirAnswers) {
    FakeXdgUserDir fake("[ \"$1\" = DOCUMENTS ] && echo /srv/papers/Dokumente");
    EXPECT_EQ(GetDocumentsFolder(), "/srv/papers/Dokumente");
}

TEST(GetDocumentsFolder, FallsBackToDocumentsInTheHome) {
    const std::string home = std::getenv("HOME");
    const std::string fallBack = home + "/Documents";
    struct Case {
        const char* script;
        const char* why;
    } cases[] = {
        {"echo \"$HOME\"", "the home itself: xdg-user-dir's answer for an unset folder"},
        {"echo \"$HOME/\"", "the home with a slash"},
        {"exit 1", "a failure"},
        {"true", "no answer"},
        {"echo relative/Docs", "a relative path"},
    };
    for (const Case& c : cases) {
        FakeXdgUserDir fake(c.script);
        EXPECT_EQ(GetDocumentsFolder(), fallBack) << c.why;
    }
}

TEST(GetDocumentsFolder, FallsBackWhenXdgUserDirIsNotInstalled) {
    TempFolder empty;
    const std::string previous = std::getenv("PATH");
    setenv("PATH", empty.path().c_str(), 1);
    std::string documents = GetDocumentsFolder();
    setenv("PATH", previous.c_str(), 1);
    EXPECT_EQ(documents, std::string(std::getenv("HOME")) + "/Documents");
}

TEST(GetDataFolderOfUser, IsBelowThatUsersHomeFromThePasswordDatabase) {
    passwd* me = getpwuid(getuid());
    ASSERT_NE(me, nullptr);
    const std::string name = me->pw_name;
    const std::string home = me->pw_dir;
    // HOME does not count: the installer runs for another user than itself.
    EXPECT_EQ(GetDataFolderOfUser(name), PathJoin(home, ".local/share/Velmor Software/BrindleFTP"));
    EXPECT_EQ(GetDataFolderOfUser(""), "");
    EXPECT_EQ(GetDataFolderOfUser("no-such-user-of-brindle"), "");
}

TEST(GetHelpFolder, IsAHelpFolderEndingInASlash) {
    std::string help = GetHelpFolder();
    ASSERT_GE(help.size(), 6u);
    EXPECT_EQ(help.substr(help.size() - 6), "/help/");
}

}  // namespace
