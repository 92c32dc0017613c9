#pragma once

#include <span>
#include <string>
#include <string_view>

#include "cli/cli_options.h"
#include "process/process_launcher.h"
#include "process/queued_notify.h"
#include "process/ui_services.h"

// What a command works with besides its options.
struct CliServices {
    UserInterfaceServices& ui;
    ProcessLauncher& launcher;
    ManualEventQueue& eventQueue;
};

// A command: runs with the parsed options and returns the exit status (cli_exit.h).
using CliCommandFunction = int (*)(const CliOptions& options, CliServices& services);

inline constexpr int kAnyNumber = -1;

struct CliCommand {
    const char* name;
    const char* usage;        // e.g. "get REMOTE [LOCAL]"
    const char* description;  // one line for --help
    int minArguments;
    int maxArguments;          // kAnyNumber: no limit
    unsigned acceptedOptions;  // CliCommandOption bits
    unsigned requiredOptions;
    CliCommandFunction run;
    // Reads or writes the settings store (as does every command given --site): a store that
    // cannot be opened fails it before it runs.
    bool usesSettings = false;
};

// Every command of the command-line contract, in the order --help lists them.
std::span<const CliCommand> CliCommands();
// Null for an unknown name.
const CliCommand* FindCliCommand(std::string_view name);

// Checks the arguments and options against the command. False with a one-line message.
bool CheckCommandLine(const CliCommand& command, const CliOptions& options, std::string& error);

// Runs the command the options name. Usage errors print one line on stderr and give kExitUsage;
// a settings store the command needs and cannot open, its reason and kExitFailed.
int DispatchCliCommand(const CliOptions& options, CliServices& services);
