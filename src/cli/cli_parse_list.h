#pragma once

#include <string>
#include <string_view>

#include "cli/cli_commands.h"
#include "cli/cli_options.h"
#include "ftp/list_parser.h"

// What parse-list prints for LIST text: the text is split at LF and each line, without its CR,
// gives one output line: "-" when the parser rejects it, else the tab-separated record
// size isFolder isLink year month day hour minute hasTime name (the name as raw bytes).
// A last line without LF counts; nothing follows the final LF. today: the date for the year
// inference; null reads the local clock.
std::string FormatParseListOutput(std::string_view input, const ListToday* today = nullptr);

// parse-list [FILE]: the parse of FILE, or of stdin without one, on stdout. A file that cannot
// be read gives one line on stderr and exit status 2.
int RunParseList(const CliOptions& options, CliServices& services);
