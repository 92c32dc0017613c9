// MS-DOS / Windows (IIS) listing lines: date, time, <DIR> or size, name.
#include <gtest/gtest.h>

#include <string>

#include "ftp/list_line_expect.h"
#include "ftp/list_parser.h"

namespace {

constexpr ListToday kToday{2024, 6, 15};

TEST(ParseDosListLine, ReadsFoldersFilesDatesAndTimes) {
    const std::string longName(300, 'n');
    const ListCase cases[] = {
        {"folder", "01-15-09  12:30PM  <DIR>  Backup", {"Backup", 0, 2009, 1, 15, 12, 30, 1, 1}},
        {"file with a grouped size",
         "01-15-09  12:05AM  1,234  a.txt",
         {"a.txt", 1234, 2009, 1, 15, 0, 5, 1}},
        {"afternoon", "01-15-09  01:05PM  5 a", {"a", 5, 2009, 1, 15, 13, 5, 1}},
        {"morning", "01-15-09  11:59AM  5 a", {"a", 5, 2009, 1, 15, 11, 59, 1}},
        {"year first, 24-hour time",
         "2009-01-15 09:05 1,234 report.txt",
         {"report.txt", 1234, 2009, 1, 15, 9, 5, 1}},
        {"year first with slashes", "2009/01/15 23:59 1 a", {"a", 1, 2009, 1, 15, 23, 59, 1}},
        {"day first with points", "15.01.09 10:00 <DIR> x", {"x", 0, 2009, 1, 15, 10, 0, 1, 1}},
        {"points mean day first even when both fit",
         "05.06.2009 10:00 1 x",
         {"x", 1, 2009, 6, 5, 10, 0, 1}},
        {"slashes, month first", "05/06/2009 10:00 1 x", {"x", 1, 2009, 5, 6, 10, 0, 1}},
        {"dashes, month first", "05-06-2009 10:00 1 x", {"x", 1, 2009, 5, 6, 10, 0, 1}},
        {"slashes, day above 12 first", "15/01/2009 10:00 1 x", {"x", 1, 2009, 1, 15, 10, 0, 1}},
        {"dashes, day above 12 first", "15-01-09 10:00 1 x", {"x", 1, 2009, 1, 15, 10, 0, 1}},
        {"one-digit parts", "1-5-9 10:00 1 x", {"x", 1, 2009, 1, 5, 10, 0, 1}},
        {"month name first", "Jan-15-2009 10:00 1 x", {"x", 1, 2009, 1, 15, 10, 0, 1}},
        {"year 49 is 2049", "01-15-49 10:00 1 x", {"x", 1, 2049, 1, 15, 10, 0, 1}},
        {"year 50 is 1950", "01-15-50 10:00 1 x", {"x", 1, 1950, 1, 15, 10, 0, 1}},
        {"year 99 is 1999", "01-15-99 10:00 1 x", {"x", 1, 1999, 1, 15, 10, 0, 1}},
        {"year 00 is 2000", "01-15-00 10:00 1 x", {"x", 1, 2000, 1, 15, 10, 0, 1}},
        {"three-digit year from 1900", "01-15-109 10:00 1 x", {"x", 1, 2009, 1, 15, 10, 0, 1}},
        {"four-digit year", "01-15-1999 10:00 1 x", {"x", 1, 1999, 1, 15, 10, 0, 1}},
        {"one-digit hour", "01-15-09 9:05 1 x", {"x", 1, 2009, 1, 15, 9, 5, 1}},
        {"hour 24", "01-15-09 24:00 1 x", {"x", 1, 2009, 1, 15, 24, 0, 1}},
        {"seconds are ignored", "01-15-09 10:30:45 1 x", {"x", 1, 2009, 1, 15, 10, 30, 1}},
        {"several thousands separators",
         "01-15-09 10:00 1,234,567 x",
         {"x", 1234567, 2009, 1, 15, 10, 0, 1}},
        {"large size",
         "01-15-09 10:00 12345678901234 x",
         {"x", 12345678901234, 2009, 1, 15, 10, 0, 1}},
        {"name with spaces",
         "01-15-09 10:00 <DIR>   My Documents",
         {"My Documents", 0, 2009, 1, 15, 10, 0, 1, 1}},
        {"line end removed, other marks kept",
         "01-15-09 10:00 1 dir/\r\n",
         {"dir/", 1, 2009, 1, 15, 10, 0, 1}},
        {"long names are cut",
         "01-15-09 10:00 1 " + longName,
         {longName.substr(0, 259), 1, 2009, 1, 15, 10, 0, 1}},
        {"leading blanks", "  \t01-15-09 10:00 1 x", {"x", 1, 2009, 1, 15, 10, 0, 1}},
    };
    ExpectListCases(cases, kToday);
}

TEST(ParseDosListLine, RejectsLinesThatAreNotItems) {
    const std::string rejects[] = {
        "",
        "total 48",
        " Volume in drive C has no label.",
        "1800-01-15 10:00 1 x",  // year before 1900
        "123-01-15 10:00 1 x",   // three-digit first part
        "00-01-15 10:00 1 x",    // zero first part
        "13-13-09 10:00 1 x",    // day first, month 13
        "32.01.09 10:00 1 x",    // day 32
        "01-32-09 10:00 1 x",    // day 32, month first
        "01-00-09 10:00 1 x",    // day 0
        "2009-00-15 10:00 1 x",  // month 0
        "2009-01-32 10:00 1 x",  // day 32, year first
        "01-15 10:00 1 x",       // two parts
        "01-15- 10:00 1 x",      // empty year
        "01--09 10:00 1 x",      // empty day
        "20090115 10:00 1 x",    // digits only
        "dec-15-09 10:00 1 x",   // starts like Unix permissions
        "Foo-15-09 10:00 1 x",   // unknown month
        "01-15-09 25:00 1 x",    // hour 25
        "01-15-09 12:60 1 x",    // minute 60
        "01-15-09 :30 1 x",      // no hour
        "01-15-09 12: 1 x",      // nothing after ':'
        "01-15-09 1230 1 x",     // no ':'
        "01-15-09 1a:00 1 x",    // letter in the hour
        "01-15-09 10:00",        // no size
        "01-15-09 10:00 <DIR>",  // no name
        "01-15-09 10:00 <DIR>  \t ",
    };
    ExpectListRejects(rejects, kToday);
}

struct DosTimeCase {
    const char* token;
    bool ok;
    int hour;
    int minute;
};

TEST(ParseDosTime, ReadsTwelveAndTwentyFourHourTimes) {
    const DosTimeCase cases[] = {
        {"12:30PM", true, 12, 30}, {"12:05AM", true, 0, 5},
        {"01:05PM", true, 13, 5},  {"11:59AM", true, 11, 59},
        {"00:00", true, 0, 0},     {"9:05", true, 9, 5},
        {"24:00", true, 24, 0},    {"10:30:45", true, 10, 30},
        {"12:30pm", true, 0, 30},  // only a capital P marks the afternoon
        {"12:AM", true, 0, 0},     {"25:00", false, 0, 0},
        {"240:00", false, 0, 0},   {"12:60", false, 0, 0},
        {"12:", false, 0, 0},      {":30", false, 0, 0},
        {"1230", false, 0, 0},     {"1a:00", false, 0, 0},
        {"", false, 0, 0},
    };
    for (const DosTimeCase& c : cases) {
        SCOPED_TRACE(c.token);
        const std::string token = c.token;
        FtpListLine out;
        EXPECT_EQ(ParseDosTime(token.data(), token.size(), out), c.ok);
        if (c.ok) {
            EXPECT_EQ(out.hour, c.hour);
            EXPECT_EQ(out.minute, c.minute);
            EXPECT_EQ(out.hasTime, 1);
        }
    }
}

struct DosDateCase {
    const char* token;
    bool ok;
    int year;
    int month;
    int day;
};

TEST(ParseDosDate, ReadsTheThreeOrdersOfDateParts) {
    const DosDateCase cases[] = {
        {"01-15-09", true, 2009, 1, 15},
        {"2009-01-15", true, 2009, 1, 15},
        {"1900.12.31", true, 1900, 12, 31},
        {"15.01.09", true, 2009, 1, 15},
        {"01.02.09", true, 2009, 2, 1},
        {"01/02/09", true, 2009, 1, 2},
        {"13/12/09", true, 2009, 12, 13},
        {"31-12-99", true, 1999, 12, 31},
        {"Dec.31.1999", true, 1999, 12, 31},
        {"JAN/1/2000", true, 2000, 1, 1},
        {"01-15-09-extra", true, 2009, 1, 15},
        {"1899-01-15", false, 0, 0, 0},
        {"32-01-09", false, 0, 0, 0},
        {"01-15", false, 0, 0, 0},
        {"01-15-", false, 0, 0, 0},
        {"-01-15", false, 0, 0, 0},
        {"0115", false, 0, 0, 0},
        {"", false, 0, 0, 0},
    };
    for (const DosDateCase& c : cases) {
        SCOPED_TRACE(c.token);
        const std::string token = c.token;
        FtpListLine out;
        EXPECT_EQ(ParseDosDate(token.data(), token.size(), out), c.ok);
        if (c.ok) {
            EXPECT_EQ(out.year, c.year);
            EXPECT_EQ(out.month, c.month);
            EXPECT_EQ(out.day, c.day);
            EXPECT_EQ(out.hasDate, 1);
        }
    }
}

}  // namespace
