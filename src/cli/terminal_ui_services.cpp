#include "cli/terminal_ui_services.h"

#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cctype>
#include <cerrno>
#include <initializer_list>
#include <vector>

#include "cli/terminal_output.h"
#include "cli/user_terminal.h"

extern char** environ;

namespace {

// The buttons of an alert by number (1 to 3); an empty text is no button.
struct Buttons {
    std::array<const std::string*, 3> texts;
    int count = 0;  // buttons 1..count exist

    explicit Buttons(const LAlertParams& params)
        : texts{&params.button1, &params.button2, &params.button3} {
        for (int i = 0; i < 3; ++i) {
            if (!texts[i]->empty()) {
                count = i + 1;
            }
        }
    }
    bool Exists(int button) const {
        return button >= 1 && button <= count && !texts[button - 1]->empty();
    }
    const std::string& Text(int button) const { return *texts[button - 1]; }
};

// The first button with one of these roles, 0 when there is none.
int FindRole(const LAlertParams& params, std::initializer_list<LAlertRole> roles) {
    Buttons buttons(params);
    for (int i = 1; i <= buttons.count; ++i) {
        for (LAlertRole role : roles) {
            if (buttons.Exists(i) && params.roles[i - 1] == role) {
                return i;
            }
        }
    }
    return 0;
}

std::string Lowered(std::string_view text) {
    std::string lowered;
    for (char c : text) {
        lowered += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return lowered;
}

// The button a typed answer means: its number, its text, or the start of exactly one text
// (letter case ignored). 0 when it means none.
int ButtonForAnswer(const Buttons& buttons, std::string_view answer) {
    if (answer.size() == 1 && answer[0] >= '1' && answer[0] <= '3' &&
        buttons.Exists(answer[0] - '0')) {
        return answer[0] - '0';
    }
    std::string typed = Lowered(answer);
    int match = 0;
    int matches = 0;
    for (int i = 1; i <= buttons.count; ++i) {
        if (!buttons.Exists(i)) {
            continue;
        }
        std::string text = Lowered(buttons.Text(i));
        if (text == typed) {
            return i;
        }
        if (!typed.empty() && text.compare(0, typed.size(), typed) == 0) {
            match = i;
            ++matches;
        }
    }
    return matches == 1 ? match : 0;
}

int DefaultButton(const LAlertParams& params, const Buttons& buttons) {
    return buttons.Exists(params.defaultButton) ? params.defaultButton : 1;
}

std::string ButtonList(const Buttons& buttons) {
    std::string list;
    for (int i = 1; i <= buttons.count; ++i) {
        if (buttons.Exists(i)) {
            if (!list.empty()) {
                list += '/';
            }
            list += buttons.Text(i);
        }
    }
    return list;
}

// Asks until a button is chosen, the alert's text already shown. The answer of --no when the
// terminal ends or the run was stopped meanwhile.
int AskForButton(const UserTerminal& terminal, const LAlertParams& params, const Buttons& buttons) {
    int defaultButton = DefaultButton(params, buttons);
    std::string prompt =
        TerminalSafeText(ButtonList(buttons) + " [" + buttons.Text(defaultButton) + "]: ");
    for (;;) {
        std::string answer;
        if (!terminal.Ask(prompt, answer)) {
            terminal.Write("\n");
            return NoButton(params);
        }
        if (answer.empty()) {
            return defaultButton;
        }
        if (int button = ButtonForAnswer(buttons, answer); button != 0) {
            return button;
        }
    }
}

int AskOnTerminal(const UserTerminal& terminal, const LAlertParams& params,
                  const Buttons& buttons) {
    terminal.Write(TerminalSafeText(AlertMessageLine(params)) + "\n");
    return AskForButton(terminal, params, buttons);
}

// The alert's check box as a question of its own; unticked unless the answer is yes.
bool AskCheckBox(const UserTerminal& terminal, const LAlertParams& params) {
    std::string prompt = TerminalSafeText(params.checkBox + " yes/no [no]: ");
    std::string answer;
    if (!terminal.Ask(prompt, answer)) {
        terminal.Write("\n");
        return false;
    }
    std::string typed = Lowered(answer);
    return !typed.empty() && std::string("yes").compare(0, typed.size(), typed) == 0;
}

}  // namespace

std::string AlertMessageLine(const LAlertParams& params) {
    if (params.headline.empty()) {
        return params.text;
    }
    if (params.text.empty()) {
        return params.headline;
    }
    char last = params.headline.back();
    bool ended = last == '.' || last == '!' || last == '?' || last == ':';
    return params.headline + (ended ? " " : ": ") + params.text;
}

int YesButton(const LAlertParams& params) {
    const int yes = FindRole(params, {LAlertRole::kYes, LAlertRole::kAccept});
    return yes != 0 ? yes : 1;
}

int NoButton(const LAlertParams& params) {
    Buttons buttons(params);
    if (const int no = FindRole(params, {LAlertRole::kNo}); no != 0) {
        return no;
    }
    if (buttons.Exists(params.escapeButton)) {
        return params.escapeButton;
    }
    return buttons.count > 0 ? buttons.count : 1;
}

void TerminalUiServices::RunAlert(LAlertParams& params) {
    Buttons buttons(params);
    params.result = 1;
    if (buttons.count <= 1) {
        PrintMessageLine(AlertMessageLine(params));
        return;
    }
    if (answer_ == CliAnswer::kAsk) {
        UserTerminal terminal;
        if (terminal.IsOpen()) {
            params.result = static_cast<std::uint16_t>(AskOnTerminal(terminal, params, buttons));
            params.checkBoxChecked = !params.checkBox.empty() && AskCheckBox(terminal, params);
            return;
        }
    }
    int button = answer_ == CliAnswer::kYes ? YesButton(params) : NoButton(params);
    params.result = static_cast<std::uint16_t>(button);
    PrintMessageLine(AlertMessageLine(params) + " -> " + buttons.Text(button));
}

bool TerminalUiServices::AskLogin(LWindow, LoginPromptRequest& request) {
    UserTerminal terminal;
    if (!terminal.IsOpen()) {
        return true;
    }
    std::string prompt = "Password for " + request.user + "@" + request.server + ": ";
    std::string password;
    if (!terminal.AskHidden(TerminalSafeText(prompt), password)) {
        return false;
    }
    request.password = password;
    return true;
}

bool TerminalUiServices::OpenWithDefaultApplication(const std::string& path) {
    if (path.empty()) {
        return false;
    }
    // A path that starts with '-' would be read as an option.
    std::string argument = path[0] == '-' ? "./" + path : path;
    std::vector<char*> argv{const_cast<char*>("xdg-open"), argument.data(), nullptr};
    pid_t child = 0;
    if (posix_spawnp(&child, "xdg-open", nullptr, nullptr, argv.data(), environ) != 0) {
        return false;
    }
    int status = 0;
    while (waitpid(child, &status, 0) < 0) {
        if (errno != EINTR) {
            return false;
        }
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

bool TerminalUiServices::ChooseFolder(LWindow, const std::string& title,
                                      const std::string& startFolder, std::string& chosen) {
    UserTerminal terminal;
    std::string answer;
    std::string prompt = title.empty() ? "Folder" : title;
    if (!terminal.Ask(TerminalSafeText(prompt + ": "), answer) || answer.empty()) {
        return false;
    }
    chosen = answer;
    return true;
}

bool TerminalUiServices::ChooseSaveFile(LWindow, const std::string& title,
                                        const std::string& startPath, std::string& chosen) {
    std::string answer;
    if (answer_ == CliAnswer::kAsk) {
        UserTerminal terminal;
        std::string prompt = (title.empty() ? "Save as" : title) + " [" + startPath + "]: ";
        if (!terminal.IsOpen() || !terminal.Ask(TerminalSafeText(prompt), answer)) {
            return false;
        }
    }
    if (answer_ == CliAnswer::kNo) {
        return false;
    }
    answer = answer.empty() ? startPath : answer;
    struct stat info {};
    if (answer.empty() ||
        (lstat(answer.c_str(), &info) == 0 &&
         !YesNoBox(nullptr, "\"" + answer + "\" already exists. Do you want to replace it?",
                   "Replace File"))) {
        return false;
    }
    chosen = answer;
    return true;
}

CertificateTrust TerminalUiServices::AskCertificateTrust(const CertificateQuestion& question) {
    UserTerminal terminal;
    if (!terminal.IsOpen()) {
        return CertificateTrust::kRefused;
    }
    const LAlertParams params = MakeCertificateAlert(question);
    ClearProgressLine();
    // Line by line, so the fingerprint stands on a line of its own.
    std::string text = params.headline + "\n" + params.text + "\n";
    for (std::size_t start = 0, end; start < text.size(); start = end + 1) {
        end = text.find('\n', start);
        terminal.Write(TerminalSafeText(text.substr(start, end - start)) + "\n");
    }
    const int button = AskForButton(terminal, params, Buttons(params));
    return CertificateTrustForButton(question, static_cast<std::uint16_t>(button));
}

std::string TerminalUiServices::CertificateRefusedText(const CertificateQuestion& question) {
    return "The server's certificate could not be verified (" + question.reason +
           "); its SHA-256 fingerprint is " + question.fingerprint +
           ". To trust it for this run, give --trust " + question.fingerprint +
           "; to trust it always, run trust-save " + question.fingerprint +
           " with the same connection options.";
}
