#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// stderr carries both the progress line, redrawn in place, and messages. A message first
// clears the progress line so that the two never share a line. User-interface thread only.

// The text on one line with nothing a terminal would act on: line breaks and tabs become
// spaces, other control characters '?'. Names from a server pass through here.
std::string TerminalSafeText(std::string_view text);

// At most `columns` characters of a UTF-8 text, never cutting a character in two.
std::string CutToColumns(std::string_view text, std::size_t columns);

// Width of the terminal behind fd; 80 when it cannot be learnt.
std::size_t TerminalColumns(int fd);

// True when progress should be drawn: not quiet and stderr is a terminal.
bool ProgressWanted(bool quiet);

// Writes the text as one line on stderr.
void PrintMessageLine(std::string_view text);

// Replaces the progress line on stderr with `line` (cut to the terminal's width).
void DrawProgressLine(std::string_view line);

// Removes the progress line, if one is shown.
void ClearProgressLine();

// Writes the text and a line end on stdout, byte for byte: results are data for scripts. On a
// terminal, control characters other than the tab are shown as "\xNN", so that a name or a path
// from a server cannot act on the user's screen.
void WriteOutputLine(std::string_view text);
