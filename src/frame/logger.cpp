#include "frame/logger.h"
#include "frame/file_descriptor.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <utility>

#include "frame/control_escape.h"
#include "frame/file_lock.h"
#include "frame/paths.h"
#include "frame/status_window.h"

namespace {

constexpr std::size_t kLogFormatSize = 512;

// printf into a buffer of `size` bytes: the result keeps at most size - 1 of them.
std::string FormatCut(std::size_t size, const char* format, va_list args) {
    std::string out(size, '\0');
    int length = std::vsnprintf(out.data(), out.size(), format, args);
    out.resize(length < 0 ? 0 : std::min(static_cast<std::size_t>(length), size - 1));
    return out;
}

std::string FormatSmall(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string FormatSmall(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::string out = FormatCut(64, format, args);
    va_end(args);
    return out;
}

// The log holds server names, user names and paths: for the user alone, whatever the umask,
// also when an earlier version made the file readable by others.
constexpr mode_t kLogFileMode = 0600;
constexpr mode_t kLogFolderMode = 0700;

void MakeFolderPrivate(const std::string& folder) {
    mkdir(folder.c_str(), kLogFolderMode);
    chmod(folder.c_str(), kLogFolderMode);
}

void AppendLine(const std::string& path, std::string_view line) {
    FileDescriptor file(
        open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, kLogFileMode));
    if (file.get() < 0) {
        return;
    }
    struct stat info {};
    if (fstat(file.get(), &info) == 0 && (info.st_mode & 07777) != kLogFileMode) {
        fchmod(file.get(), kLogFileMode);
    }
    // Another writer's lock is waited for about half a second; the line is written either way.
    LockFileWithPatience(file.get(), LOCK_EX);
    while (!line.empty()) {
        ssize_t written = write(file.get(), line.data(), line.size());
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            return;
        }
        line.remove_prefix(static_cast<std::size_t>(written));
    }
}

}  // namespace

LLogger::LLogger(std::string folder, std::function<time_t()> clock)
    : folder_(std::move(folder)), clock_(std::move(clock)) {}

LLogger::Stamp LLogger::CurrentStamp() {
    time_t now = clock_ ? clock_() : time(nullptr);
    std::lock_guard<std::mutex> lock(stampMutex_);
    if (filePath_.empty()) {
        MakeFolderPrivate(folder_);
    }
    if (now != lastSecond_ || filePath_.empty()) {
        tm local{};
        localtime_r(&now, &local);
        lineTime_ = FormatSmall("%.2d:%.2d:%.2d", local.tm_hour, local.tm_min, local.tm_sec);
        filePath_ =
            PathJoin(folder_, FormatSmall("%.4d-%.2d-%.2d Brindle FTP Log.txt",
                                          local.tm_year + 1900, local.tm_mon + 1, local.tm_mday));
        lastSecond_ = now;
    }
    return {lineTime_, filePath_};
}

void LLogger::Log(LogLevel level, std::string_view given) {
    if (given.empty()) {
        return;
    }
    // Nothing a server sent can act on a terminal showing the file or break its lines.
    const std::string text = EscapeControlCharacters(given, true);
    Stamp stamp = CurrentStamp();
    std::string line;
    line.reserve(stamp.lineTime.size() + text.size() + 3);
    line.append(stamp.lineTime).append(" ").append(text).append("\r\n");
    AppendLine(stamp.filePath, line);

    // Held while the pane is fed, so that a pane being destroyed waits for the feeding to end.
    std::lock_guard<std::mutex> lock(windowMutex_);
    if (window_ != nullptr) {
        window_->AddLine(stamp.lineTime, text);
    }
}

void LLogger::SetWindow(LStatusWindow* window) {
    std::lock_guard<std::mutex> lock(windowMutex_);
    window_ = window;
}

std::string LLogger::CurrentFilePath() {
    std::lock_guard<std::mutex> lock(stampMutex_);
    return filePath_;
}

LLogger& TheLogger() {
    static LLogger logger(GetLogFolder());
    return logger;
}

void Log(LogLevel level, std::string_view text) {
    TheLogger().Log(level, text);
}

void LogFormat(LogLevel level, const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::string text = FormatCut(kLogFormatSize, format, args);
    va_end(args);
    Log(level, text);
}

void LogJoin(LogLevel level, std::string_view prefix, std::string_view text) {
    std::string joined;
    joined.reserve(prefix.size() + text.size());
    joined.append(prefix).append(text);
    Log(level, joined);
}
