#include "cli/user_terminal.h"

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>

#include "cli/interrupt.h"
#include "cli/terminal_output.h"

UserTerminal::UserTerminal() {
    if (isatty(STDIN_FILENO) != 1) {
        return;
    }
    fd_ = open("/dev/tty", O_RDWR | O_CLOEXEC | O_NOCTTY);
}

UserTerminal::~UserTerminal() {
    if (fd_ >= 0) {
        close(fd_);
    }
}

void UserTerminal::Write(std::string_view text) const {
    while (fd_ >= 0 && !text.empty()) {
        ssize_t written = write(fd_, text.data(), text.size());
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            return;
        }
        text.remove_prefix(static_cast<std::size_t>(written));
    }
}

bool UserTerminal::ReadLine(std::string& line) const {
    line.clear();
    for (;;) {
        char c;
        ssize_t n = read(fd_, &c, 1);
        if (n == 1) {
            if (c == '\n') {
                return true;
            }
            line += c;
            continue;
        }
        // Ctrl+C during a run interrupts the read and sets the stop flag; other signals do not
        // end the question.
        if (n < 0 && errno == EINTR && !StopRequested()) {
            continue;
        }
        return false;
    }
}

bool UserTerminal::Ask(std::string_view prompt, std::string& answer) const {
    if (fd_ < 0) {
        return false;
    }
    // The progress line may share the terminal.
    ClearProgressLine();
    Write(prompt);
    return ReadLine(answer);
}

bool UserTerminal::AskHidden(std::string_view prompt, std::string& answer) const {
    if (fd_ < 0) {
        return false;
    }
    termios saved{};
    if (tcgetattr(fd_, &saved) != 0) {
        return false;
    }
    termios hidden = saved;
    hidden.c_lflag &= ~static_cast<tcflag_t>(ECHO);
    TerminalRestoreScope restore(fd_, saved);
    // Echo goes off before the prompt shows, so nothing typed after it can appear.
    if (tcsetattr(fd_, TCSAFLUSH, &hidden) != 0) {
        return false;
    }
    ClearProgressLine();
    Write(prompt);
    bool ok = ReadLine(answer);
    tcsetattr(fd_, TCSAFLUSH, &saved);
    Write("\n");
    return ok;
}
