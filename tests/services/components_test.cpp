#include "services/components.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <string>

#include "component_test_support.h"
#include "support/scripted_ui.h"

namespace {

mode_t ModeOf(const std::string& path) {
    struct stat info {};
    lstat(path.c_str(), &info);
    return info.st_mode & 07777;
}

TEST(ComponentArchiveName, FollowsTheTwoNameLists) {
    struct Case {
        std::string name;
        std::string archive;
    };
    const Case cases[] = {
        // In the archived list only.
        {"openssl", "openssl.zip"},
        {"flacdec", "flacdec.zip"},
        {"OpenSSL", "OpenSSL.zip"},
        // In both lists: the processor-specific build.
        {"ffmpeg4", "ffmpeg4i.zip"},
        {"mp3el2", "mp3el2i.zip"},
        {"WMADEC", "WMADECi.zip"},
        // In neither.
        {"unknown", "unknown"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ComponentArchiveName(c.name), c.archive) << c.name;
    }
}

TEST(ComponentDownloadPath, IsTheZipBesideTheComponentOnlyForArchivedComponents) {
    EXPECT_EQ(ComponentDownloadPath("/c/flacdec", "flacdec"), "/c/flacdec.zip");
    EXPECT_EQ(ComponentDownloadPath("/c/ffmpeg4", "FFmpeg4"), "/c/ffmpeg4.zip");
    EXPECT_EQ(ComponentDownloadPath("/c/unknown", "unknown"), "/c/unknown");
}

TEST(IsValidComponentName, RefusesNamesThatLeaveTheComponentFolder) {
    EXPECT_TRUE(IsValidComponentName("openssl"));
    EXPECT_TRUE(IsValidComponentName("lib.dylib"));
    for (const char* name : {"", ".", "..", "../x", "a/b", "a\\b"}) {
        EXPECT_FALSE(IsValidComponentName(name)) << name;
    }
}

using ComponentsTest = ComponentFolderTest;

TEST_F(ComponentsTest, TheFolderIsVelmorSoftwareComponentsInTheUserDataFolder) {
    std::string folder;
    ASSERT_TRUE(GetComponentFolder(folder));
    EXPECT_EQ(folder, std::string(std::getenv("XDG_DATA_HOME")) + "/Velmor Software/Components");
    EXPECT_TRUE(IsFolderPath(folder));
}

TEST_F(ComponentsTest, AComponentIsInstalledWhenItsEntryExists) {
    std::string path;
    EXPECT_FALSE(IsComponentInstalled("flacdec", path));
    EXPECT_EQ(path, ComponentFolder() + "/flacdec");

    ASSERT_TRUE(CreateFolderPath(path));
    EXPECT_TRUE(IsComponentInstalled("flacdec", path));
    ASSERT_TRUE(WriteWholeFile(ComponentFolder() + "/tool", "x"));
    EXPECT_TRUE(IsComponentInstalled("tool", path));
}

TEST_F(ComponentsTest, AnInstalledPlainFileIsOpenedUp) {
    std::string file = ComponentFolder() + "/tool";
    ASSERT_TRUE(WriteWholeFile(file, "x"));
    chmod(file.c_str(), 0600);
    std::string path;
    ASSERT_TRUE(IsComponentInstalled("tool", path));
    EXPECT_EQ(ModeOf(file), ModeWithinUmask(0777));
}

TEST_F(ComponentsTest, AnInvalidNameIsNeverInstalled) {
    ASSERT_TRUE(CreateFolderPath(ComponentFolder() + "/sub"));
    std::string path;
    EXPECT_FALSE(IsComponentInstalled("..", path));
    EXPECT_FALSE(IsComponentInstalled("sub/..", path));
    EXPECT_EQ(path, "");
}

TEST_F(ComponentsTest, OpensslIsTheSystemLibraryAndNeedsNoProcess) {
    SetSystemTlsCheck([] { return true; });
    ScriptedProcessLauncher launcher;
    ScriptedUiServices ui;
    std::string path;

    EXPECT_TRUE(GetComponentPath(launcher, ui, nullptr, "openssl", path));
    EXPECT_TRUE(TlsComponentPresent(ui, nullptr));
    EXPECT_EQ(path, ComponentFolder() + "/openssl");
    EXPECT_TRUE(launcher.titles.empty());
    EXPECT_TRUE(ui.alerts.empty());
}

TEST_F(ComponentsTest, AMissingOpensslDownloadsNothingAndAsksForLibssl3) {
    PythonHttpServer server;
    std::string why;
    ASSERT_TRUE(server.Start(&why)) << why;
    ASSERT_TRUE(server.Serve("components/mac/openssl.zip", "not for this platform"));
    SetComponentHosts(server.hostText(), server.hostText());
    SetSystemTlsCheck([] { return false; });
    ScriptedProcessLauncher launcher;
    ScriptedUiServices ui;
    std::string path;

    EXPECT_FALSE(GetComponentPath(launcher, ui, nullptr, "openssl", path));
    EXPECT_FALSE(TlsComponentPresent(ui, nullptr));

    EXPECT_TRUE(launcher.titles.empty());
    EXPECT_TRUE(server.Requests().empty());
    ASSERT_EQ(ui.alerts.size(), 2u);
    EXPECT_NE(ui.alerts[0].text.find("libssl3"), std::string::npos) << ui.alerts[0].text;
    EXPECT_FALSE(PathExists(ComponentFolder() + "/openssl.zip"));
}

TEST_F(ComponentsTest, OpensslInTheFolderDoesNotStandInForTheSystemLibrary) {
    ASSERT_TRUE(CreateFolderPath(ComponentFolder() + "/openssl"));
    SetSystemTlsCheck([] { return false; });
    std::string path;
    EXPECT_FALSE(IsComponentInstalled("openssl", path));
}

TEST_F(ComponentsTest, TheSystemOpensslOfThisMachineCounts) {
    ScriptedUiServices ui;
    // libssl3 is among the packages the program needs.
    EXPECT_TRUE(TlsComponentPresent(ui, nullptr));
    EXPECT_TRUE(ui.alerts.empty());
}

TEST_F(ComponentsTest, AnInstalledComponentNeedsNoProcess) {
    ASSERT_TRUE(CreateFolderPath(ComponentFolder() + "/flacdec"));
    ScriptedProcessLauncher launcher;
    ScriptedUiServices ui;
    std::string path;

    EXPECT_TRUE(GetComponentPath(launcher, ui, nullptr, "flacdec", path));
    EXPECT_EQ(path, ComponentFolder() + "/flacdec");
    EXPECT_TRUE(launcher.titles.empty());
}

}  // namespace
