#pragma once

#include <cstddef>
#include <mutex>
#include <string>
#include <string_view>

#include "process/queued_notify.h"

class LLogger;

// The text behind a log pane: the most recent 2 to 4 KB of lines, filled from any thread. The
// front end derives from it and shows Text() in UpdateView, which runs on the user-interface
// thread after each AddLine.
class LStatusWindow : public LThreadQueuedNotify {
public:
    static constexpr std::size_t kBufferSize = 4096;
    static constexpr std::size_t kDropSize = 2048;

    explicit LStatusWindow(LEventQueue* queue);

    // Appends "time<TAB>text\n" cut to 259 bytes and asks for a refresh.
    void AddLine(std::string_view lineTime, std::string_view text);
    // A copy of the buffered text.
    std::string Text() const;

    void OnThreadNotify() override { UpdateView(); }
    // User-interface thread only.
    virtual void UpdateView() {}

private:
    mutable std::mutex mutex_;
    std::string buffer_;  // its size is the number of bytes used
};

// The main window's log pane: fed by the logger for as long as it exists.
class LLogWindow : public LStatusWindow {
public:
    LLogWindow(LLogger& logger, LEventQueue* queue);
    ~LLogWindow() override;

private:
    LLogger& logger_;
};
