#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// One item of a LIST reply, as the server's line gave it. Cleared before each parse.
struct FtpListLine {
    std::string name;  // at most 259 bytes, as sent (no character-set conversion); a link
                       // keeps "name -> target"
    std::uint64_t size = 0;
    std::uint8_t isFolder = 0;
    std::uint8_t isLink = 0;
    std::int32_t year = 0;  // full year; 0 = none found
    std::int32_t month = 0;
    std::int32_t day = 0;
    std::int32_t hour = 0;
    std::int32_t minute = 0;
    std::uint8_t hasDate = 0;
    std::uint8_t hasTime = 0;
};

// The local date the year inference compares a listed date with.
struct ListToday {
    int year = 0;
    int month = 0;  // 1 to 12
    int day = 0;    // 1 to 31
};
// Today on the local clock.
ListToday LocalListToday();

// Month names and numbers in the languages and encodings servers use; ends with an empty name.
struct MonthName {
    std::string_view name;
    int month;
};
extern const MonthName kMonthNames[];
// The month of a token (ASCII letters folded to lower case, other bytes as they are), 0 when
// the token is not a month name.
int LookUpMonthName(std::string_view token);

// One LIST line without its CR/LF (the line ends at its first NUL byte): Unix style first, then
// MS-DOS style. False when the line is not an item (a total line, a blank or unknown line).
// today: the date for the year inference; null reads the local clock.
bool ParseListLine(std::string_view line, FtpListLine& out, const ListToday* today = nullptr);
bool ParseUnixListLine(const char* text, std::size_t length, FtpListLine& out,
                       const ListToday* today = nullptr);
bool ParseDosListLine(const char* text, std::size_t length, FtpListLine& out);

// The next token from position: skips spaces and tabs; null when the text is exhausted. Without
// restOfLine the token ends at the next NUL, space or tab; with it, at the end of the text.
const char* NextListToken(const char* text, std::size_t length, std::size_t* tokenLength,
                          std::size_t* position, bool restOfLine);
bool ParseSizeToken(const char* token, std::size_t length, std::uint64_t* value);
bool ParseDosDate(const char* token, std::size_t length, FtpListLine& out);
bool ParseDosTime(const char* token, std::size_t length, FtpListLine& out);
