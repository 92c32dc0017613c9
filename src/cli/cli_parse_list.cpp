#include "cli/cli_parse_list.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "cli/cli_exit.h"
#include "cli/terminal_output.h"

namespace {

class InputFile {
public:
    explicit InputFile(const std::string& path) : fd_(open(path.c_str(), O_RDONLY | O_CLOEXEC)) {}
    ~InputFile() {
        if (fd_ >= 0) {
            close(fd_);
        }
    }
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;

    int get() const { return fd_; }

private:
    int fd_;
};

void AppendRecord(const FtpListLine& item, std::string& out) {
    out += std::to_string(item.size);
    for (int value : {int{item.isFolder}, int{item.isLink}, item.year, item.month, item.day,
                      item.hour, item.minute, int{item.hasTime}}) {
        out += '\t';
        out += std::to_string(value);
    }
    out += '\t';
    out += item.name;
}

}  // namespace

ParseListLines::ParseListLines(const ListToday* today, Output output)
    : today_(today), output_(std::move(output)) {}

void ParseListLines::Feed(std::string_view bytes) {
    while (!bytes.empty()) {
        const std::size_t end = bytes.find('\n');
        const std::string_view part = bytes.substr(0, end);
        if (!tooLong_) {
            // One CR beyond the limit may still be the line's own ending.
            const std::size_t room = kParseListLineLimit + 1 - line_.size();
            if (part.size() > room) {
                tooLong_ = true;
                line_.clear();
            } else {
                line_.append(part);
            }
        }
        if (end == std::string_view::npos) {
            return;
        }
        EndLine();
        bytes.remove_prefix(end + 1);
    }
}

void ParseListLines::Finish() {
    if (tooLong_ || !line_.empty()) {
        EndLine();
    }
}

void ParseListLines::EndLine() {
    if (!tooLong_ && line_.size() > kParseListLineLimit && line_.back() != '\r') {
        tooLong_ = true;
    }
    std::string_view line = line_;
    while (!line.empty() && line.back() == '\r') {
        line.remove_suffix(1);
    }
    out_.clear();
    FtpListLine item;
    if (!tooLong_ && ParseListLine(line, item, today_)) {
        AppendRecord(item, out_);
    } else {
        out_ += '-';
    }
    out_ += '\n';
    output_(out_);
    line_.clear();
    tooLong_ = false;
}

std::string FormatParseListOutput(std::string_view input, const ListToday* today) {
    std::string out;
    ParseListLines lines(today, [&out](std::string_view line) { out.append(line); });
    lines.Feed(input);
    lines.Finish();
    return out;
}

namespace {

// Feeds everything up to the end of the input. False with errno set on a read error.
bool FeedAll(int fd, ParseListLines& lines) {
    std::vector<char> buffer(256 * 1024);
    for (;;) {
        ssize_t count = read(fd, buffer.data(), buffer.size());
        if (count > 0) {
            lines.Feed(std::string_view(buffer.data(), static_cast<std::size_t>(count)));
        } else if (count == 0) {
            lines.Finish();
            return true;
        } else if (errno != EINTR) {
            return false;
        }
    }
}

}  // namespace

int RunParseList(const CliOptions& options, CliServices& services) {
    ParseListLines lines(
        nullptr, [](std::string_view line) { std::fwrite(line.data(), 1, line.size(), stdout); });
    if (options.arguments.empty()) {
        if (!FeedAll(STDIN_FILENO, lines)) {
            const int error = errno;
            PrintMessageLine(std::string("Unable to read the standard input: ") +
                             std::strerror(error));
            return kExitFailed;
        }
    } else {
        const std::string& path = options.arguments[0];
        InputFile file(path);
        if (file.get() < 0 || !FeedAll(file.get(), lines)) {
            const int error = errno;
            PrintMessageLine("Unable to read " + path + ": " + std::strerror(error));
            return kExitFailed;
        }
    }
    return std::fflush(stdout) == 0 ? kExitDone : kExitFailed;
}
