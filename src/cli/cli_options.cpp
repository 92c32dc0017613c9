#include "cli/cli_options.h"

#include <cstddef>
#include <string_view>

#include "net/certificate.h"

namespace {

// Walks the arguments; an option's value is the text after '=' or the next argument, taken as
// it is even when it starts with '-' (a password may).
class ArgumentReader {
public:
    explicit ArgumentReader(const std::vector<std::string>& args) : args_(args) {}

    bool AtEnd() const { return next_ >= args_.size(); }
    const std::string& Take() { return args_[next_++]; }

    // Splits "--name=value" into name and inline value.
    static std::string_view OptionName(std::string_view arg,
                                       std::optional<std::string>& inlineValue) {
        inlineValue.reset();
        std::size_t equals = arg.find('=');
        if (arg.substr(0, 2) != "--" || equals == std::string_view::npos) {
            return arg;
        }
        inlineValue = std::string(arg.substr(equals + 1));
        return arg.substr(0, equals);
    }

    bool TakeValue(std::string_view name, std::optional<std::string>& inlineValue,
                   std::string& value, std::string& error) {
        if (inlineValue) {
            value = *inlineValue;
            return true;
        }
        if (AtEnd()) {
            error = "option " + std::string(name) + " needs an argument";
            return false;
        }
        value = Take();
        return true;
    }

private:
    const std::vector<std::string>& args_;
    std::size_t next_ = 0;
};

bool IsOption(std::string_view arg) {
    return arg.size() > 1 && arg[0] == '-';
}

std::string UnknownOption(std::string_view name) {
    return "unknown option " + std::string(name);
}

bool NoValueAllowed(std::string_view name, const std::optional<std::string>& inlineValue,
                    std::string& error) {
    if (inlineValue) {
        error = "option " + std::string(name) + " takes no argument";
        return false;
    }
    return true;
}

// One option before the command. False with error set for a usage error.
bool ParseConnectionOption(ArgumentReader& reader, std::string_view arg, CliOptions& options,
                           std::string& error) {
    std::optional<std::string> inlineValue;
    std::string_view name = ArgumentReader::OptionName(arg, inlineValue);

    struct ValueOption {
        std::string_view name;
        std::optional<std::string> CliOptions::*field;
    };
    static const ValueOption kValueOptions[] = {
        {"--site", &CliOptions::site},          {"--server", &CliOptions::server},
        {"--user", &CliOptions::user},          {"--password", &CliOptions::password},
        {"--cd", &CliOptions::changeDirectory}, {"--trust", &CliOptions::trust},
    };
    for (const ValueOption& option : kValueOptions) {
        if (name == option.name) {
            std::string value;
            if (!reader.TakeValue(name, inlineValue, value, error)) {
                return false;
            }
            options.*option.field = std::move(value);
            if (option.field == &CliOptions::password) {
                options.passwordSource = PasswordSource::kOption;
            }
            if (option.field == &CliOptions::trust) {
                const std::string typed = *options.trust;
                options.trust = CanonicalFingerprint(typed);
                if (options.trust->empty()) {
                    error = BadFingerprintText(typed);
                    return false;
                }
            }
            return true;
        }
    }

    if (name == "--help" || name == "-h") {
        options.help = true;
    } else if (name == "--tls") {
        options.tls = true;
    } else if (name == "--quiet") {
        options.quiet = true;
    } else if (name == "--yes" || name == "--no") {
        CliAnswer answer = name == "--yes" ? CliAnswer::kYes : CliAnswer::kNo;
        if (options.answer != CliAnswer::kAsk && options.answer != answer) {
            error = "options --yes and --no exclude each other";
            return false;
        }
        options.answer = answer;
    } else {
        error = UnknownOption(name);
        return false;
    }
    return NoValueAllowed(name, inlineValue, error);
}

// One option after the command.
bool ParseCommandOption(ArgumentReader& reader, std::string_view arg, CliOptions& options,
                        std::string& error) {
    std::optional<std::string> inlineValue;
    std::string_view name = ArgumentReader::OptionName(arg, inlineValue);
    if (name == "--to" || name == "--base") {
        bool to = name == "--to";
        options.commandOptions |= to ? kCliOptionTo : kCliOptionBase;
        return reader.TakeValue(name, inlineValue, to ? options.toFolder : options.baseFolder,
                                error);
    }
    if (name == "--append") {
        options.commandOptions |= kCliOptionAppend;
    } else if (name == "--remember-password") {
        options.commandOptions |= kCliOptionRememberPassword;
    } else if (name == "-r") {
        options.commandOptions |= kCliOptionRecursive;
    } else {
        error = UnknownOption(name);
        return false;
    }
    return NoValueAllowed(name, inlineValue, error);
}

}  // namespace

std::string BadFingerprintText(std::string_view typed) {
    return "bad fingerprint \"" + std::string(typed) +
           "\" (a SHA-256 fingerprint: 64 hex digits, ':' between pairs allowed)";
}

bool ParseCliOptions(const std::vector<std::string>& args, const char* environmentPassword,
                     CliOptions& options, std::string& error) {
    options = CliOptions{};
    error.clear();
    ArgumentReader reader(args);

    bool optionsEnded = false;
    bool haveCommand = false;
    while (!reader.AtEnd()) {
        const std::string& arg = reader.Take();
        if (!optionsEnded && arg == "--") {
            optionsEnded = true;
            continue;
        }
        if (!optionsEnded && IsOption(arg)) {
            if (!ParseConnectionOption(reader, arg, options, error)) {
                return false;
            }
            if (options.help) {
                return true;
            }
            continue;
        }
        options.command = arg;
        haveCommand = true;
        break;
    }

    if (!haveCommand) {
        error = "no command given";
        return false;
    }

    optionsEnded = false;
    while (!reader.AtEnd()) {
        const std::string& arg = reader.Take();
        if (!optionsEnded && arg == "--") {
            optionsEnded = true;
        } else if (!optionsEnded && IsOption(arg)) {
            if (!ParseCommandOption(reader, arg, options, error)) {
                return false;
            }
        } else {
            options.arguments.push_back(arg);
        }
    }

    if (!options.password && environmentPassword != nullptr) {
        options.password = environmentPassword;
        options.passwordSource = PasswordSource::kEnvironment;
    }
    return true;
}
