#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QScrollBar>
#include <QTest>
#include <memory>
#include <string>
#include <thread>

#include "frame/logger.h"
#include "support/temp_folder.h"
#include "ui/log/log_pane.h"

namespace {

bool PaneShows(const LogPane& pane, const std::string& piece) {
    return pane.toPlainText().toStdString().find(piece) != std::string::npos;
}

TEST(LogPane, ShowsALineLoggedOnAnotherThreadUntilItCloses) {
    TempFolder folder;
    LLogger logger(folder.path());
    auto pane = std::make_unique<LogPane>(logger);
    std::thread([&logger] { logger.Log(kLogInfo, "from a worker"); }).join();
    EXPECT_TRUE(QTest::qWaitFor([&] { return PaneShows(*pane, "\tfrom a worker\n"); }, 5000));
    // A window closed with lines still on their way: nothing reaches the gone pane.
    logger.Log(kLogInfo, "late");
    pane.reset();
    logger.Log(kLogInfo, "later");
    QCoreApplication::processEvents();
}

TEST(LogPane, KeepsTheNewestTwoToFourKilobytesScrolledToTheEnd) {
    TempFolder folder;
    LLogger logger(folder.path());
    LogPane pane(logger);
    pane.resize(300, 100);
    pane.show();
    std::thread([&logger] {
        for (int i = 0; i < 200; ++i) {
            logger.Log(kLogInfo, "line " + std::to_string(i) + ": " + std::string(60, 'x'));
        }
    }).join();
    ASSERT_TRUE(QTest::qWaitFor([&] { return PaneShows(pane, "line 199: "); }, 5000));
    const std::size_t size = pane.toPlainText().toUtf8().size();
    EXPECT_TRUE(size >= 2048 && size <= 4096) << size;
    EXPECT_FALSE(PaneShows(pane, "line 0: "));
    const QScrollBar* bar = pane.verticalScrollBar();
    EXPECT_GT(bar->maximum(), 0);
    EXPECT_EQ(bar->value(), bar->maximum());
}

}  // namespace
