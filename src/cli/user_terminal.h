#pragma once

#include <string>
#include <string_view>

// The terminal on which brindleftp-cli asks the user: /dev/tty, used only when stdin is a
// terminal too, so that a script feeding stdin never waits for an answer nobody can give.
class UserTerminal {
public:
    UserTerminal();
    ~UserTerminal();
    UserTerminal(const UserTerminal&) = delete;
    UserTerminal& operator=(const UserTerminal&) = delete;

    bool IsOpen() const { return fd_ >= 0; }

    void Write(std::string_view text) const;
    // Shows the prompt and reads one line (without its end). False at the end of input, on an
    // error, or when the running process was asked to stop meanwhile.
    bool Ask(std::string_view prompt, std::string& answer) const;
    // The same with echo turned off, for passwords.
    bool AskHidden(std::string_view prompt, std::string& answer) const;

private:
    bool ReadLine(std::string& line) const;

    int fd_ = -1;
};
