// The MS-DOS / Windows (IIS) layout: "01-15-09  12:30PM  <DIR>  Backup".
#include <cstdint>
#include <string_view>

#include "frame/number_text.h"
#include "ftp/list_parser.h"
#include "ftp/list_tokens.h"

using list_tokens::IsDigit;
using list_tokens::IsPermissionType;
using list_tokens::ListTokenReader;
using list_tokens::ReadListNumber;

namespace {

bool IsDateSeparator(char c) {
    return c == '-' || c == '.' || c == '/';
}

// A two-digit year below 50 is in this century.
int FullYear(int year) {
    if (year < 50) {
        return 2000 + year;
    }
    if (year < 1000) {
        return 1900 + year;
    }
    return year;
}

// The size with its thousands separators left out, read as if copied into a 260-byte buffer.
std::uint64_t ReadGroupedSize(std::string_view token) {
    char digits[260];
    std::size_t count = 0;
    for (char c : token) {
        if (c == ',') {
            continue;
        }
        if (count == sizeof(digits) - 1) {
            break;
        }
        digits[count++] = c;
    }
    return static_cast<std::uint64_t>(ParseInt64N(std::string_view(digits, count), count));
}

}  // namespace

bool ParseDosDate(const char* token, std::size_t length, FtpListLine& out) {
    enum class Order { kMonthFirst, kYearFirst, kDayFirst };
    const std::string_view text(token, length);

    std::size_t end = 0;
    while (end < text.size() && !IsDateSeparator(text[end])) {
        ++end;
    }
    if (end == 0 || end == text.size()) {
        return false;
    }
    const std::string_view part1 = text.substr(0, end);
    const char separator = text[end];
    Order order = Order::kMonthFirst;
    bool allDigits = true;
    for (char c : part1) {
        allDigits = allDigits && IsDigit(c);
    }
    if (!allDigits) {
        out.month = LookUpMonthName(part1);
        if (out.month == 0) {
            return false;
        }
    } else if (part1.size() == 4) {
        out.year = ReadListNumber(part1);
        if (out.year < 1900) {
            return false;
        }
        order = Order::kYearFirst;
    } else if (part1.size() > 2) {
        return false;
    } else {
        const int value = ReadListNumber(part1);
        if (value == 0) {
            return false;
        }
        if (separator == '.' || value > 12) {
            if (value > 31) {
                return false;
            }
            out.day = value;
            order = Order::kDayFirst;
        } else {
            out.month = value;
        }
    }

    const std::size_t start2 = end + 1;
    end = start2;
    while (end < text.size() && !IsDateSeparator(text[end])) {
        ++end;
    }
    if (end == text.size()) {
        return false;
    }
    const int value2 = ReadListNumber(text.substr(start2, end - start2));
    if (order == Order::kMonthFirst) {
        if (value2 < 1 || value2 > 31) {
            return false;
        }
        out.day = value2;
    } else {
        if (value2 < 1 || value2 > 12) {
            return false;
        }
        out.month = value2;
    }

    const std::string_view part3 = text.substr(end + 1);
    if (part3.empty()) {
        return false;
    }
    const int value3 = ReadListNumber(part3);
    if (order == Order::kYearFirst) {
        if (value3 < 1 || value3 > 31) {
            return false;
        }
        out.day = value3;
    } else {
        out.year = FullYear(value3);
    }
    out.hasDate = 1;
    return true;
}

bool ParseDosTime(const char* token, std::size_t length, FtpListLine& out) {
    std::size_t at = 0;
    int hour = 0;
    for (;; ++at) {
        if (at == length) {
            return false;
        }
        if (token[at] == ':') {
            break;
        }
        if (!IsDigit(token[at])) {
            return false;
        }
        hour = hour * 10 + (token[at] - '0');
        if (hour > 24) {
            return false;
        }
    }
    if (at == 0 || at + 1 == length) {
        return false;
    }
    int minute = 0;
    for (++at; at < length && IsDigit(token[at]); ++at) {
        minute = minute * 10 + (token[at] - '0');
        if (minute > 59) {
            return false;
        }
    }
    if (at < length) {
        if (token[at] == 'P') {
            if (hour < 12) {
                hour += 12;
            }
        } else if (hour == 12) {
            hour = 0;  // 12:05AM
        }
    }
    out.hour = hour;
    out.minute = minute;
    out.hasTime = 1;
    return true;
}

bool ParseDosListLine(const char* text, std::size_t length, FtpListLine& out) {
    ListTokenReader tokens(text, list_tokens::LineLength(text, length));
    std::string_view date;
    if (!tokens.Next(date) || IsPermissionType(date[0]) || list_tokens::AllDigits(date) ||
        !ParseDosDate(date.data(), date.size(), out)) {
        return false;
    }
    std::string_view time;
    if (!tokens.Next(time) || !ParseDosTime(time.data(), time.size(), out)) {
        return false;
    }
    std::string_view size;
    if (!tokens.Next(size)) {
        return false;
    }
    if (size == "<DIR>") {
        out.isFolder = 1;
        out.size = 0;
    } else {
        out.isFolder = 0;
        out.size = ReadGroupedSize(size);
    }
    std::string_view name;
    if (!tokens.Rest(name)) {
        return false;
    }
    while (!name.empty() && (name.back() == '\r' || name.back() == '\n')) {
        name.remove_suffix(1);
    }
    list_tokens::StoreListName(name, out);
    return true;
}
