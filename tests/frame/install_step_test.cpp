#include "frame/install_step.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <ctime>
#include <string>

#include "support/temp_folder.h"

namespace {

mode_t ModeOf(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 ? info.st_mode & 07777 : 0;
}

struct FakeSettings {
    int migrations = 0;
    int dateWrites = 0;
    time_t storedDate = 0;

    InstallSettingsSteps Steps() {
        return {[this] { ++migrations; },
                [this](time_t now) {
                    ++dateWrites;
                    storedDate = now;
                }};
    }
};

TEST(RunInstallStep, CopiesTheTemplateGivesItToTheUserAndRunsTheSettingsSteps) {
    TempFolder temp;
    const std::string templateFolder = temp.File("install");
    ASSERT_EQ(mkdir(templateFolder.c_str(), 0755), 0);
    ASSERT_EQ(mkdir((templateFolder + "/Logs").c_str(), 0755), 0);
    ASSERT_TRUE(WriteWholeFile(templateFolder + "/Logs/readme.txt", "logs go here"));
    const std::string target = temp.File("home/.local/share/Velmor Software/BrindleFTP");
    FakeSettings settings;

    time_t before = time(nullptr);
    // Any owner other than ourselves shows the hand-over; only the super-user can do it.
    const bool root = geteuid() == 0;
    const InstallOwner owner{root ? 65534u : getuid(), root ? 65534u : getgid()};
    RunInstallStepFrom(templateFolder, target, owner, settings.Steps());
    time_t after = time(nullptr);

    EXPECT_EQ(ReadWholeFile(target + "/Logs/readme.txt"), "logs go here");
    for (const std::string& item : {target, target + "/Logs", target + "/Logs/readme.txt"}) {
        struct stat info {};
        ASSERT_EQ(lstat(item.c_str(), &info), 0) << item;
        EXPECT_EQ(info.st_uid, owner.uid) << item;
        EXPECT_EQ(info.st_gid, owner.gid) << item;
        EXPECT_EQ(ModeOf(item) & 0002, 0u) << item << " is writable by other users";
    }
    EXPECT_EQ(settings.migrations, 1);
    EXPECT_EQ(settings.dateWrites, 1);
    EXPECT_GE(settings.storedDate, before);
    EXPECT_LE(settings.storedDate, after);
}

TEST(RunInstallStep, EveryStepIsTriedWhenTheTemplateIsMissing) {
    TempFolder temp;
    FakeSettings settings;
    RunInstallStepFrom(temp.File("absent"), temp.File("target"), std::nullopt, settings.Steps());
    EXPECT_EQ(settings.migrations, 1);
    EXPECT_EQ(settings.dateWrites, 1);
}

// An empty target (no such user) must not turn into the current folder.
TEST(RunInstallStep, EmptyTargetChangesNoFilesButRunsTheSettingsSteps) {
    TempFolder temp;
    ASSERT_EQ(mkdir(temp.File("install").c_str(), 0755), 0);
    ASSERT_EQ(mkdir(temp.File("work").c_str(), 0755), 0);
    ASSERT_TRUE(WriteWholeFile(temp.File("install/file"), "x"));
    ASSERT_EQ(chmod(temp.File("install/file").c_str(), 0644), 0);
    char previous[4096];
    ASSERT_NE(getcwd(previous, sizeof previous), nullptr);
    ASSERT_EQ(chdir(temp.File("work").c_str()), 0);
    FakeSettings settings;
    RunInstallStepFrom(temp.File("install"), "", std::nullopt, settings.Steps());
    ASSERT_EQ(chdir(previous), 0);

    EXPECT_EQ(ReadWholeFile(temp.File("work/file")), "");
    EXPECT_EQ(ModeOf(temp.File("install/file")), 0644u) << "the template was changed";
    EXPECT_EQ(settings.migrations, 1);
    EXPECT_EQ(settings.dateWrites, 1);
}

TEST(RunInstallStep, CopiesWithoutSettingsStepsGiven) {
    TempFolder temp;
    ASSERT_EQ(mkdir(temp.File("install").c_str(), 0755), 0);
    ASSERT_TRUE(WriteWholeFile(temp.File("install/file"), "x"));
    RunInstallStepFrom(temp.File("install"), temp.File("target"), std::nullopt,
                       InstallSettingsSteps{});
    EXPECT_EQ(ReadWholeFile(temp.File("target/file")), "x");
}

}  // namespace
