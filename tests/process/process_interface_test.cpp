#include "process/process_interface.h"

#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>

#include "support/elapsed.h"
#include "support/scripted_ui.h"

namespace {

using Clock = std::chrono::steady_clock;

TEST(ChildInterface, MapsItsProgressIntoTheItemsShareOfTheParentsBar) {
    RecordingProcessInterface parent;
    ChildInterface child(&parent, 4, 2);
    child.SetProgress(0.5);
    child.SetProgress(0.0);
    child.SetProgress(1.0);
    // A small file's last block overshoots; the share stays the item's own.
    child.SetProgress(10.24);
    EXPECT_EQ(parent.progress, (std::vector<double>{0.625, 0.5, 0.75, 0.75}));
}

TEST(ChildInterface, DropsLineZeroTextsAndPassesLaterLines) {
    RecordingProcessInterface parent;
    ChildInterface child(&parent, 3, 0);
    child.SetStatusText("Downloading file 1 of 3", 0);
    child.SetStatusText("report.txt: 50%", 1);
    child.ReportError("kept by the list process, not the item");
    ASSERT_EQ(parent.statusTexts.size(), 1u);
    EXPECT_EQ(parent.statusTexts[0].line, 1);
    EXPECT_EQ(parent.statusTexts[0].text, "report.txt: 50%");
    EXPECT_TRUE(parent.errors.empty());
}

TEST(ChildInterface, AsksItsParentWhetherToStop) {
    RecordingProcessInterface parent;
    parent.StopAfterCalls(1);
    ChildInterface child(&parent, 2, 1);
    EXPECT_FALSE(child.IsStopped());
    EXPECT_TRUE(child.IsStopped());
}

TEST(LEvent, ResetAfterThreeSignalsLeavesItUnsignalled) {
    LEventOwner owner;
    LEvent& event = owner.get();
    EXPECT_FALSE(event.IsSignalled());
    event.Signal();
    event.Signal();
    event.Signal();
    EXPECT_TRUE(event.IsSignalled());
    event.Reset();
    EXPECT_FALSE(event.IsSignalled());
}

TEST(LProcessInterfaceVoid, NeverStopsAndSleepsForTheTimeAsked) {
    LProcessInterfaceVoidInstance iface;
    EXPECT_FALSE(iface.IsStopped());
    auto start = Clock::now();
    EXPECT_EQ(iface.Sleep(100), LPROCESS_OK);
    double elapsed = SecondsSince(start);
    EXPECT_GE(elapsed, 0.1);
    EXPECT_LT(elapsed, 3.0);
}

TEST(LProcessInterfaceVoid, WaitForEventSucceedsOnlyWhenSignalled) {
    LEventOwner owner;
    LProcessInterfaceVoidInstance iface;
    EXPECT_EQ(iface.WaitForEvent(owner.get(), 200), LPROCESS_FAILED);
    owner.get().Signal();
    EXPECT_EQ(iface.WaitForEvent(owner.get(), 200), LPROCESS_OK);
    // The wait does not reset the event.
    EXPECT_EQ(iface.WaitForEvent(owner.get(), 0), LPROCESS_OK);
}

TEST(LProcessInterfaceVoid, WaitForSocketReportsReadiness) {
    int fds[2];
    ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM, 0, fds), 0);
    LProcessInterfaceVoidInstance iface;
    LSocketSet idle;
    ASSERT_TRUE(idle.Add(fds[0]));
    EXPECT_EQ(iface.WaitForSocket(&idle, 200), LPROCESS_FAILED);
    ASSERT_EQ(write(fds[1], "x", 1), 1);
    LSocketSet ready;
    ASSERT_TRUE(ready.Add(fds[0]));
    EXPECT_EQ(iface.WaitForSocket(&ready, 200), LPROCESS_OK);
    close(fds[0]);
    close(fds[1]);
}

TEST(ProcessResultText, NamesTheResultsForItemStatusFields) {
    EXPECT_STREQ(ProcessResultText(LPROCESS_OK), "");
    EXPECT_STREQ(ProcessResultText(LPROCESS_STOPPED), "LPROCESS_STOPPED");
    EXPECT_STREQ(ProcessResultText(LPROCESS_FAILED), "LPROCESS_FAILED");
}

}  // namespace
