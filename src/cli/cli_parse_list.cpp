#include "cli/cli_parse_list.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <initializer_list>
#include <string>

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

// Everything up to the end of the input. False with errno set on a read error.
bool ReadAll(int fd, std::string& bytes) {
    char buffer[65536];
    for (;;) {
        ssize_t count = read(fd, buffer, sizeof(buffer));
        if (count > 0) {
            bytes.append(buffer, static_cast<std::size_t>(count));
        } else if (count == 0) {
            return true;
        } else if (errno != EINTR) {
            return false;
        }
    }
}

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

std::string FormatParseListOutput(std::string_view input, const ListToday* today) {
    std::string out;
    while (!input.empty()) {
        std::size_t end = input.find('\n');
        std::string_view line = input.substr(0, end);
        input = end == std::string_view::npos ? std::string_view() : input.substr(end + 1);
        while (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        FtpListLine item;
        if (ParseListLine(line, item, today)) {
            AppendRecord(item, out);
        } else {
            out += '-';
        }
        out += '\n';
    }
    return out;
}

int RunParseList(const CliOptions& options, CliServices& services) {
    std::string input;
    if (options.arguments.empty()) {
        if (!ReadAll(STDIN_FILENO, input)) {
            const int error = errno;
            PrintMessageLine(std::string("Unable to read the standard input: ") +
                             std::strerror(error));
            return kExitFailed;
        }
    } else {
        const std::string& path = options.arguments[0];
        InputFile file(path);
        if (file.get() < 0 || !ReadAll(file.get(), input)) {
            const int error = errno;
            PrintMessageLine("Unable to read " + path + ": " + std::strerror(error));
            return kExitFailed;
        }
    }
    std::string output = FormatParseListOutput(input);
    std::fwrite(output.data(), 1, output.size(), stdout);
    return std::fflush(stdout) == 0 ? kExitDone : kExitFailed;
}
