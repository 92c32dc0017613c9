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

TEST(RunInstallStep, CopiesTheTemplateOpensItUpAndRunsTheSettingsSteps) {
    TempFolder temp;
    const std::string templateFolder = temp.File("install");
    ASSERT_EQ(mkdir(templateFolder.c_str(), 0755), 0);
    ASSERT_EQ(mkdir((templateFolder + "/Logs").c_str(), 0755), 0);
    ASSERT_TRUE(WriteWholeFile(templateFolder + "/Logs/readme.txt", "logs go here"));
    const std::string target = temp.File("home/.local/share/Velmor Software/BrindleFTP");
    FakeSettings settings;

    time_t before = time(nullptr);
    RunInstallStepFrom(templateFolder, target, settings.Steps());
    time_t after = time(nullptr);

    EXPECT_EQ(ReadWholeFile(target + "/Logs/readme.txt"), "logs go here");
    for (const std::string& item : {target, target + "/Logs", target + "/Logs/readme.txt"}) {
        EXPECT_EQ(ModeOf(item) & 0066, 0066u) << item << " is not open to group and others";
    }
    EXPECT_EQ(settings.migrations, 1);
    EXPECT_EQ(settings.dateWrites, 1);
    EXPECT_GE(settings.storedDate, before);
    EXPECT_LE(settings.storedDate, after);
}

TEST(RunInstallStep, EveryStepIsTriedWhenTheTemplateIsMissing) {
    TempFolder temp;
    FakeSettings settings;
    RunInstallStepFrom(temp.File("absent"), temp.File("target"), settings.Steps());
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
    RunInstallStepFrom(temp.File("install"), "", settings.Steps());
    ASSERT_EQ(chdir(previous), 0);

    EXPECT_EQ(ReadWholeFile(temp.File("work/file")), "");
    EXPECT_EQ(ModeOf(temp.File("install/file")), 0644u) << "the template was opened up";
    EXPECT_EQ(settings.migrations, 1);
    EXPECT_EQ(settings.dateWrites, 1);
}

TEST(RunInstallStep, CopiesWithoutSettingsStepsGiven) {
    TempFolder temp;
    ASSERT_EQ(mkdir(temp.File("install").c_str(), 0755), 0);
    ASSERT_TRUE(WriteWholeFile(temp.File("install/file"), "x"));
    RunInstallStepFrom(temp.File("install"), temp.File("target"), InstallSettingsSteps{});
    EXPECT_EQ(ReadWholeFile(temp.File("target/file")), "x");
}

}  // namespace
