#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "process/forwarding_interface.h"
#include "process/process_interface.h"
#include "process/process_launcher.h"
#include "process/queued_notify.h"
#include "process/stoppable_waits.h"
#include "process/ui_services.h"

// User-interface services with answers scripted by the test. Every call is recorded.
class ScriptedUiServices final : public UserInterfaceServices {
public:
    // The next alert is answered with this button (1 to 3). Without a queued answer an alert
    // is answered with button 1.
    // `checkBox` ticks the alert's check box, when it has one.
    void AnswerWith(int button, bool checkBox = false) {
        answers_.push_back({button, {}, checkBox});
    }
    // The next alert is answered with the button carrying this text; a test failure when the
    // alert has no such button.
    void AnswerWithText(std::string buttonText, bool checkBox = false) {
        answers_.push_back({0, std::move(buttonText), checkBox});
    }
    std::size_t PendingAnswers() const { return answers_.size(); }

    void RunAlert(LAlertParams& params) override;
    bool AskLogin(LWindow parent, LoginPromptRequest& request) override;
    void SetBusy(bool busy) override { busyCalls.push_back(busy); }
    bool OpenWithDefaultApplication(const std::string& path) override;
    bool ChooseFolder(LWindow parent, const std::string& title, const std::string& startFolder,
                      std::string& chosen) override;

    // Every alert as it was run, result included.
    std::vector<LAlertParams> alerts;

    // The login prompt: the requests as they arrived; what the "user" answers.
    std::vector<LoginPromptRequest> loginRequests;
    bool loginAccepted = true;
    std::optional<std::string> loginPassword;  // typed into the prompt when set
    bool loginRememberPassword = false;

    std::vector<bool> busyCalls;

    std::vector<std::string> openedPaths;
    bool openSucceeds = true;

    // The folder chooser: the titles it was shown with; the answer (nullopt: cancelled).
    std::vector<std::string> chooseFolderTitles;
    std::optional<std::string> chosenFolder;

private:
    struct Answer {
        int button;
        std::string text;
        bool checkBox;
    };
    std::deque<Answer> answers_;
};

// A process interface that records what the process shows and stops when the test says so.
// Waits behave like LProcessInterfaceVoid's, except that they look at the stop in short slices.
class RecordingProcessInterface final : public LProcessInterface {
public:
    struct StatusText {
        std::int32_t line;
        std::string text;
    };

    // IsStopped answers false `calls` times, then true.
    void StopAfterCalls(int calls) { stopAfterCalls_ = calls; }
    // Everything reports stopped once this much time has passed from now.
    void StopAfter(std::chrono::milliseconds delay) {
        stopAt_ = std::chrono::steady_clock::now() + delay;
        hasStopTime_ = true;
    }
    // From any thread.
    void RequestStop() { stopRequested_ = true; }
    // Stops once the progress reaches `fraction`: a user cancelling at that byte count.
    void StopAtProgress(double fraction) { stopAtProgress_ = fraction; }
    // Work posted to this queue runs whenever the process asks IsStopped.
    void DrainOnIsStopped(ManualEventQueue* queue) { queue_ = queue; }

    bool IsStopped() override;
    LProcessResult Sleep(std::uint32_t ms) override;
    LProcessResult WaitForEvent(LEvent event, std::uint32_t timeoutMs) override;
    LProcessResult WaitForSocket(LSocketSet* set, std::uint32_t timeoutMs) override;
    void ReportError(const char* text) override { errors.emplace_back(text ? text : ""); }
    void SetStatusText(const char* text, std::int32_t line) override {
        statusTexts.push_back({line, text ? text : ""});
    }
    void SetProgress(double fraction) override;
    void SetProgressIndeterminate() override { ++indeterminateCalls; }
    void SetProgressDeterminate() override { ++determinateCalls; }

    // The texts given for one line, in order.
    std::vector<std::string> TextsOnLine(std::int32_t line) const;
    // The last text given for a line; "" when none.
    std::string LastTextOnLine(std::int32_t line) const;

    std::vector<StatusText> statusTexts;
    std::vector<double> progress;
    std::vector<std::string> errors;
    int indeterminateCalls = 0;
    int determinateCalls = 0;
    int isStoppedCalls = 0;

private:
    // The stop as the waits see it: does not count as a call of IsStopped.
    bool StopReached() const;

    int stopAfterCalls_ = -1;
    double stopAtProgress_ = std::numeric_limits<double>::infinity();
    bool hasStopTime_ = false;
    std::chrono::steady_clock::time_point stopAt_;
    std::atomic<bool> stopRequested_{false};
    bool stoppedByCalls_ = false;
    ManualEventQueue* queue_ = nullptr;
    // Short slices, so that a scripted stop ends a wait quickly.
    StoppableWaits waits_{20, [this] { return StopReached(); }};
};

// Runs each process with a fresh RecordingProcessInterface and keeps it for the test.
class ScriptedProcessLauncher final : public ProcessLauncher {
public:
    LProcessResult Run(LWindow parent, const char* title, const ProcessFunction& process) override;

    // Called with each run's interface before the process starts (to script a stop).
    std::function<void(RecordingProcessInterface&)> prepare;
    // Pretends the progress user interface cannot be made: nothing runs, the result is failed.
    bool failToShow = false;

    std::vector<std::string> titles;
    std::vector<LWindow> parents;
    std::vector<LProcessResult> results;
    std::vector<std::unique_ptr<RecordingProcessInterface>> runs;

    RecordingProcessInterface& LastRun() { return *runs.back(); }
};

// Runs each process under one recording interface that is asked to stop as soon as the process
// shows a status text on `line` containing `trigger`: a user pressing Cancel at that moment.
class StopOnStatusLauncher final : public ProcessLauncher {
public:
    StopOnStatusLauncher(std::int32_t line, std::string trigger)
        : line_(line), trigger_(std::move(trigger)) {}
    LProcessResult Run(LWindow parent, const char* title, const ProcessFunction& process) override;

    RecordingProcessInterface recording;
    std::vector<std::string> titles;

private:
    std::int32_t line_;
    std::string trigger_;
};
