#include "ftp/date_time.h"

#include <climits>
#include <cstdio>
#include <string_view>

namespace {

bool IsScanSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// Reads numbers separated by one separator byte as sscanf's "%d<sep>%d<sep>%d" does (leading
// blanks, a sign, digits), stopping at the first part that does not match; parts not read keep
// their values. Digits are ASCII whatever the locale; too many of them saturate.
void ScanNumbers(std::string_view text, char separator, int* values[], int count) {
    std::size_t i = 0;
    for (int part = 0; part < count; ++part) {
        if (part > 0) {
            if (i >= text.size() || text[i] != separator) {
                return;
            }
            ++i;
        }
        while (i < text.size() && IsScanSpace(text[i])) {
            ++i;
        }
        bool negative = false;
        if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
            negative = text[i] == '-';
            ++i;
        }
        if (i >= text.size() || text[i] < '0' || text[i] > '9') {
            return;
        }
        long long value = 0;
        for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
            if (value <= INT_MAX) {
                value = value * 10 + (text[i] - '0');
            }
        }
        if (negative) {
            value = -value;
        }
        *values[part] = static_cast<int>(value > INT_MAX    ? INT_MAX
                                         : value < -INT_MAX ? -INT_MAX
                                                            : value);
    }
}

std::string FormatThree(const char* format, long long a, long long b, long long c) {
    char text[80];
    std::snprintf(text, sizeof(text), format, a, b, c);
    return text;
}

}  // namespace

namespace {

// The broken-down date of MakeTimeFromFields' rules; false when the month cannot be one.
bool FieldsToTm(tm& fields, int year, int month, int day, int hour, int minute, int second) {
    if (month == INT_MIN) {
        return false;  // month - 1 would not fit
    }
    if (year <= 69) {
        year += 2000;
    } else if (year < 1900) {
        year += 1900;
    }
    fields = tm{};
    fields.tm_year = year - 1900;
    fields.tm_mon = month - 1;
    fields.tm_mday = day;
    fields.tm_hour = hour;
    fields.tm_min = minute;
    fields.tm_sec = second;
    fields.tm_isdst = -1;
    return true;
}

std::int32_t Store(time_t converted, time_t& out) {
    if (converted == static_cast<time_t>(-1)) {
        return 0;
    }
    out = converted;
    return 1;
}

}  // namespace

std::int32_t MakeTimeFromFields(time_t& out, int year, int month, int day, int hour, int minute,
                                int second) {
    tm fields;
    return FieldsToTm(fields, year, month, day, hour, minute, second) ? Store(mktime(&fields), out)
                                                                      : 0;
}

std::int32_t MakeUtcTimeFromFields(time_t& out, int year, int month, int day, int hour, int minute,
                                   int second) {
    tm fields;
    return FieldsToTm(fields, year, month, day, hour, minute, second) ? Store(timegm(&fields), out)
                                                                      : 0;
}

void ParseDateTimeText(time_t& out, const std::string& dateText, const std::string& timeText) {
    if (dateText.empty()) {
        out = 0;
        return;
    }
    int year = 0;
    int month = 1;
    int day = 1;
    int hour = 0;
    int minute = 0;
    int second = 0;
    int* dateParts[] = {&year, &month, &day};
    int* timeParts[] = {&hour, &minute, &second};
    ScanNumbers(dateText, '-', dateParts, 3);
    ScanNumbers(timeText, ':', timeParts, 3);
    // The same year rules as the conversion from fields.
    MakeTimeFromFields(out, year, month, day, hour, minute, second);
}

void FormatDateTime(time_t time, std::string& dateText, std::string& timeText) {
    dateText.clear();
    timeText.clear();
    if (time == 0) {
        return;
    }
    tm local{};
    if (localtime_r(&time, &local) == nullptr) {
        return;
    }
    dateText = FormatThree("%.4lld-%.2lld-%.2lld", local.tm_year + 1900LL, local.tm_mon + 1,
                           local.tm_mday);
    timeText = FormatThree("%.2lld:%.2lld:%.2lld", local.tm_hour, local.tm_min, local.tm_sec);
}

std::int32_t GetTimeZoneBias() {
    time_t now = ::time(nullptr);
    tm local{};
    if (localtime_r(&now, &local) == nullptr) {
        return 0;
    }
    return static_cast<std::int32_t>(-local.tm_gmtoff);
}
