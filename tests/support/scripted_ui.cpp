#include "support/scripted_ui.h"

#include <gtest/gtest.h>

void ScriptedUiServices::RunAlert(LAlertParams& params) {
    params.result = 1;
    if (!answers_.empty()) {
        const Answer answer = answers_.front();
        answers_.pop_front();
        params.checkBoxChecked = answer.checkBox && !params.checkBox.empty();
        params.result = static_cast<std::uint16_t>(answer.button);
        if (answer.button == 0) {  // by the button's text
            const std::string* texts[] = {&params.button1, &params.button2, &params.button3};
            for (std::uint16_t i = 0; i < 3 && params.result == 0; ++i) {
                params.result = !answer.text.empty() && *texts[i] == answer.text ? i + 1 : 0;
            }
            EXPECT_NE(params.result, 0)
                << "alert \"" << params.headline << "\" has no button \"" << answer.text << "\"";
        }
    }
    alerts.push_back(params);
}

bool ScriptedUiServices::AskLogin(LWindow, LoginPromptRequest& request) {
    loginRequests.push_back(request);
    if (!loginAccepted) {
        return false;
    }
    if (loginPassword) {
        request.password = *loginPassword;
    }
    request.rememberPassword = loginRememberPassword;
    return true;
}

bool ScriptedUiServices::OpenWithDefaultApplication(const std::string& path) {
    openedPaths.push_back(path);
    return openSucceeds;
}

bool ScriptedUiServices::ChooseFolder(LWindow, const std::string& title, const std::string&,
                                      std::string& chosen) {
    chooseFolderTitles.push_back(title);
    if (!chosenFolder) {
        return false;
    }
    chosen = *chosenFolder;
    return true;
}

bool RecordingProcessInterface::StopReached() const {
    return stoppedByCalls_ || stopRequested_ ||
           (hasStopTime_ && std::chrono::steady_clock::now() >= stopAt_);
}

bool RecordingProcessInterface::IsStopped() {
    if (queue_ != nullptr) {
        queue_->DispatchPending();
    }
    if (stopAfterCalls_ >= 0 && isStoppedCalls >= stopAfterCalls_) {
        stoppedByCalls_ = true;
    }
    ++isStoppedCalls;
    return StopReached();
}

void RecordingProcessInterface::SetProgress(double fraction) {
    progress.push_back(fraction);
    if (fraction >= stopAtProgress_) {
        RequestStop();
    }
}

LProcessResult RecordingProcessInterface::Sleep(std::uint32_t ms) {
    return waits_.Sleep(ms);
}

LProcessResult RecordingProcessInterface::WaitForEvent(LEvent event, std::uint32_t timeoutMs) {
    return waits_.WaitForEvent(event, timeoutMs);
}

LProcessResult RecordingProcessInterface::WaitForSocket(LSocketSet* set, std::uint32_t timeoutMs) {
    return waits_.WaitForSocket(set, timeoutMs);
}

std::vector<std::string> RecordingProcessInterface::TextsOnLine(std::int32_t line) const {
    std::vector<std::string> texts;
    for (const StatusText& status : statusTexts) {
        if (status.line == line) {
            texts.push_back(status.text);
        }
    }
    return texts;
}

std::string RecordingProcessInterface::LastTextOnLine(std::int32_t line) const {
    std::vector<std::string> texts = TextsOnLine(line);
    return texts.empty() ? std::string() : texts.back();
}

LProcessResult ScriptedProcessLauncher::Run(LWindow parent, const char* title,
                                            const ProcessFunction& process) {
    titles.emplace_back(title ? title : "");
    parents.push_back(parent);
    if (failToShow || !process) {
        results.push_back(LPROCESS_FAILED);
        return LPROCESS_FAILED;
    }
    runs.push_back(std::make_unique<RecordingProcessInterface>());
    RecordingProcessInterface& recording = *runs.back();
    if (prepare) {
        prepare(recording);
    }
    LProcessResult result = process(recording);
    results.push_back(result);
    return result;
}

namespace {

class StopOnStatusText final : public ForwardingProcessInterface {
public:
    StopOnStatusText(RecordingProcessInterface& inner, std::int32_t line,
                     const std::string& trigger)
        : ForwardingProcessInterface(inner), recording_(inner), line_(line), trigger_(trigger) {}

    void SetStatusText(const char* text, std::int32_t line) override {
        ForwardingProcessInterface::SetStatusText(text, line);
        if (line == line_ && text != nullptr &&
            std::string(text).find(trigger_) != std::string::npos) {
            recording_.RequestStop();
        }
    }

private:
    RecordingProcessInterface& recording_;
    std::int32_t line_;
    const std::string& trigger_;
};

}  // namespace

LProcessResult StopOnStatusLauncher::Run(LWindow, const char* title,
                                         const ProcessFunction& process) {
    titles.emplace_back(title != nullptr ? title : "");
    StopOnStatusText iface(recording, line_, trigger_);
    return process(iface);
}
