#include "cli/cli_help.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "cli/cli_commands.h"

namespace {

using Rows = std::vector<std::pair<std::string, std::string>>;

// Left columns wider than this put their description on the next line, to stay within 80.
constexpr std::size_t kMaxLeftWidth = 30;

// Two columns, the second starting at the same place in every row of the section.
void AddSection(std::string& text, const char* heading, const Rows& rows) {
    std::size_t width = 0;
    for (const auto& row : rows) {
        if (row.first.size() <= kMaxLeftWidth) {
            width = std::max(width, row.first.size());
        }
    }
    const std::string indent(width + 4, ' ');
    text += heading;
    text += ":\n";
    for (const auto& [left, right] : rows) {
        if (left.size() > width) {
            text += "  " + left + "\n" + indent + right + "\n";
        } else {
            text += "  " + left + std::string(width + 2 - left.size(), ' ') + right + "\n";
        }
    }
}

}  // namespace

std::string CliHelpText() {
    const Rows options = {
        {"--site LABEL", "use the stored site account LABEL"},
        {"--server HOST[:PORT]", "the server (default port 21)"},
        {"--user NAME", "user name (default anonymous)"},
        {"--password TEXT", "password (else $BRINDLEFTP_PASSWORD, else asked)"},
        {"--tls", "ask for explicit TLS (AUTH TLS)"},
        {"--cd DIR", "change to DIR right after logon"},
        {"--yes, --no", "the answer to every yes/no question"},
        {"", "(without either: asked; No without a terminal)"},
        {"", "(--yes never accepts a server certificate)"},
        {"--quiet", "no progress output"},
        {"--trust FINGERPRINT", "trust the server certificate with this SHA-256"},
        {"", "fingerprint for this run (an unverified one is"},
        {"", "asked about; refused without a terminal)"},
        {"-h, --help", "show this text"},
    };
    Rows commands;
    for (const CliCommand& command : CliCommands()) {
        commands.emplace_back(command.usage, command.description);
    }
    const Rows statuses = {
        {"0", "done"},
        {"1", "stopped (Ctrl+C, or a question declined)"},
        {"2", "failed"},
        {"64", "usage error"},
    };

    std::string text = "Usage: brindleftp-cli [OPTIONS] COMMAND [ARGUMENTS]\n\n";
    AddSection(text, "Options (before the command)", options);
    text += "\n";
    AddSection(text, "Commands", commands);
    text += "\n";
    AddSection(text, "Exit status", statuses);
    return text;
}
