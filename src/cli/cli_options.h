#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The answer given to every yes/no question.
enum class CliAnswer { kAsk, kYes, kNo };

// Where the password came from; without one it is asked on the terminal when it is needed.
enum class PasswordSource { kNone, kOption, kEnvironment };

// Options that belong to one command, given after the command name.
enum CliCommandOption : unsigned {
    kCliOptionAppend = 1u << 0,            // --append
    kCliOptionTo = 1u << 1,                // --to LOCALDIR
    kCliOptionBase = 1u << 2,              // --base DIR
    kCliOptionRememberPassword = 1u << 3,  // --remember-password
    kCliOptionRecursive = 1u << 4,         // -r
};

// The command line of brindleftp-cli. Connection options that were not given stay empty, so that
// a stored site's values are overridden only by what the user typed.
struct CliOptions {
    std::optional<std::string> site;
    std::optional<std::string> server;  // as typed; read by ParseHostText when connecting
    std::optional<std::string> user;
    std::optional<std::string> password;
    PasswordSource passwordSource = PasswordSource::kNone;
    bool tls = false;
    std::optional<std::string> changeDirectory;  // --cd
    // --trust: a server certificate's SHA-256 fingerprint trusted for this run, as
    // CanonicalFingerprint writes it.
    std::optional<std::string> trust;
    CliAnswer answer = CliAnswer::kAsk;
    bool quiet = false;
    bool help = false;

    std::string command;
    std::vector<std::string> arguments;
    unsigned commandOptions = 0;  // CliCommandOption bits that were given
    std::string toFolder;         // --to
    std::string baseFolder;       // --base

    bool PasswordGiven() const { return passwordSource != PasswordSource::kNone; }
    bool HasCommandOption(CliCommandOption option) const { return (commandOptions & option) != 0; }
};

// Parses the arguments after the program name. environmentPassword is the value of
// BRINDLEFTP_PASSWORD (null when unset); it is used when --password is absent. Stops at --help.
// False with a one-line message in error for a usage error. Which command exists and what it
// accepts is checked when the command is dispatched.
bool ParseCliOptions(const std::vector<std::string>& args, const char* environmentPassword,
                     CliOptions& options, std::string& error);

// The usage error for a fingerprint that is not one.
std::string BadFingerprintText(std::string_view typed);
