#include "services/component_install.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <vector>

#include "component_test_support.h"
#include "servers/scripted_peer.h"
#include "support/scripted_ui.h"

namespace {

mode_t ModeOf(const std::string& path) {
    struct stat info {};
    lstat(path.c_str(), &info);
    return info.st_mode & 07777;
}

class InstallOnDemandTest : public ComponentFolderTest {
protected:
    void SetUp() override {
        ComponentFolderTest::SetUp();
        std::string why;
        ASSERT_TRUE(first_.Start(&why)) << why;
        ASSERT_TRUE(second_.Start(&why)) << why;
    }

    // Serves a zip of folder `entryName` holding one library as the archive of `component`.
    void ServeArchive(PythonHttpServer& server, const std::string& component,
                      const std::string& entryName) {
        std::string zip = scratch_.File(component + "-" + entryName + ".zip");
        ASSERT_TRUE(MakeComponentZip(scratch_, zip, entryName, {{"libfoo.so", "library"}}));
        ASSERT_TRUE(
            server.Serve("components/mac/" + ComponentArchiveName(component), ReadWholeFile(zip)));
    }

    bool Install(const std::string& name, std::string& path) {
        return GetComponentPath(launcher_, ui_, nullptr, name, path);
    }

    TempFolder scratch_;
    PythonHttpServer first_;
    PythonHttpServer second_;
    ScriptedProcessLauncher launcher_;
    ScriptedUiServices ui_;
};

TEST_F(InstallOnDemandTest, InstallsAnArchivedComponentFromTheFirstHost) {
    ServeArchive(first_, "flacdec", "flacdec");
    SetComponentHosts(first_.hostText(), second_.hostText());
    std::string path;

    ASSERT_TRUE(Install("flacdec", path));

    EXPECT_EQ(path, ComponentFolder() + "/flacdec");
    EXPECT_EQ(ReadWholeFile(path + "/libfoo.so"), "library");
    EXPECT_EQ(ModeOf(path + "/libfoo.so"), ModeWithinUmask(0777));
    // The downloaded archive is gone once it is unpacked.
    EXPECT_FALSE(PathExists(ComponentFolder() + "/flacdec.zip"));
    EXPECT_EQ(first_.Requests(),
              std::vector<std::string>{"GET /components/mac/flacdec.zip HTTP/1.0"});
    EXPECT_TRUE(second_.Requests().empty());

    ASSERT_EQ(launcher_.titles, std::vector<std::string>{"Install-on-Demand"});
    EXPECT_EQ(launcher_.results, std::vector<LProcessResult>{LPROCESS_OK});
    RecordingProcessInterface& run = launcher_.LastRun();
    EXPECT_EQ(run.LastTextOnLine(0), "Download install-on-demand");
    EXPECT_EQ(run.LastTextOnLine(1), "flacdec");
    EXPECT_TRUE(run.errors.empty());
}

TEST_F(InstallOnDemandTest, AFirstHostThatCannotBeReachedMakesTheSecondBeTried) {
    RefusingPort refusing;
    ServeArchive(second_, "flacdec", "flacdec");
    SetComponentHosts(refusing.hostText(), second_.hostText());
    std::string path;

    ASSERT_TRUE(Install("flacdec", path));
    EXPECT_EQ(ReadWholeFile(path + "/libfoo.so"), "library");
    EXPECT_EQ(second_.Requests().size(), 1u);
    EXPECT_TRUE(launcher_.LastRun().errors.empty());
}

TEST_F(InstallOnDemandTest, AFirstHostWithoutTheArchiveMakesTheSecondBeTried) {
    ServeArchive(second_, "flacdec", "flacdec");
    SetComponentHosts(first_.hostText(), second_.hostText());
    std::string path;

    ASSERT_TRUE(Install("flacdec", path));
    EXPECT_EQ(first_.Requests(),
              std::vector<std::string>{"GET /components/mac/flacdec.zip HTTP/1.0"});
    EXPECT_EQ(second_.Requests().size(), 1u);
}

TEST_F(InstallOnDemandTest, ACancelDuringTheFirstDownloadTriesNoSecondHost) {
    ScriptedPeer stalling;
    stalling.ExpectLine().ExpectLine().ExpectLine();
    stalling.Send("HTTP/1.0 200 OK\r\nContent-Length: 100000\r\n\r\n" + std::string(3000, 'z'));
    stalling.HoldOpen();
    stalling.Start();
    ServeArchive(second_, "flacdec", "flacdec");
    SetComponentHosts(stalling.hostText(), second_.hostText());
    launcher_.prepare = [](RecordingProcessInterface& iface) {
        iface.StopAfter(std::chrono::milliseconds(500));
    };
    std::string path;

    EXPECT_FALSE(Install("flacdec", path));

    EXPECT_EQ(launcher_.results, std::vector<LProcessResult>{LPROCESS_STOPPED});
    EXPECT_TRUE(second_.Requests().empty());
    EXPECT_TRUE(launcher_.LastRun().errors.empty());
    EXPECT_FALSE(PathExists(ComponentFolder() + "/flacdec.zip"));
    EXPECT_FALSE(PathExists(ComponentFolder() + "/flacdec"));
}

TEST_F(InstallOnDemandTest, AnArchiveThatUnpacksToAnotherNameFails) {
    ServeArchive(first_, "flacdec", "something-else");
    ServeArchive(second_, "flacdec", "something-else");
    SetComponentHosts(first_.hostText(), second_.hostText());
    std::string path;

    EXPECT_FALSE(Install("flacdec", path));

    EXPECT_EQ(launcher_.results, std::vector<LProcessResult>{LPROCESS_FAILED});
    // An unpack failure is a failure of the attempt, so the second host was tried too.
    EXPECT_EQ(first_.Requests().size(), 1u);
    EXPECT_EQ(second_.Requests().size(), 1u);
    EXPECT_EQ(launcher_.LastRun().errors,
              std::vector<std::string>{"Error downloading component flacdec"});
    EXPECT_FALSE(PathExists(ComponentFolder() + "/flacdec"));
    EXPECT_FALSE(PathExists(ComponentFolder() + "/flacdec.zip"));
}

TEST_F(InstallOnDemandTest, NeitherHostHavingTheComponentReportsTheError) {
    SetComponentHosts(first_.hostText(), second_.hostText());
    LProcessGetComponentPath process("flacdec");
    RecordingProcessInterface iface;

    EXPECT_EQ(process.Run(iface), LPROCESS_FAILED);
    EXPECT_EQ(process.result(), LPROCESS_FAILED);
    EXPECT_EQ(iface.errors, std::vector<std::string>{"Error downloading component flacdec"});
    EXPECT_EQ(first_.Requests().size(), 1u);
    EXPECT_EQ(second_.Requests().size(), 1u);
}

TEST_F(InstallOnDemandTest, AComponentOutsideTheArchiveListIsStoredAsDownloaded) {
    ASSERT_TRUE(first_.Serve("components/mac/mytool", "#!/bin/sh\n"));
    SetComponentHosts(first_.hostText(), second_.hostText());
    std::string path;

    ASSERT_TRUE(Install("mytool", path));
    EXPECT_EQ(ReadWholeFile(path), "#!/bin/sh\n");
    EXPECT_EQ(ModeOf(path), ModeWithinUmask(0777));
}

TEST_F(InstallOnDemandTest, AProcessorSpecificComponentRunsItsInstallerApplet) {
    std::string zip = scratch_.File("wmadec.zip");
    ASSERT_TRUE(
        MakeComponentZip(scratch_, zip, "wmadec",
                         {{"libwma.so", "library"},
                          {"InstallComponent.app/Contents/MacOS/applet", "#!/bin/sh\nexit 0\n"}}));
    ASSERT_TRUE(first_.Serve("components/mac/wmadeci.zip", ReadWholeFile(zip)));
    SetComponentHosts(first_.hostText(), second_.hostText());
    std::string path;

    ASSERT_TRUE(Install("wmadec", path));
    EXPECT_EQ(first_.Requests(),
              std::vector<std::string>{"GET /components/mac/wmadeci.zip HTTP/1.0"});
}

TEST_F(InstallOnDemandTest, AFailingInstallerAppletFailsTheInstallAndRemovesTheComponent) {
    std::string zip = scratch_.File("wmadec.zip");
    ASSERT_TRUE(
        MakeComponentZip(scratch_, zip, "wmadec",
                         {{"libwma.so", "library"},
                          {"InstallComponent.app/Contents/MacOS/applet", "#!/bin/sh\nexit 3\n"}}));
    ASSERT_TRUE(first_.Serve("components/mac/wmadeci.zip", ReadWholeFile(zip)));
    SetComponentHosts(first_.hostText(), second_.hostText());
    std::string path;

    EXPECT_FALSE(Install("wmadec", path));
    EXPECT_EQ(launcher_.results, std::vector<LProcessResult>{LPROCESS_FAILED});
    EXPECT_FALSE(PathExists(ComponentFolder() + "/wmadec"));
}

TEST_F(InstallOnDemandTest, AnInstalledComponentEndsTheProcessWithoutADownload) {
    ASSERT_TRUE(CreateFolderPath(ComponentFolder() + "/flacdec"));
    SetComponentHosts(first_.hostText(), second_.hostText());
    LProcessGetComponentPath process("flacdec");
    RecordingProcessInterface iface;

    EXPECT_EQ(process.Run(iface), LPROCESS_OK);
    EXPECT_EQ(process.path(), ComponentFolder() + "/flacdec");
    EXPECT_TRUE(first_.Requests().empty());
    EXPECT_TRUE(iface.statusTexts.empty());
}

TEST_F(InstallOnDemandTest, TheProcessNeverDownloadsOpenssl) {
    ASSERT_TRUE(first_.Serve("components/mac/openssl.zip", "another platform's libraries"));
    SetComponentHosts(first_.hostText(), second_.hostText());
    SetSystemTlsCheck([] { return false; });
    LProcessGetComponentPath process("openssl");
    RecordingProcessInterface iface;

    EXPECT_EQ(process.Run(iface), LPROCESS_FAILED);
    EXPECT_TRUE(first_.Requests().empty());
}

using UnpackTest = ComponentFolderTest;

TEST_F(UnpackTest, AnArchivePathIsNeverRunThroughAShell) {
    TempFolder scratch;
    std::string odd = scratch.File("a\"; touch injected; echo \"b $(touch injected2)");
    ASSERT_TRUE(CreateFolderPath(odd));
    std::string zip = odd + "/flacdec.zip";
    ASSERT_TRUE(MakeComponentZip(scratch, zip, "flacdec", {{"lib.so", "x"}}));

    EXPECT_EQ(UnpackComponent("flacdec", zip, false), LPROCESS_OK);
    EXPECT_EQ(ReadWholeFile(ComponentFolder() + "/flacdec/lib.so"), "x");
    EXPECT_TRUE(PathExists(zip));
    EXPECT_FALSE(PathExists("injected"));
    EXPECT_FALSE(PathExists("injected2"));
}

TEST_F(UnpackTest, AnArchiveThatIsNotAZipFailsAndIsDeletedWhenAsked) {
    TempFolder scratch;
    std::string zip = scratch.File("flacdec.zip");
    ASSERT_TRUE(WriteWholeFile(zip, "this is not a zip archive"));

    EXPECT_EQ(UnpackComponent("flacdec", zip, true), LPROCESS_FAILED);
    EXPECT_FALSE(PathExists(zip));
}

class ShippedComponentsTest : public ComponentFolderTest {
protected:
    void SetUp() override {
        ComponentFolderTest::SetUp();
        shipped_ = resources_.File("components/i386");
        ASSERT_TRUE(CreateFolderPath(shipped_));
    }

    TempFolder resources_;
    TempFolder scratch_;
    std::string shipped_;
};

TEST_F(ShippedComponentsTest, AShippedArchiveNamedFooiZipInstallsFoo) {
    ASSERT_TRUE(MakeComponentZip(scratch_, shipped_ + "/fooi.zip", "foo", {{"lib.so", "foo"}}));

    EXPECT_EQ(InstallShippedComponentsFrom(resources_.path()), 1);
    EXPECT_EQ(ReadWholeFile(ComponentFolder() + "/foo/lib.so"), "foo");
    // The archive belongs to the program and stays.
    EXPECT_TRUE(PathExists(shipped_ + "/fooi.zip"));
}

TEST_F(ShippedComponentsTest, AShippedFileIsCopiedOpenedUp) {
    ASSERT_TRUE(WriteWholeFile(shipped_ + "/tool", std::string(20000, 't')));
    chmod((shipped_ + "/tool").c_str(), 0600);

    EXPECT_EQ(InstallShippedComponentsFrom(resources_.path()), 1);
    EXPECT_EQ(ReadWholeFile(ComponentFolder() + "/tool"), std::string(20000, 't'));
    EXPECT_EQ(ModeOf(ComponentFolder() + "/tool"), ModeWithinUmask(0777));
}

TEST_F(ShippedComponentsTest, AnInstalledComponentIsLeftAsItIs) {
    ASSERT_TRUE(WriteWholeFile(ComponentFolder() + "/tool", "installed"));
    ASSERT_TRUE(WriteWholeFile(shipped_ + "/tool", "shipped"));
    ASSERT_TRUE(MakeComponentZip(scratch_, shipped_ + "/fooi.zip", "foo", {{"lib.so", "new"}}));
    ASSERT_TRUE(CreateFolderPath(ComponentFolder() + "/foo"));

    EXPECT_EQ(InstallShippedComponentsFrom(resources_.path()), 0);
    EXPECT_EQ(ReadWholeFile(ComponentFolder() + "/tool"), "installed");
    EXPECT_FALSE(PathExists(ComponentFolder() + "/foo/lib.so"));
}

TEST_F(ShippedComponentsTest, HiddenEntriesAndAMissingFolderInstallNothing) {
    ASSERT_TRUE(WriteWholeFile(shipped_ + "/.DS_Store", "x"));
    EXPECT_EQ(InstallShippedComponentsFrom(resources_.path()), 0);
    EXPECT_FALSE(PathExists(ComponentFolder() + "/.DS_Store"));
    EXPECT_EQ(InstallShippedComponentsFrom(scratch_.File("nothing-here")), 0);
    EXPECT_EQ(InstallShippedComponentsFrom(""), 0);
}

using RepairTest = ComponentFolderTest;

TEST_F(RepairTest, OpensUpEverythingInTheComponentFolder) {
    std::string folder = ComponentFolder();
    ASSERT_TRUE(CreateFolderPath(folder + "/lib/inner"));
    ASSERT_TRUE(WriteWholeFile(folder + "/lib/inner/libx.so", "x"));
    ASSERT_TRUE(WriteWholeFile(folder + "/tool", "t"));
    chmod((folder + "/lib/inner/libx.so").c_str(), 0600);
    chmod((folder + "/tool").c_str(), 0644);
    chmod((folder + "/lib/inner").c_str(), 0700);

    EXPECT_EQ(RepairComponentPermissions(), 0);

    for (const char* item : {"/lib", "/lib/inner", "/lib/inner/libx.so", "/tool"}) {
        EXPECT_EQ(ModeOf(folder + item), ModeWithinUmask(0777)) << item;
    }
}

TEST_F(RepairTest, DoesNotFollowLinksOutOfTheFolder) {
    TempFolder outside;
    std::string target = outside.File("private");
    ASSERT_TRUE(WriteWholeFile(target, "secret"));
    chmod(target.c_str(), 0600);
    ASSERT_EQ(symlink(target.c_str(), (ComponentFolder() + "/link").c_str()), 0);
    ASSERT_EQ(symlink(outside.path().c_str(), (ComponentFolder() + "/folder-link").c_str()), 0);

    EXPECT_EQ(RepairComponentPermissions(), 0);
    EXPECT_EQ(ModeOf(target), 0600u);
}

TEST_F(RepairTest, CreatesAMissingComponentFolder) {
    RemovePath(ComponentFolder());
    EXPECT_EQ(RepairComponentPermissions(), 0);
    EXPECT_TRUE(IsFolderPath(ComponentFolder()));
}

}  // namespace
