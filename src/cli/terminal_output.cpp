#include "cli/terminal_output.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>

#include "frame/control_escape.h"

namespace {

// Whether the cursor sits at the end of a drawn progress line.
bool progressLineShown = false;

void WriteStderr(std::string_view bytes) {
    std::fwrite(bytes.data(), 1, bytes.size(), stderr);
    std::fflush(stderr);
}

constexpr std::string_view kClearLine = "\r\033[K";

}  // namespace

std::string TerminalSafeText(std::string_view text) {
    std::string safe;
    safe.reserve(text.size());
    for (char c : text) {
        auto byte = static_cast<unsigned char>(c);
        if (c == '\n' || c == '\r' || c == '\t') {
            safe += ' ';
        } else if (byte < 0x20 || byte == 0x7f) {
            safe += '?';
        } else {
            safe += c;
        }
    }
    return safe;
}

std::string CutToColumns(std::string_view text, std::size_t columns) {
    std::size_t characters = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        bool continuation = (static_cast<unsigned char>(text[i]) & 0xC0) == 0x80;
        if (continuation) {
            continue;
        }
        if (characters == columns) {
            return std::string(text.substr(0, i));
        }
        ++characters;
    }
    return std::string(text);
}

std::size_t TerminalColumns(int fd) {
    winsize size{};
    if (ioctl(fd, TIOCGWINSZ, &size) == 0 && size.ws_col > 0) {
        return size.ws_col;
    }
    return 80;
}

bool ProgressWanted(bool quiet) {
    return !quiet && isatty(STDERR_FILENO) == 1;
}

void PrintMessageLine(std::string_view text) {
    std::string out;
    if (progressLineShown) {
        out = kClearLine;
        progressLineShown = false;
    }
    out += TerminalSafeText(text);
    out += '\n';
    WriteStderr(out);
}

void DrawProgressLine(std::string_view line) {
    // One column short of the width: writing the last column makes some terminals wrap.
    std::size_t columns = TerminalColumns(STDERR_FILENO);
    std::string out(kClearLine);
    out += CutToColumns(TerminalSafeText(line), columns > 1 ? columns - 1 : columns);
    WriteStderr(out);
    progressLineShown = true;
}

void ClearProgressLine() {
    if (progressLineShown) {
        WriteStderr(kClearLine);
        progressLineShown = false;
    }
}

void WriteOutputLine(std::string_view text) {
    static const bool toTerminal = isatty(STDOUT_FILENO) == 1;
    std::string shown;
    if (toTerminal && HasControlCharacters(text)) {
        // Tabs separate the fields of a result.
        for (std::size_t start = 0, tab; start <= text.size(); start = tab + 1) {
            tab = std::min(text.find('\t', start), text.size());
            shown += EscapeControlCharacters(text.substr(start, tab - start));
            shown += tab < text.size() ? "\t" : "";
        }
        text = shown;
    }
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fputc('\n', stdout);
}
