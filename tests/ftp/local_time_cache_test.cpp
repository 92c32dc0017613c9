#include "ftp/local_time_cache.h"

#include <gtest/gtest.h>

#include <ctime>

#include "ftp/date_time.h"
#include "ftp/time_zone_guard.h"

namespace {

// Central European time with its clock changes (last Sundays of March and October).
constexpr char kZoneWithClockChanges[] = "CET-1CEST,M3.5.0,M10.5.0/3";

TEST(LocalTimeCache, AgreesWithTheOneByOneConversionAllYear) {
    TimeZoneGuard zone(kZoneWithClockChanges);
    LocalTimeCache cache;
    // Every hour of 2024 at minutes and seconds that change from hour to hour, the hour the clock
    // skips in March and the hour it repeats in October included.
    int checked = 0;
    for (int day = 1; day <= 366; ++day) {
        for (int hour = 0; hour < 24; ++hour) {
            const int minute = (day * 7 + hour) % 60;
            const int second = (day + hour * 13) % 60;
            // The month and day of this day of the year.
            std::tm fields{};
            fields.tm_year = 124;
            fields.tm_mday = day;
            fields.tm_hour = 12;
            timegm(&fields);
            const int month = fields.tm_mon + 1;
            const int dayOfMonth = fields.tm_mday;
            time_t expected = 0;
            ASSERT_EQ(MakeTimeFromFields(expected, 2024, month, dayOfMonth, hour, minute, second),
                      1);
            time_t got = 0;
            ASSERT_EQ(cache.Convert(got, 2024, month, dayOfMonth, hour, minute, second), 1);
            ASSERT_EQ(got, expected) << month << "-" << dayOfMonth << " " << hour << ":" << minute;
            ++checked;
        }
    }
    EXPECT_EQ(checked, 366 * 24);
}

TEST(LocalTimeCache, GivesTheSameForTheSameHourAskedAgain) {
    TimeZoneGuard zone(kZoneWithClockChanges);
    LocalTimeCache cache;
    time_t first = 0;
    time_t again = 0;
    ASSERT_EQ(cache.Convert(first, 2015, 3, 3, 10, 5, 0), 1);
    ASSERT_EQ(cache.Convert(again, 2015, 3, 3, 10, 59, 59), 1);
    EXPECT_EQ(again - first, 54 * 60 + 59);
}

struct UnusualCase {
    const char* name;
    int year, month, day, hour, minute, second;
};

TEST(LocalTimeCache, PassesUnusualFieldsToTheOneByOneConversion) {
    TimeZoneGuard zone(kZoneWithClockChanges);
    const UnusualCase cases[] = {
        {"month 13", 2024, 13, 1, 0, 0, 0},      {"hour 24", 2009, 1, 15, 24, 0, 0},
        {"two-digit year", 9, 1, 15, 12, 30, 0}, {"day 0", 2024, 3, 0, 10, 0, 0},
        {"minute 75", 2024, 3, 1, 10, 75, 0},    {"second 60", 2024, 3, 1, 10, 0, 60},
        {"negative", 2024, -1, -1, -1, -1, -1},
    };
    for (const UnusualCase& c : cases) {
        LocalTimeCache cache;
        time_t expected = 7;
        time_t got = 7;
        EXPECT_EQ(cache.Convert(got, c.year, c.month, c.day, c.hour, c.minute, c.second),
                  MakeTimeFromFields(expected, c.year, c.month, c.day, c.hour, c.minute, c.second))
            << c.name;
        EXPECT_EQ(got, expected) << c.name;
    }
}

TEST(LocalTimeCache, StaysRightPastItsBound) {
    TimeZoneGuard zone("XYZ-2");
    LocalTimeCache cache;
    // More distinct hours than the cache keeps.
    for (int i = 0; i < 5000; ++i) {
        const int day = 1 + i % 28;
        const int hour = (i / 28) % 24;
        const int month = 1 + (i / (28 * 24)) % 12;
        time_t got = 0;
        ASSERT_EQ(cache.Convert(got, 2020, month, day, hour, 30, 0), 1);
        EXPECT_EQ(got, UtcTime(2020, month, day, hour, 30, 0) - 7200);
    }
}

}  // namespace
