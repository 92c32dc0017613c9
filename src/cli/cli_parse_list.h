#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

#include "cli/cli_commands.h"
#include "cli/cli_options.h"
#include "ftp/list_parser.h"

// The longest line parse-list reads, without its line break; a longer one prints "-".
inline constexpr std::size_t kParseListLineLimit = 64 * 1024;

// parse-list's reader in bounded memory: bytes are fed in pieces of any size, and each line is
// handed to `output` as what parse-list prints for it (see FormatParseListOutput) as soon as
// its LF arrives. A line over kParseListLineLimit is not kept: its bytes are dropped up to the
// LF and it prints "-".
class ParseListLines {
public:
    using Output = std::function<void(std::string_view)>;
    ParseListLines(const ListToday* today, Output output);

    void Feed(std::string_view bytes);
    // The end of the input: a last line without LF counts.
    void Finish();

private:
    void EndLine();

    const ListToday* today_;
    Output output_;
    std::string line_;  // at most kParseListLineLimit + 1 bytes
    bool tooLong_ = false;
    std::string out_;
};

// What parse-list prints for LIST text: the text is split at LF and each line, without its CR,
// gives one output line: "-" when the parser rejects it, else the tab-separated record
// size isFolder isLink year month day hour minute hasTime name (the name as raw bytes).
// A last line without LF counts; nothing follows the final LF. today: the date for the year
// inference; null reads the local clock.
std::string FormatParseListOutput(std::string_view input, const ListToday* today = nullptr);

// parse-list [FILE]: the parse of FILE, or of stdin without one, on stdout, line by line in
// bounded memory. A file that cannot be read gives one line on stderr and exit status 2.
int RunParseList(const CliOptions& options, CliServices& services);
