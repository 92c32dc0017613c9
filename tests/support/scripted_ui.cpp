#include "support/scripted_ui.h"

#include <gtest/gtest.h>
#include <poll.h>

#include <algorithm>
#include <cerrno>

void ScriptedUiServices::RunAlert(LAlertParams& params) {
    params.result = 1;
    if (!answers_.empty()) {
        Answer answer = answers_.front();
        answers_.pop_front();
        if (answer.button != 0) {
            params.result = static_cast<std::uint16_t>(answer.button);
        } else {
            const std::string* buttons[] = {&params.button1, &params.button2, &params.button3};
            auto found =
                std::find_if(std::begin(buttons), std::end(buttons),
                             [&](const std::string* text) { return *text == answer.text; });
            if (found == std::end(buttons) || answer.text.empty()) {
                ADD_FAILURE() << "alert \"" << params.headline << "\" has no button \""
                              << answer.text << "\"";
            } else {
                params.result = static_cast<std::uint16_t>(found - std::begin(buttons) + 1);
            }
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

namespace {

// Short enough that a scripted stop ends a wait quickly.
constexpr std::uint32_t kSliceMs = 20;

using Clock = std::chrono::steady_clock;

std::uint32_t SliceOf(std::uint32_t timeoutMs, Clock::time_point start) {
    if (timeoutMs == kWaitForever) {
        return kSliceMs;
    }
    auto spent = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start);
    if (spent.count() >= timeoutMs) {
        return 0;
    }
    return std::min<std::uint32_t>(kSliceMs, timeoutMs - static_cast<std::uint32_t>(spent.count()));
}

}  // namespace

bool RecordingProcessInterface::StopReached() const {
    return stoppedByCalls_ || stopRequested_ || (hasStopTime_ && Clock::now() >= stopAt_);
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

LProcessResult RecordingProcessInterface::Sleep(std::uint32_t ms) {
    Clock::time_point start = Clock::now();
    for (;;) {
        if (StopReached()) {
            return LPROCESS_STOPPED;
        }
        std::uint32_t slice = SliceOf(ms, start);
        if (slice == 0) {
            return LPROCESS_OK;
        }
        poll(nullptr, 0, static_cast<int>(slice));
    }
}

LProcessResult RecordingProcessInterface::WaitForEvent(LEvent event, std::uint32_t timeoutMs) {
    if (event.readEnd < 0) {
        return LPROCESS_FAILED;
    }
    Clock::time_point start = Clock::now();
    for (;;) {
        if (StopReached()) {
            return LPROCESS_STOPPED;
        }
        std::uint32_t slice = SliceOf(timeoutMs, start);
        pollfd readEnd{event.readEnd, POLLIN, 0};
        int ready = poll(&readEnd, 1, static_cast<int>(slice));
        if (ready > 0 || (ready < 0 && errno == EINTR)) {
            return LPROCESS_OK;
        }
        if (slice == 0) {
            return LPROCESS_FAILED;
        }
    }
}

LProcessResult RecordingProcessInterface::WaitForSocket(LSocketSet* set, std::uint32_t timeoutMs) {
    if (set == nullptr || set->maxFd < 0) {
        return LPROCESS_FAILED;
    }
    Clock::time_point start = Clock::now();
    for (;;) {
        if (StopReached()) {
            return LPROCESS_STOPPED;
        }
        std::uint32_t slice = SliceOf(timeoutMs, start);
        fd_set ready = set->set;
        int count = SelectWithTimeout(set->maxFd, &ready, nullptr, nullptr, slice);
        if (count > 0) {
            set->set = ready;
            return LPROCESS_OK;
        }
        if ((count < 0 && errno != EINTR) || slice == 0) {
            return LPROCESS_FAILED;
        }
    }
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
