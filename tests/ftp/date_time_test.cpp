#include "ftp/date_time.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>

namespace {

// Sets TZ for the test's lifetime and puts the previous value back.
class PinnedTimeZone {
public:
    explicit PinnedTimeZone(const char* zone) {
        if (const char* old = std::getenv("TZ")) {
            previous_ = old;
        }
        setenv("TZ", zone, 1);
        tzset();
    }
    ~PinnedTimeZone() {
        if (previous_) {
            setenv("TZ", previous_->c_str(), 1);
        } else {
            unsetenv("TZ");
        }
        tzset();
    }
    PinnedTimeZone(const PinnedTimeZone&) = delete;
    PinnedTimeZone& operator=(const PinnedTimeZone&) = delete;

private:
    std::optional<std::string> previous_;
};

// POSIX zone texts count hours west of UTC: "XXX-2" is two hours east.
constexpr const char* kUtc = "UTC0";
constexpr const char* kTwoHoursEast = "XXX-2";
constexpr const char* kCentralEurope = "CET-1CEST,M3.5.0,M10.5.0/3";

// 2009-01-15 12:30:00 UTC.
constexpr time_t kJan15Utc = 1232022600;

int LocalYear(time_t time) {
    tm local{};
    localtime_r(&time, &local);
    return local.tm_year + 1900;
}

TEST(MakeTimeFromFields, ReadsShortYearsByTheTwoDigitRules) {
    PinnedTimeZone zone(kUtc);
    struct Case {
        int year;
        int fullYear;
    } cases[] = {
        {0, 2000},   {9, 2009},    {69, 2069},   {70, 1970},   {99, 1999},
        {100, 2000}, {1899, 3799}, {1900, 1900}, {2009, 2009}, {-1, 1999},
    };
    for (const Case& c : cases) {
        time_t out = 0;
        EXPECT_EQ(MakeTimeFromFields(out, c.year, 6, 15, 12, 0, 0), 1) << c.year;
        EXPECT_EQ(LocalYear(out), c.fullYear) << c.year;
    }
}

TEST(MakeTimeFromFields, ConvertsLocalTimeWithMonthsFromOne) {
    time_t out = 0;
    {
        PinnedTimeZone zone(kUtc);
        ASSERT_EQ(MakeTimeFromFields(out, 2009, 1, 15, 12, 30, 0), 1);
        EXPECT_EQ(out, kJan15Utc);
    }
    {
        PinnedTimeZone zone(kTwoHoursEast);
        ASSERT_EQ(MakeTimeFromFields(out, 2009, 1, 15, 12, 30, 0), 1);
        EXPECT_EQ(out, kJan15Utc - 7200);
    }
}

TEST(MakeTimeFromFields, LetsTheLibraryDecideAboutDaylightSaving) {
    PinnedTimeZone zone(kCentralEurope);
    time_t winter = 0;
    time_t summer = 0;
    ASSERT_EQ(MakeTimeFromFields(winter, 2009, 1, 15, 12, 30, 0), 1);
    ASSERT_EQ(MakeTimeFromFields(summer, 2009, 7, 15, 12, 30, 0), 1);
    EXPECT_EQ(winter, kJan15Utc - 3600);
    // 2009-07-15 12:30 CEST is 10:30 UTC.
    EXPECT_EQ(summer, 1247653800);
}

TEST(MakeTimeFromFields, KeepsTheOldValueWhenTheConversionGivesMinusOne) {
    PinnedTimeZone zone(kUtc);
    time_t out = 42;
    // One second before 1970 in UTC converts to -1, which cannot be told from a failure.
    EXPECT_EQ(MakeTimeFromFields(out, 1969, 12, 31, 23, 59, 59), 0);
    EXPECT_EQ(out, 42);
}

TEST(ParseDateTimeText, ReadsDateAndTimeTexts) {
    PinnedTimeZone zone(kUtc);
    time_t out = 0;
    ParseDateTimeText(out, "2009-01-15", "12:30:00");
    EXPECT_EQ(out, kJan15Utc);
    ParseDateTimeText(out, "09-1-15", "12:30");
    EXPECT_EQ(out, kJan15Utc) << "two-digit year, missing seconds";
}

TEST(ParseDateTimeText, GivesZeroForAnEmptyDate) {
    PinnedTimeZone zone(kUtc);
    time_t out = 42;
    ParseDateTimeText(out, "", "12:30:00");
    EXPECT_EQ(out, 0);
}

TEST(ParseDateTimeText, FillsMissingPartsWithDefaults) {
    PinnedTimeZone zone(kUtc);
    struct Case {
        const char* date;
        const char* time;
        const char* expected;  // as FormatDateTime writes it
    } cases[] = {
        {"2009", "", "2009-01-01 00:00:00"},
        {"2009-03", "7", "2009-03-01 07:00:00"},
        {"2009-03-05", "7:08", "2009-03-05 07:08:00"},
        // Reading stops at the first part that is not a number.
        {"2009-x-05", "7:y:09", "2009-01-01 07:00:00"},
        // No number at all: year 0, which is 2000.
        {"x", "", "2000-01-01 00:00:00"},
        {"69-12-31", "", "2069-12-31 00:00:00"},
        {"70-06-01", "", "1970-06-01 00:00:00"},
        {"1899-06-01", "", "3799-06-01 00:00:00"},
        {" 2009- 3- 5", " 1: 2: 3", "2009-03-05 01:02:03"},
    };
    for (const Case& c : cases) {
        time_t out = 0;
        ParseDateTimeText(out, c.date, c.time);
        std::string date;
        std::string time;
        FormatDateTime(out, date, time);
        EXPECT_EQ(date + " " + time, c.expected) << c.date << " " << c.time;
    }
}

TEST(ParseDateTimeText, KeepsTheOldValueWhenTheConversionGivesMinusOne) {
    PinnedTimeZone zone(kUtc);
    time_t out = 42;
    ParseDateTimeText(out, "1969-12-31", "23:59:59");
    EXPECT_EQ(out, 42);
}

TEST(FormatDateTime, GivesEmptyTextsForZero) {
    std::string date = "old";
    std::string time = "old";
    FormatDateTime(0, date, time);
    EXPECT_EQ(date, "");
    EXPECT_EQ(time, "");
}

TEST(FormatDateTime, WritesLocalDateAndTimeWithLeadingZeros) {
    std::string date;
    std::string time;
    {
        PinnedTimeZone zone(kUtc);
        FormatDateTime(kJan15Utc, date, time);
        EXPECT_EQ(date, "2009-01-15");
        EXPECT_EQ(time, "12:30:00");
        FormatDateTime(1, date, time);
        EXPECT_EQ(date, "1970-01-01");
        EXPECT_EQ(time, "00:00:01");
    }
    {
        PinnedTimeZone zone(kTwoHoursEast);
        FormatDateTime(kJan15Utc, date, time);
        EXPECT_EQ(date, "2009-01-15");
        EXPECT_EQ(time, "14:30:00");
    }
}

TEST(FormatDateTime, RoundTripsWithParseDateTimeText) {
    for (const char* zoneText : {kUtc, kTwoHoursEast, kCentralEurope}) {
        PinnedTimeZone zone(zoneText);
        for (const char* text : {"2008-03-03 00:00:00", "2024-07-31 23:59:59",
                                 "2038-01-19 03:14:08", "2009-10-25 01:30:00"}) {
            const std::string whole = text;
            time_t value = 0;
            ParseDateTimeText(value, whole.substr(0, 10), whole.substr(11));
            std::string date;
            std::string time;
            FormatDateTime(value, date, time);
            EXPECT_EQ(date + " " + time, whole) << zoneText;
        }
    }
}

TEST(GetTimeZoneBias, IsMinusTheOffsetOfLocalTime) {
    struct Case {
        const char* zone;
        int bias;
    } cases[] = {
        {kUtc, 0},
        {kTwoHoursEast, -7200},
        {"XXX+5", 18000},
        {"XXX-5:30", -19800},
    };
    for (const Case& c : cases) {
        PinnedTimeZone zone(c.zone);
        EXPECT_EQ(GetTimeZoneBias(), c.bias) << c.zone;
    }
}

TEST(GetTimeZoneBias, TurnsLocalWallClockSecondsIntoUtcSeconds) {
    PinnedTimeZone zone(kTwoHoursEast);
    time_t now = time(nullptr);
    tm local{};
    localtime_r(&now, &local);
    // The local wall clock read as if it were UTC.
    time_t wallClock = timegm(&local);
    EXPECT_EQ(wallClock + GetTimeZoneBias(), now);
}

}  // namespace
