#include <gtest/gtest.h>

#include <map>
#include <thread>

#include "process/process_interface.h"
#include "process/queued_notify.h"
#include "support/case_table.h"
#include "support/scripted_ui.h"
#include "support/temp_folder.h"

TEST(ProcessInterfaces, ChildMapsIntoItsItemsShareVoidWaitsEndOnASignalOrTheForwardedStop) {
    RecordingProcessInterface parent;
    parent.StopAfterCalls(1);
    ChildInterface child(&parent, 4, 2);
    for (double fraction : {0.5, 0.0, 1.0, 10.24}) {  // a last block may overshoot
        child.SetProgress(fraction);
    }
    child.SetStatusText("Downloading file 1 of 3", 0);
    child.SetStatusText("report.txt: 50%", 1);
    child.ReportError("kept by the list process");
    EXPECT_EQ(parent.progress, (std::vector<double>{0.625, 0.5, 0.75, 0.75}));
    EXPECT_EQ(parent.statusTexts.size(), 1u);
    EXPECT_EQ(parent.LastTextOnLine(1), "report.txt: 50%");
    EXPECT_TRUE(parent.errors.empty());
    EXPECT_FALSE(child.IsStopped());
    EXPECT_TRUE(child.IsStopped());
    LEventOwner owner;
    LProcessInterfaceVoidInstance iface;
    LSocketSet idle, ready;  // the event's pipe as a socket
    ASSERT_TRUE(idle.Add(owner.get().readEnd) && ready.Add(owner.get().readEnd));
    EXPECT_EQ(iface.WaitForEvent(owner.get(), 100), LPROCESS_FAILED);
    EXPECT_EQ(iface.WaitForSocket(&idle, 100), LPROCESS_FAILED);
    owner.get().Signal();
    owner.get().Signal();
    EXPECT_EQ(iface.WaitForEvent(owner.get(), 100), LPROCESS_OK);
    EXPECT_EQ(iface.WaitForSocket(&ready, 100), LPROCESS_OK);
    EXPECT_TRUE(owner.get().IsSignalled());  // waiting does not reset it
    owner.get().Reset();
    EXPECT_FALSE(owner.get().IsSignalled());
    // The silent form of a stopped interface shows nothing but stops, and waits as it does.
    RecordingProcessInterface stopped;
    stopped.RequestStop();
    LProcessInterfaceVoidInstance silent(stopped);
    silent.SetStatusText("not shown", 1);
    silent.ReportError("not shown");
    EXPECT_TRUE(silent.IsStopped() && stopped.statusTexts.empty() && stopped.errors.empty());
    EXPECT_EQ(silent.Sleep(60000), LPROCESS_STOPPED);
}

struct Recorder final : LQueuedNotifyDataHandler, LThreadQueuedNotify {
    explicit Recorder(LEventQueue* q) : LQueuedNotifyDataHandler(q), LThreadQueuedNotify(q) {}
    void OnQueuedNotify(std::uint32_t code, void* data, std::uint32_t size) override {
        EXPECT_EQ(std::this_thread::get_id(), drainer);  // only when the queue is drained
        seen.push_back(std::to_string(code) + ":" +
                       (data ? std::string(static_cast<char*>(data), size) : "null"));
    }
    void OnThreadNotify() override { seen.push_back("thread"); }
    std::vector<std::string> seen;
    std::thread::id drainer = std::this_thread::get_id();
};

TEST(QueuedNotify, CopiesInOrderRunsOnTheDrainingThreadAndDropsForGoneHandlers) {
    ManualEventQueue queue;
    auto recorder = std::make_unique<Recorder>(&queue);
    LQueuedNotifyDataSender sender;
    sender.Attach(recorder.get());
    char buffer[] = "before";
    std::thread([&] {
        sender.PostQueuedNotify(0, nullptr, 0);
        sender.PostQueuedNotify(7, buffer, 6);
        recorder->PostThreadNotify();
    }).join();
    buffer[0] = 'X';
    EXPECT_EQ(queue.DispatchPending(), 3);
    EXPECT_EQ(recorder->seen, (std::vector<std::string>{"0:null", "7:before", "thread"}));
    sender.PostQueuedNotify(2, "late", 4);
    recorder->PostThreadNotify();
    recorder.reset();
    EXPECT_EQ(queue.DispatchPending(), 2);  // they run, but reach no freed handler
    sender.Detach();
    sender.PostQueuedNotify(3, nullptr, 0);
    EXPECT_EQ(queue.DispatchPending(), 0);
}

static int kParentObject;
static LWindow const kParent = &kParentObject;
static bool checked = false;
// The alert operations of data/process/alerts.tsv; -1 for those that return nothing.
static const std::map<std::string, std::function<int(UserInterfaceServices&)>> kAlerts = {
    {"MessageBox", [](auto& ui) { return ui.MessageBox(kParent, "text", "head"), -1; }},
    {"NoteBox", [](auto& ui) { return ui.NoteBox(kParent, "text", "head"), -1; }},
    {"CautionBox", [](auto& ui) { return ui.CautionBox(kParent, "text", "head"), -1; }},
    {"ErrorBox", [](auto& ui) { return ui.ErrorBox("text"), -1; }},
    {"AlertBox", [](auto& ui) { return ui.AlertBox("head", "text", kAlertCaution), -1; }},
    {"YesNoBox", [](auto& ui) { return int(ui.YesNoBox(kParent, "text", "head")); }},
    {"YesNoBox without parent", [](auto& ui) { return int(ui.YesNoBox("text", "head")); }},
    {"YesNoBox with check box",
     [](auto& ui) { return int(ui.YesNoBox(kParent, "text", "head", "Again", checked)); }},
    {"OkCancelBox", [](auto& ui) { return int(ui.OkCancelBox(kParent, "text", "head")); }},
    {"YesNoCancelBox", [](auto& ui) { return ui.YesNoCancelBox(kParent, "text", "head"); }},
    {"AskBox", [](auto& ui) { return int(ui.AskBox(kParent, "text", "head", "Go", "Skip")); }},
};

TEST(Alerts, ShowTheirKindHeadlineAndButtonsReturnTheButtonPressedAndCutLongTexts) {
    for (const auto& [name, row] : LoadCases("process/alerts.tsv")) {
        std::string results;
        for (int pressed = 1; pressed <= 3; ++pressed) {
            ScriptedUiServices ui;
            ui.AnswerWith(pressed, true);
            checked = false;
            results += std::to_string(kAlerts.at(row[0])(ui)) + (pressed < 3 ? " " : "");
            const LAlertParams& a = ui.alerts.at(0);
            EXPECT_EQ(std::to_string(a.kind) + " " + a.headline + " " + a.button1 + "|" +
                          a.button2 + "|" + a.button3 + (a.parent ? " parent" : " none") +
                          (checked ? " checked" : ""),
                      row[1])
                << name;
        }
        EXPECT_EQ(results, row.at(2)) << name;
    }
    ScriptedUiServices ui;
    ui.NoteBox(nullptr, std::string(520, 't'), std::string(260, 'h'));
    EXPECT_EQ(ui.alerts[0].text + ui.alerts[0].headline,
              std::string(519, 't') + std::string(259, 'h'));
}
