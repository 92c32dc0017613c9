#include "frame/logger.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <thread>

#include "frame/status_window.h"
#include "support/temp_folder.h"

namespace {

constexpr time_t kMarch5At102030 = 1709634030;  // 2024-03-05 10:20:30 UTC
constexpr time_t kMarch5At235959 = 1709683199;  // 2024-03-05 23:59:59 UTC
const char kMarch5File[] = "2024-03-05 Brindle FTP Log.txt";
const char kMarch6File[] = "2024-03-06 Brindle FTP Log.txt";

class CountingLogWindow : public LLogWindow {
public:
    CountingLogWindow(LLogger& logger, LEventQueue* queue, int& updates)
        : LLogWindow(logger, queue), updates_(updates) {}
    void UpdateView() override {
        ++updates_;
        shown = Text();
        viewThread = std::this_thread::get_id();
    }
    std::string shown;
    std::thread::id viewThread;

private:
    int& updates_;
};

class LoggerTest : public testing::Test {
protected:
    void SetUp() override {
        if (const char* tz = std::getenv("TZ")) {
            savedTz_ = tz;
        }
        setenv("TZ", "UTC", 1);
        tzset();
    }
    void TearDown() override {
        if (savedTz_) {
            setenv("TZ", savedTz_->c_str(), 1);
        } else {
            unsetenv("TZ");
        }
        tzset();
    }

    std::string FileText(const char* name) const { return ReadWholeFile(folder.File(name)); }

    TempFolder folder;
    time_t now = kMarch5At102030;
    LLogger logger{folder.path(), [this] { return now; }};
    ManualEventQueue queue;

private:
    std::optional<std::string> savedTz_;
};

TEST_F(LoggerTest, LinesOfOneSecondShareTimeAndFile) {
    logger.Log(kLogInfo, "first");
    logger.Log(kLogError, "second");
    EXPECT_EQ(logger.CurrentFilePath(), folder.File(kMarch5File));
    EXPECT_EQ(FileText(kMarch5File), "10:20:30 first\r\n10:20:30 second\r\n");
}

TEST_F(LoggerTest, FollowsTheLocalDayIncludingAClockSetBack) {
    struct Step {
        time_t second;
        const char* message;
    } steps[] = {
        {kMarch5At235959, "before"},
        {kMarch5At235959 + 1, "after"},
        {kMarch5At235959, "again"},
    };
    for (const Step& step : steps) {
        now = step.second;
        logger.Log(kLogInfo, step.message);
    }
    EXPECT_EQ(FileText(kMarch5File), "23:59:59 before\r\n23:59:59 again\r\n");
    EXPECT_EQ(FileText(kMarch6File), "00:00:00 after\r\n");
}

TEST_F(LoggerTest, WritesLongMessagesWholeButCutsThemInThePane) {
    int updates = 0;
    CountingLogWindow window(logger, &queue, updates);
    std::string message;
    for (int i = 0; i < 300; ++i) {
        message += static_cast<char>('a' + i % 26);
    }
    logger.Log(kLogInfo, message);
    EXPECT_EQ(FileText(kMarch5File), "10:20:30 " + message + "\r\n");
    std::string pane = window.Text();
    EXPECT_EQ(pane.size(), 259u);
    EXPECT_EQ(pane, "10:20:30\t" + message.substr(0, 250));
}

TEST_F(LoggerTest, IgnoresAnEmptyMessage) {
    int updates = 0;
    CountingLogWindow window(logger, &queue, updates);
    logger.Log(kLogInfo, "");
    EXPECT_TRUE(std::filesystem::is_empty(folder.path()));
    EXPECT_EQ(window.Text(), "");
    EXPECT_EQ(queue.DispatchPending(), 0);
}

TEST_F(LoggerTest, WaitsAboutHalfASecondForAnotherWritersLockThenWritesAnyway) {
    const std::string path = folder.File(kMarch5File);
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0666);
        if (fd < 0 || flock(fd, LOCK_EX) != 0) {
            _exit(1);
        }
        [[maybe_unused]] ssize_t sent = write(ready[1], "x", 1);
        timespec hold{2, 0};
        nanosleep(&hold, nullptr);
        _exit(0);
    }
    close(ready[1]);
    char byte = 0;
    ASSERT_EQ(read(ready[0], &byte, 1), 1) << "the child could not lock the file";
    close(ready[0]);

    auto start = std::chrono::steady_clock::now();
    logger.Log(kLogInfo, "despite the lock");
    std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
    std::string text = FileText(kMarch5File);

    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
    EXPECT_GT(elapsed.count(), 0.4);
    EXPECT_LT(elapsed.count(), 1.9);
    EXPECT_EQ(text, "10:20:30 despite the lock\r\n");
}

TEST_F(LoggerTest, PaneShowsLinesOfOtherThreadsOnlyWhenTheQueueIsDrained) {
    int updates = 0;
    CountingLogWindow window(logger, &queue, updates);
    std::thread worker([this] { logger.Log(kLogStatus, "from a worker"); });
    worker.join();
    EXPECT_EQ(updates, 0);
    EXPECT_EQ(window.Text(), "10:20:30\tfrom a worker\n");

    EXPECT_EQ(queue.DispatchPending(), 1);
    EXPECT_EQ(updates, 1);
    EXPECT_EQ(window.shown, "10:20:30\tfrom a worker\n");
    EXPECT_EQ(window.viewThread, std::this_thread::get_id());
}

TEST_F(LoggerTest, DestroyedPaneIsNeitherFedNorNotified) {
    int updates = 0;
    auto window = std::make_unique<CountingLogWindow>(logger, &queue, updates);
    logger.Log(kLogInfo, "while open");
    window.reset();
    logger.Log(kLogInfo, "after close");
    EXPECT_EQ(queue.DispatchPending(), 1) << "only the open pane's line asked for a refresh";
    EXPECT_EQ(updates, 0);
    EXPECT_EQ(FileText(kMarch5File), "10:20:30 while open\r\n10:20:30 after close\r\n");
}

TEST(LogFormat, KeepsAtMost511BytesAndLogJoinConcatenates) {
    const std::string longText(600, 'y');
    LogFormat(kLogWarning, "%s", longText.c_str());
    std::string text = ReadWholeFile(TheLogger().CurrentFilePath());
    EXPECT_TRUE(text.ends_with(" " + std::string(511, 'y') + "\r\n"));

    LogJoin(kLogInfo, "Downloaded ", "file OK.");
    text = ReadWholeFile(TheLogger().CurrentFilePath());
    EXPECT_TRUE(text.ends_with(" Downloaded file OK.\r\n"));
}

}  // namespace
