#include "cli/cli_commands.h"

#include "cli/cli_exit.h"
#include "cli/cli_listing_commands.h"
#include "cli/cli_parse_list.h"
#include "cli/cli_remote_commands.h"
#include "cli/cli_remote_ops_commands.h"
#include "cli/cli_selection_commands.h"
#include "cli/cli_sites.h"
#include "cli/cli_test_command.h"
#include "cli/cli_transfer_commands.h"
#include "cli/cli_trust.h"

namespace {

// To build a command, declare its function and put it in the last column.
constexpr CliCommand kCommands[] = {
    {"parse-list", "parse-list [FILE]", "parse LIST lines of FILE or stdin", 0, 1, 0, 0,
     RunParseList},
    {"pwd", "pwd", "print the current remote directory", 0, 0, 0, 0, RunPwdCommand},
    {"ls", "ls [DIR]", "list the remote directory", 0, 1, 0, 0, RunLsCommand},
    {"stat", "stat NAME", "show the kind, size and time of a remote item", 1, 1, 0, 0,
     RunStatCommand},
    {"get", "get REMOTE [LOCAL]", "download one file", 1, 2, 0, 0, RunGetCommand},
    {"put", "put LOCAL [REMOTE] [--append]", "upload one file, or append to the remote file", 1, 2,
     kCliOptionAppend, 0, RunPutCommand},
    {"mkdir", "mkdir DIR", "make a remote directory", 1, 1, 0, 0, RunMkdirCommand},
    {"rmdir", "rmdir DIR", "remove a remote directory", 1, 1, 0, 0, RunRmdirCommand},
    {"rm", "rm [-r] NAME", "delete a remote file, or with -r a folder tree", 1, 1,
     kCliOptionRecursive, 0, RunRmCommand},
    {"mv", "mv OLD NEW", "rename a remote item", 2, 2, 0, 0, RunMvCommand},
    {"test", "test [DIR]", "test the connection, with an upload and delete", 0, 1, 0, 0,
     RunTestCommand},
    {"download", "download NAME... --to LOCALDIR", "download remote items, folders recursively", 1,
     kAnyNumber, kCliOptionTo, kCliOptionTo, RunDownloadCommand},
    {"upload", "upload PATH... [--base DIR]", "upload local items, folders recursively", 1,
     kAnyNumber, kCliOptionBase, 0, RunUploadCommand, true},
    {"sync", "sync LOCALDIR", "synchronize LOCALDIR with the remote folder", 1, 1, 0, 0,
     RunSyncCommand},
    {"sites", "sites", "list the stored site accounts", 0, 0, 0, 0, RunSitesCommand, true},
    {"site-save", "site-save LABEL [--remember-password]",
     "save the connection options as site LABEL", 1, 1, kCliOptionRememberPassword, 0,
     RunSiteSaveCommand, true},
    {"site-delete", "site-delete LABEL", "delete the site account", 1, 1, 0, 0,
     RunSiteDeleteCommand, true},
    {"trust-save", "trust-save FINGERPRINT", "trust this server certificate fingerprint always", 1,
     1, 0, 0, RunTrustSaveCommand, true},
};

struct OptionName {
    CliCommandOption option;
    const char* name;
};
constexpr OptionName kOptionNames[] = {
    {kCliOptionAppend, "--append"}, {kCliOptionTo, "--to"},
    {kCliOptionBase, "--base"},     {kCliOptionRememberPassword, "--remember-password"},
    {kCliOptionRecursive, "-r"},
};

}  // namespace

std::span<const CliCommand> CliCommands() {
    return kCommands;
}

const CliCommand* FindCliCommand(std::string_view name) {
    for (const CliCommand& command : kCommands) {
        if (name == command.name) {
            return &command;
        }
    }
    return nullptr;
}

bool CheckCommandLine(const CliCommand& command, const CliOptions& options, std::string& error) {
    for (const OptionName& option : kOptionNames) {
        bool given = options.HasCommandOption(option.option);
        if (given && (command.acceptedOptions & option.option) == 0) {
            error = std::string(command.name) + " does not take " + option.name;
            return false;
        }
        if (!given && (command.requiredOptions & option.option) != 0) {
            error = std::string(command.name) + " needs " + option.name;
            return false;
        }
    }
    int count = static_cast<int>(options.arguments.size());
    if (count < command.minArguments ||
        (command.maxArguments != kAnyNumber && count > command.maxArguments)) {
        error = std::string("usage: brindleftp-cli [OPTIONS] ") + command.usage;
        return false;
    }
    return true;
}

int DispatchCliCommand(const CliOptions& options, CliServices& services) {
    const CliCommand* command = FindCliCommand(options.command);
    if (command == nullptr) {
        return UsageError("unknown command " + options.command + " (see --help)");
    }
    std::string error;
    if (!CheckCommandLine(*command, options, error)) {
        return UsageError(error);
    }
    if (command->usesSettings || options.site) {
        if (int status = CheckSettingsStore(); status != kExitDone) {
            return status;
        }
    }
    return command->run(options, services);
}
