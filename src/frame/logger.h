#pragma once

#include <ctime>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>

// How a caller ranks a message. The level changes nothing in what is written.
enum LogLevel : int { kLogInfo = 0, kLogWarning = 1, kLogError = 2, kLogStatus = 3 };

class LStatusWindow;

// Appends time-stamped lines to the log file of the local day and feeds them to the log pane.
// Control characters in a text are written as "\xNN" (EscapeControlCharacters), CR LF pairs
// kept. The folder is
// made 0700 and the files 0600 whatever the umask. Callable from any thread; logging never
// fails towards its caller.
class LLogger {
public:
    // folder: where the daily files go. clock: seconds since 1970 (null: time(nullptr)).
    explicit LLogger(std::string folder, std::function<time_t()> clock = {});
    LLogger(const LLogger&) = delete;
    LLogger& operator=(const LLogger&) = delete;

    // An empty text is ignored.
    void Log(LogLevel level, std::string_view text);
    // The pane that also gets every line; null to stop feeding it. Once this returns, the
    // previous pane is no longer used by any thread.
    void SetWindow(LStatusWindow* window);
    // The file the last line went to ("" before the first line).
    std::string CurrentFilePath();

private:
    struct Stamp {
        std::string lineTime;
        std::string filePath;
    };
    Stamp CurrentStamp();

    const std::string folder_;
    const std::function<time_t()> clock_;

    std::mutex stampMutex_;
    time_t lastSecond_ = 0;
    std::string lineTime_;
    std::string filePath_;

    std::mutex windowMutex_;
    LStatusWindow* window_ = nullptr;
};

// The process-wide logger, writing into GetLogFolder(); made on first use.
LLogger& TheLogger();

void Log(LogLevel level, std::string_view text);
// printf rules; the result keeps at most 511 bytes.
void LogFormat(LogLevel level, const char* format, ...) __attribute__((format(printf, 2, 3)));
void LogJoin(LogLevel level, std::string_view prefix, std::string_view text);
