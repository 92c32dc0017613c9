// The Unix ls -l layout and its many server variants, and the entry point that falls back to
// the MS-DOS layout.
#include "ftp/list_parser.h"

#include <ctime>
#include <string_view>
#include <utility>

#include "frame/number_text.h"
#include "ftp/list_tokens.h"

using list_tokens::AllDigits;
using list_tokens::IsDigit;
using list_tokens::IsPermissionType;
using list_tokens::ListTokenReader;
using list_tokens::ReadListNumber;

namespace {

void ClearListLine(FtpListLine& out) {
    out.name.clear();
    out.size = 0;
    out.isFolder = 0;
    out.isLink = 0;
    out.year = 0;
    out.month = 0;
    out.day = 0;
    out.hour = 0;
    out.minute = 0;
    out.hasDate = 0;
    out.hasTime = 0;
}

bool EndsWith(std::string_view text, std::string_view end) {
    return text.size() >= end.size() && text.substr(text.size() - end.size()) == end;
}

// Some servers glue a product tag to the permissions ("-rwxrwxrwxFTP"); they follow the owner
// name with a numeric owner id.
bool HasServerTag(std::string_view permissions) {
    return permissions.size() > 3 &&
           (EndsWith(permissions, "FTP") || EndsWith(permissions, "FTS") ||
            EndsWith(permissions, "TCP") || EndsWith(permissions, "SSH"));
}

void SkipIfAllDigits(ListTokenReader& tokens) {
    const std::size_t mark = tokens.Mark();
    std::string_view token;
    if (tokens.Next(token) && !AllDigits(token)) {
        tokens.Restore(mark);
    }
}

bool IsSize(std::string_view token, std::uint64_t& size) {
    return ParseSizeToken(token.data(), token.size(), &size);
}

// The digits after the last non-digit byte, as in a size glued to a group name.
std::uint64_t TrailingDigits(std::string_view token) {
    std::size_t start = token.size();
    while (start > 0 && IsDigit(token[start - 1])) {
        --start;
    }
    const std::string_view digits = token.substr(start);
    return static_cast<std::uint64_t>(ParseInt64N(digits, digits.size()));
}

bool HasNonDigitAfterFirst(std::string_view token) {
    for (std::size_t i = 1; i < token.size(); ++i) {
        if (!IsDigit(token[i])) {
            return true;
        }
    }
    return false;
}

void TrimTrailingPointsAndCommas(std::string_view& token) {
    while (!token.empty() && (token.back() == '.' || token.back() == ',')) {
        token.remove_suffix(1);
    }
}

// Walks the group words up to the size and returns the size and the date token. A group name
// may have several words, and some servers glue the size to the group ("staff12345").
bool ReadSizeAndDateToken(ListTokenReader& tokens, FtpListLine& out, std::string_view& date) {
    std::string_view a;
    std::string_view b;
    std::string_view z;
    if (!tokens.Next(a) || !tokens.Next(b)) {
        return false;
    }
    std::uint64_t size = 0;
    bool bIsSize = false;
    for (;;) {
        bIsSize = IsSize(b, size);
        if (bIsSize || AllDigits(a) || IsDigit(a.back())) {
            break;
        }
        if (!z.empty() && IsDigit(z.back())) {
            a = z;
            break;
        }
        z = b;
        if (!tokens.Next(b)) {
            return false;
        }
    }
    if (bIsSize) {
        out.size = size;
        return tokens.Next(date);
    }
    if (IsSize(a, size)) {
        out.size = size;
        date = b;
        return true;
    }
    if (IsDigit(b.back()) && HasNonDigitAfterFirst(b)) {
        out.size = TrailingDigits(b);
        date = b;
        return true;
    }
    if (IsDigit(a.back())) {
        out.size = TrailingDigits(a);
        date = b;
        return true;
    }
    return false;
}

struct DateTokens {
    std::string_view month;
    std::string_view day;
    int year = 0;
    bool commaMark = false;  // "Jan 15, 2009": a time may follow the year
};

// A date written with '-' or '/' in one token: month-day, year-month-day (either order of
// month and day), day-month-year or month-day-year.
bool SplitDateToken(std::string_view date, char separator, DateTokens& parts) {
    const std::size_t first = date.find(separator);
    const std::string_view p1 = date.substr(0, first);
    const std::string_view rest = date.substr(first + 1);
    const std::size_t second = rest.find(separator);
    if (second == std::string_view::npos) {
        parts.month = p1;
        parts.day = rest;
        return true;
    }
    const std::string_view p2 = rest.substr(0, second);
    const std::string_view p3 = rest.substr(second + 1);
    if (separator == '/' && p1.size() != 4 && p1.size() != 2) {
        return false;
    }
    const bool p2IsMonth = ReadListNumber(p2) <= 12;
    if (p1.size() == 4) {
        parts.year = ReadListNumber(p1);
        parts.month = p2IsMonth ? p2 : p3;
        parts.day = p2IsMonth ? p3 : p2;
        return true;
    }
    if (p1.empty()) {
        return false;
    }
    parts.year = ReadListNumber(p3);
    parts.month = p2IsMonth ? p2 : p1;
    parts.day = p2IsMonth ? p1 : p2;
    return true;
}

bool ReadDateTokens(ListTokenReader& tokens, std::string_view date, DateTokens& parts) {
    if (date.find('-') != std::string_view::npos) {
        return SplitDateToken(date, '-', parts);
    }
    if (date.find('/') != std::string_view::npos) {
        return SplitDateToken(date, '/', parts);
    }
    parts.month = date;
    if (!tokens.Next(parts.day)) {
        return false;
    }
    if (parts.day.back() == ',') {
        parts.day.remove_suffix(1);
        parts.commaMark = true;
    }
    while (!parts.day.empty() && (parts.day.back() == '.' || parts.day.back() == ',')) {
        parts.day.remove_suffix(1);
        parts.commaMark = false;
    }
    return !parts.day.empty();
}

// A month number followed by a month sign in a multi-byte encoding (UTF-8 E6 9C 88 after "1").
int MonthBeforeSign(std::string_view token) {
    std::size_t digits = 0;
    while (digits < token.size() && IsDigit(token[digits])) {
        ++digits;
    }
    if (digits == 0 || digits == token.size() || static_cast<unsigned char>(token[digits]) < 0x80) {
        return 0;
    }
    return ReadListNumber(token.substr(0, digits));
}

int InferYear(int month, int day, const ListToday* today) {
    const ListToday now = today != nullptr ? *today : LocalListToday();
    if (month < now.month || (month == now.month && day <= now.day)) {
        return now.year;
    }
    return now.year - 1;
}

char TimeSeparator(std::string_view token) {
    for (char separator : {':', '.', '-'}) {
        if (token.find(separator) != std::string_view::npos) {
            return separator;
        }
    }
    return '\0';
}

// "12:30" exactly, as some servers print after "Jan 15, 2009".
bool ReadClockAfterYear(std::string_view token, FtpListLine& out) {
    if (token.size() != 5 || token[2] != ':' || !IsDigit(token[0]) || !IsDigit(token[1]) ||
        !IsDigit(token[3]) || !IsDigit(token[4])) {
        return false;
    }
    const int hour = (token[0] - '0') * 10 + (token[1] - '0');
    const int minute = (token[3] - '0') * 10 + (token[4] - '0');
    if (hour > 23 || minute >= 60) {
        return false;
    }
    out.hour = hour;
    out.minute = minute;
    out.hasTime = 1;
    return true;
}

bool ReadUnixDate(ListTokenReader& tokens, std::string_view date, FtpListLine& out,
                  const ListToday* today) {
    DateTokens parts;
    if (!ReadDateTokens(tokens, date, parts)) {
        return false;
    }
    if (ReadListNumber(parts.day) == 0) {
        std::swap(parts.month, parts.day);
        parts.commaMark = false;
    }
    const std::size_t beforeTime = tokens.Mark();
    std::string_view timeToken;
    if (!tokens.Next(timeToken)) {
        return false;
    }
    TrimTrailingPointsAndCommas(parts.month);
    if (parts.month.empty()) {
        return false;
    }
    int year = parts.year;
    const int monthNumber = ReadListNumber(parts.month);
    const bool yearFirst = monthNumber > 1000;
    if (yearFirst) {
        year = monthNumber;
        out.month = ReadListNumber(parts.day);
        if (out.month < 1 || out.month > 12) {
            return false;
        }
    } else {
        out.month = LookUpMonthName(parts.month);
        if (out.month == 0) {
            out.month = MonthBeforeSign(parts.month);
            if (out.month < 1 || out.month > 12) {
                return false;
            }
        }
        out.day = ReadListNumber(parts.day);
        if (out.day < 1 || out.day > 31) {
            return false;
        }
    }

    bool commaMark = parts.commaMark;
    if (const char separator = TimeSeparator(timeToken); separator != '\0') {
        const std::size_t at = timeToken.find(separator);
        out.hour = ReadListNumber(timeToken.substr(0, at));
        out.minute = ReadListNumber(timeToken.substr(at + 1));
        out.hasTime = 1;
        commaMark = false;
        if (year == 0) {
            year = InferYear(out.month, out.day, today);
        }
    } else if (yearFirst) {
        out.day = ReadListNumber(timeToken);
        if (out.day < 1 || out.day > 31) {
            return false;
        }
    } else if (year == 0) {
        year = ReadListNumber(timeToken);
        out.hasTime = 0;
    } else {
        tokens.Restore(beforeTime);
    }
    if (year == 0) {
        return false;
    }
    out.year = year;

    if (commaMark) {
        const std::size_t beforeClock = tokens.Mark();
        std::string_view clock;
        if (tokens.Next(clock) && !ReadClockAfterYear(clock, out)) {
            tokens.Restore(beforeClock);
        }
    }
    return true;
}

// ls -F marks the type of an item after its name.
bool IsTypeMark(char c) {
    return c == '*' || c == '/' || c == '\r' || c == '\n' || c == '|';
}

}  // namespace

ListToday LocalListToday() {
    // Reading the local time for every line of a long listing would cost more than the parse.
    thread_local std::time_t cachedSecond = -1;
    thread_local ListToday cached;
    const std::time_t now = std::time(nullptr);
    if (now != cachedSecond) {
        std::tm parts{};
        localtime_r(&now, &parts);
        cached = ListToday{parts.tm_year + 1900, parts.tm_mon + 1, parts.tm_mday};
        cachedSecond = now;
    }
    return cached;
}

bool ParseListLine(std::string_view line, FtpListLine& out, const ListToday* today) {
    ClearListLine(out);
    const std::size_t length = list_tokens::LineLength(line.data(), line.size());
    if (ParseUnixListLine(line.data(), length, out, today)) {
        return true;
    }
    ClearListLine(out);
    return ParseDosListLine(line.data(), length, out);
}

bool ParseUnixListLine(const char* text, std::size_t length, FtpListLine& out,
                       const ListToday* today) {
    ListTokenReader tokens(text, list_tokens::LineLength(text, length));
    std::string_view permissions;
    if (!tokens.Next(permissions) || !IsPermissionType(permissions[0])) {
        return false;
    }
    out.isFolder = permissions[0] == 'd';
    out.isLink = permissions[0] == 'l';

    std::string_view word;
    if (permissions.size() == 1) {
        // NetWare: "d [RWCEAFMS] owner ...", the rights as a separate token.
        if (!tokens.Next(word)) {
            return false;
        }
    } else {
        if (!tokens.Next(word)) {
            return false;
        }
        if (word == "folder" && out.isFolder) {
            // Some Mac servers print "folder" in place of the link count.
        } else if (AllDigits(word)) {
            // A link count, then perhaps a numeric owner id.
            SkipIfAllDigits(tokens);
        } else if (HasServerTag(permissions)) {
            SkipIfAllDigits(tokens);
        }
    }
    // The owner or the group; a missing group makes this the owner.
    if (!tokens.Next(word)) {
        return false;
    }

    std::string_view date;
    if (!ReadSizeAndDateToken(tokens, out, date) || !ReadUnixDate(tokens, date, out, today)) {
        return false;
    }

    std::string_view name;
    if (!tokens.Rest(name)) {
        return false;
    }
    while (!name.empty() && IsTypeMark(name.back())) {
        name.remove_suffix(1);
    }
    list_tokens::StoreListName(name, out);
    out.hasDate = 1;
    return true;
}
