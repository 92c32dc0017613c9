#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <deque>
#include <functional>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "process/process_interface.h"
#include "process/process_launcher.h"
#include "process/stoppable_waits.h"
#include "process/ui_services.h"

// User-interface services with answers scripted by the test. Every call is recorded.
class ScriptedUiServices final : public UserInterfaceServices {
public:
    // The next alert is answered with this button (1 to 3), or with the button of this text (a
    // test failure when there is none); `checkBox` ticks its check box. Unscripted: button 1.
    void AnswerWith(int button, bool checkBox = false) {
        answers_.push_back({button, {}, checkBox});
    }
    void AnswerWithText(std::string text, bool checkBox = false) {
        answers_.push_back({0, std::move(text), checkBox});
    }
    std::size_t PendingAnswers() const { return answers_.size(); }

    void RunAlert(LAlertParams& params) override {
        params.result = 1;
        if (!answers_.empty()) {
            const Answer answer = answers_.front();
            answers_.pop_front();
            params.checkBoxChecked = answer.checkBox && !params.checkBox.empty();
            params.result = static_cast<std::uint16_t>(answer.button);
            const std::string* texts[] = {&params.button1, &params.button2, &params.button3};
            for (std::uint16_t i = 0; i < 3 && params.result == 0; ++i) {
                params.result = !answer.text.empty() && *texts[i] == answer.text ? i + 1 : 0;
            }
            EXPECT_NE(params.result, 0)
                << "alert \"" << params.headline << "\" has no button \"" << answer.text << "\"";
        }
        alerts.push_back(params);
    }
    bool AskLogin(LWindow, LoginPromptRequest& request) override {
        loginRequests.push_back(request);
        if (loginAccepted) {
            request.password = loginPassword.value_or(request.password);
            request.rememberPassword = false;
        }
        return loginAccepted;
    }
    void SetBusy(bool busy) override { busyCalls.push_back(busy); }
    bool OpenWithDefaultApplication(const std::string& path) override {
        openedPaths.push_back(path);
        return true;
    }
    bool ChooseFolder(LWindow, const std::string&, const std::string& start,
                      std::string& chosen) override {
        return Choose(start, chosen);
    }
    bool ChooseSaveFile(LWindow, const std::string&, const std::string& start,
                        std::string& chosen) override {
        return Choose(start, chosen);
    }

    // The certificate questions asked, answered in turn from certificateAnswers (Cancel when it
    // has run out).
    CertificateTrust AskCertificateTrust(const CertificateQuestion& question) override {
        certificateQuestions.push_back(question);
        const CertificateTrust answer =
            certificateAnswers.empty() ? CertificateTrust::kCancel : certificateAnswers.front();
        !certificateAnswers.empty() ? certificateAnswers.pop_front() : void();
        return answer;
    }

    std::vector<LAlertParams> alerts;  // as run, result included
    std::vector<LoginPromptRequest> loginRequests;
    bool loginAccepted = true;
    std::optional<std::string> loginPassword;  // typed into the prompt when set
    std::vector<bool> busyCalls;
    std::vector<std::string> openedPaths;
    // What the folder and save-file choosers answer (unset: Cancel), and where each started.
    std::optional<std::string> chosenPath;
    std::vector<std::string> chooserStarts;
    std::deque<CertificateTrust> certificateAnswers;
    std::vector<CertificateQuestion> certificateQuestions;

private:
    bool Choose(const std::string& start, std::string& chosen) {
        chooserStarts.push_back(start);
        chosen = chosenPath.value_or(chosen);
        return chosenPath.has_value();
    }

    struct Answer {
        int button;
        std::string text;
        bool checkBox;
    };
    std::deque<Answer> answers_;
};

// A process interface that records what the process shows and stops when the test says so.
// Its waits look at the stop in short slices.
class RecordingProcessInterface final : public LProcessInterface {
public:
    struct StatusText {
        std::int32_t line;
        std::string text;
    };

    // IsStopped answers false `calls` times, then true.
    void StopAfterCalls(int calls) { stopAfterCalls_ = calls; }
    void RequestStop() { stopRequested_ = true; }  // from any thread
    // A user cancelling once the progress reaches `fraction`, or once the process shows a
    // status text on `line` containing `text`.
    void StopAtProgress(double fraction) { stopAtProgress_ = fraction; }
    void StopAtStatus(std::int32_t line, std::string text) { stopAt_ = {line, std::move(text)}; }

    bool IsStopped() override {
        stopRequested_ = stopRequested_ || (stopAfterCalls_ >= 0 && stopAfterCalls_-- == 0);
        return stopRequested_;
    }
    LProcessResult Sleep(std::uint32_t ms) override { return waits_.Sleep(ms); }
    LProcessResult WaitForEvent(LEvent event, std::uint32_t timeoutMs) override {
        return waits_.WaitForEvent(event, timeoutMs);
    }
    LProcessResult WaitForSocket(LSocketSet* set, std::uint32_t timeoutMs) override {
        return waits_.WaitForSocket(set, timeoutMs);
    }
    void ReportError(const char* text) override { errors.emplace_back(text ? text : ""); }
    void SetStatusText(const char* text, std::int32_t line) override {
        statusTexts.push_back({line, text ? text : ""});
        stopRequested_ =
            stopRequested_ || (line == stopAt_.line &&
                               statusTexts.back().text.find(stopAt_.text) != std::string::npos);
    }
    void SetProgress(double fraction) override {
        progress.push_back(fraction);
        stopRequested_ = stopRequested_ || fraction >= stopAtProgress_;
    }
    void SetProgressIndeterminate() override {}
    void SetProgressDeterminate() override {}

    std::vector<std::string> TextsOnLine(std::int32_t line) const {
        std::vector<std::string> texts;
        for (const StatusText& status : statusTexts) {
            status.line == line ? texts.push_back(status.text) : void();
        }
        return texts;
    }
    std::string LastTextOnLine(std::int32_t line) const {
        const std::vector<std::string> texts = TextsOnLine(line);
        return texts.empty() ? "" : texts.back();
    }

    std::vector<StatusText> statusTexts;
    std::vector<double> progress;
    std::vector<std::string> errors;

private:
    int stopAfterCalls_ = -1;
    double stopAtProgress_ = std::numeric_limits<double>::infinity();
    StatusText stopAt_{std::numeric_limits<std::int32_t>::min(), ""};
    std::atomic<bool> stopRequested_{false};
    StoppableWaits waits_{20, [this] { return stopRequested_.load(); }};
};

// Runs each process with a fresh RecordingProcessInterface and keeps it for the test.
class ScriptedProcessLauncher final : public ProcessLauncher {
public:
    LProcessResult Run(LWindow, const char* title, const ProcessFunction& process) override {
        titles.emplace_back(title ? title : "");
        LProcessResult result = LPROCESS_FAILED;
        if (process) {
            runs.push_back(std::make_unique<RecordingProcessInterface>());
            prepare ? prepare(*runs.back()) : void();
            result = process(*runs.back());
        }
        results.push_back(result);
        return result;
    }

    // Called with each run's interface before the process starts (to script a stop).
    std::function<void(RecordingProcessInterface&)> prepare;
    std::vector<std::string> titles;
    std::vector<LProcessResult> results;
    std::vector<std::unique_ptr<RecordingProcessInterface>> runs;

    RecordingProcessInterface& LastRun() { return *runs.back(); }
};

// Runs each process under one recording interface that stops as soon as the process shows a
// status text on `line` containing `trigger`: a user pressing Cancel at that moment.
class StopOnStatusLauncher final : public ProcessLauncher {
public:
    StopOnStatusLauncher(std::int32_t line, std::string trigger) {
        recording.StopAtStatus(line, std::move(trigger));
    }
    LProcessResult Run(LWindow, const char* title, const ProcessFunction& process) override {
        titles.emplace_back(title ? title : "");
        return process(recording);
    }

    RecordingProcessInterface recording;
    std::vector<std::string> titles;
};
