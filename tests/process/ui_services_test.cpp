// The alert operations: which buttons, kind and headline each shows, and what each returns
// for the button pressed.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "support/scripted_ui.h"

namespace {

int kParentObject;
LWindow const kParent = &kParentObject;

struct AlertCase {
    const char* name;
    std::function<void(UserInterfaceServices&)> show;
    std::uint16_t kind;
    const char* headline;
    const char* button1;
    const char* button2;
    const char* button3;
    LWindow parent;
};

TEST(AlertOperations, ShowTheirButtonsKindAndHeadline) {
    const AlertCase cases[] = {
        {"MessageBox", [](UserInterfaceServices& ui) { ui.MessageBox(kParent, "text", "head"); },
         kAlertStop, "head", "OK", "", "", kParent},
        {"NoteBox", [](UserInterfaceServices& ui) { ui.NoteBox(kParent, "text", "head"); },
         kAlertNote, "head", "OK", "", "", kParent},
        {"CautionBox", [](UserInterfaceServices& ui) { ui.CautionBox(kParent, "text", "head"); },
         kAlertCaution, "head", "OK", "", "", kParent},
        {"ErrorBox", [](UserInterfaceServices& ui) { ui.ErrorBox("text"); }, kAlertStop, "Error",
         "OK", "", "", nullptr},
        {"AlertBox caution",
         [](UserInterfaceServices& ui) { ui.AlertBox("head", "text", kAlertCaution); },
         kAlertCaution, "head", "OK", "", "", nullptr},
        {"AlertBox stop",
         [](UserInterfaceServices& ui) { ui.AlertBox("head", "text", kAlertStop); }, kAlertStop,
         "head", "OK", "", "", nullptr},
        {"YesNoBox", [](UserInterfaceServices& ui) { ui.YesNoBox(kParent, "text", "head"); },
         kAlertNote, "head", "Yes", "No", "", kParent},
        {"YesNoBox without parent", [](UserInterfaceServices& ui) { ui.YesNoBox("text", "head"); },
         kAlertNote, "head", "Yes", "No", "", nullptr},
        {"OkCancelBox", [](UserInterfaceServices& ui) { ui.OkCancelBox(kParent, "text", "head"); },
         kAlertNote, "head", "OK", "Cancel", "", kParent},
        {"YesNoCancelBox",
         [](UserInterfaceServices& ui) { ui.YesNoCancelBox(kParent, "text", "head"); }, kAlertNote,
         "head", "Yes", "Cancel", "No", kParent},
        {"AskBox",
         [](UserInterfaceServices& ui) { ui.AskBox(kParent, "text", "head", "Replace", "Skip"); },
         kAlertNote, "head", "Replace", "Skip", "", kParent},
    };
    for (const AlertCase& c : cases) {
        ScriptedUiServices ui;
        c.show(ui);
        ASSERT_EQ(ui.alerts.size(), 1u) << c.name;
        const LAlertParams& alert = ui.alerts[0];
        EXPECT_EQ(alert.kind, c.kind) << c.name;
        EXPECT_EQ(alert.text, "text") << c.name;
        EXPECT_EQ(alert.headline, c.headline) << c.name;
        EXPECT_EQ(alert.button1, c.button1) << c.name;
        EXPECT_EQ(alert.button2, c.button2) << c.name;
        EXPECT_EQ(alert.button3, c.button3) << c.name;
        EXPECT_EQ(alert.parent, c.parent) << c.name;
    }
}

TEST(AlertOperations, YesNoCancelBoxReturnsTheButtonNumber) {
    struct Case {
        const char* pressed;
        int expected;
    };
    for (Case c : {Case{"Yes", 1}, Case{"Cancel", 2}, Case{"No", 3}}) {
        ScriptedUiServices ui;
        ui.AnswerWithText(c.pressed);
        EXPECT_EQ(ui.YesNoCancelBox(nullptr, "text", "head"), c.expected) << c.pressed;
    }
}

TEST(AlertOperations, QuestionsAreTrueOnlyForTheFirstButton) {
    struct Case {
        const char* name;
        std::function<bool(UserInterfaceServices&)> ask;
    };
    const Case cases[] = {
        {"YesNoBox", [](UserInterfaceServices& ui) { return ui.YesNoBox(nullptr, "t", "h"); }},
        {"YesNoBox without parent",
         [](UserInterfaceServices& ui) { return ui.YesNoBox("t", "h"); }},
        {"OkCancelBox",
         [](UserInterfaceServices& ui) { return ui.OkCancelBox(nullptr, "t", "h"); }},
        {"AskBox",
         [](UserInterfaceServices& ui) { return ui.AskBox(nullptr, "t", "h", "Go", "Stay"); }},
    };
    for (const Case& c : cases) {
        ScriptedUiServices ui;
        ui.AnswerWith(1);
        ui.AnswerWith(2);
        EXPECT_TRUE(c.ask(ui)) << c.name;
        EXPECT_FALSE(c.ask(ui)) << c.name;
    }
}

TEST(AlertOperations, ResultIsPresetToTheFirstButton) {
    // A front end that shows the alert without touching the result leaves button 1.
    struct Untouched final : UserInterfaceServices {
        std::uint16_t seen = 0;
        void RunAlert(LAlertParams& params) override { seen = params.result; }
        bool AskLogin(LWindow, LoginPromptRequest&) override { return false; }
        void SetBusy(bool) override {}
        bool OpenWithDefaultApplication(const std::string&) override { return false; }
        bool ChooseFolder(LWindow, const std::string&, const std::string&, std::string&) override {
            return false;
        }
    } ui;
    EXPECT_EQ(ui.YesNoCancelBox(nullptr, "t", "h"), 1);
    EXPECT_EQ(ui.seen, 1);
    EXPECT_TRUE(ui.YesNoBox("t", "h"));
}

TEST(AlertOperations, KeepAtMost519BytesOfTextAnd259OfHeadline) {
    struct Case {
        std::size_t textLength;
        std::size_t headlineLength;
        std::size_t keptText;
        std::size_t keptHeadline;
    };
    const Case cases[] = {
        {519, 259, 519, 259},
        {520, 260, 519, 259},
        {2000, 1000, 519, 259},
        {10, 10, 10, 10},
    };
    for (const Case& c : cases) {
        ScriptedUiServices ui;
        ui.NoteBox(nullptr, std::string(c.textLength, 't'), std::string(c.headlineLength, 'h'));
        ASSERT_EQ(ui.alerts.size(), 1u);
        EXPECT_EQ(ui.alerts[0].text, std::string(c.keptText, 't'));
        EXPECT_EQ(ui.alerts[0].headline, std::string(c.keptHeadline, 'h'));
    }
}

TEST(ScriptedUiServices, AnswersInTheOrderQueuedThenWithTheFirstButton) {
    ScriptedUiServices ui;
    ui.AnswerWith(3);
    ui.AnswerWithText("Cancel");
    EXPECT_EQ(ui.YesNoCancelBox(nullptr, "1", "h"), 3);
    EXPECT_EQ(ui.YesNoCancelBox(nullptr, "2", "h"), 2);
    EXPECT_EQ(ui.YesNoCancelBox(nullptr, "3", "h"), 1);
    ASSERT_EQ(ui.alerts.size(), 3u);
    EXPECT_EQ(ui.alerts[1].result, 2);
    EXPECT_EQ(ui.PendingAnswers(), 0u);
}

// --- the scripted process fixtures other tests rely on ----------------------------------------

TEST(RecordingProcessInterface, StopsAfterTheScriptedNumberOfCalls) {
    RecordingProcessInterface ui;
    ui.StopAfterCalls(2);
    EXPECT_FALSE(ui.IsStopped());
    EXPECT_FALSE(ui.IsStopped());
    EXPECT_TRUE(ui.IsStopped());
    EXPECT_EQ(ui.Sleep(5000), LPROCESS_STOPPED);
    EXPECT_EQ(ui.isStoppedCalls, 3);
}

TEST(RecordingProcessInterface, WaitsEndWithStoppedOnceTheScriptedTimeHasPassed) {
    RecordingProcessInterface ui;
    EXPECT_EQ(ui.Sleep(1), LPROCESS_OK);
    ui.StopAfter(std::chrono::milliseconds(50));
    LEventOwner event;
    EXPECT_EQ(ui.WaitForEvent(event.get(), kWaitForever), LPROCESS_STOPPED);
    EXPECT_TRUE(ui.IsStopped());
}

TEST(RecordingProcessInterface, RecordsTextsPerLineProgressAndErrors) {
    RecordingProcessInterface ui;
    ChildInterface child(&ui, 4, 2);
    ui.SetStatusText("Downloading file 3 of 4", 0);
    child.SetStatusText("dropped", 0);
    child.SetStatusText("a.txt: 50%", 1);
    child.SetProgress(0.5);
    ui.ReportError("Unable to connect to server.");
    EXPECT_EQ(ui.TextsOnLine(0), std::vector<std::string>{"Downloading file 3 of 4"});
    EXPECT_EQ(ui.LastTextOnLine(1), "a.txt: 50%");
    EXPECT_EQ(ui.progress, std::vector<double>{0.625});
    EXPECT_EQ(ui.errors, std::vector<std::string>{"Unable to connect to server."});
}

TEST(ScriptedProcessLauncher, RecordsEachRunAndCanRefuseToShow) {
    ScriptedProcessLauncher launcher;
    launcher.prepare = [](RecordingProcessInterface& ui) { ui.StopAfterCalls(0); };
    LProcessResult result = launcher.Run(nullptr, "FTP Download", [](LProcessInterface& ui) {
        ui.SetStatusText("working", 0);
        return ui.IsStopped() ? LPROCESS_STOPPED : LPROCESS_OK;
    });
    EXPECT_EQ(result, LPROCESS_STOPPED);
    EXPECT_EQ(launcher.LastRun().LastTextOnLine(0), "working");

    launcher.failToShow = true;
    bool ran = false;
    EXPECT_EQ(launcher.Run(nullptr, "FTP Connect",
                           [&](LProcessInterface&) {
                               ran = true;
                               return LPROCESS_OK;
                           }),
              LPROCESS_FAILED);
    EXPECT_FALSE(ran);
    EXPECT_EQ(launcher.titles, (std::vector<std::string>{"FTP Download", "FTP Connect"}));
    EXPECT_EQ(launcher.runs.size(), 1u);
}

}  // namespace
