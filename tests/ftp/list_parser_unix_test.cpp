// Unix ls -l lines as real servers send them, with their variations in owner, group, size,
// date and name.
#include <gtest/gtest.h>

#include <cstdint>
#include <ctime>
#include <string>

#include "ftp/list_line_expect.h"
#include "ftp/list_parser.h"

namespace {

// Dates without a year are placed relative to this day.
constexpr ListToday kToday{2024, 6, 15};

TEST(ParseUnixListLine, ReadsOwnerGroupAndLinkCountVariants) {
    const ListCase cases[] = {
        {"usual",
         "-rw-r--r--   1 owner    group       1234 Jan 15 12:30 notes.txt",
         {"notes.txt", 1234, 2024, 1, 15, 12, 30, 1}},
        {"folder with a year",
         "drwxr-xr-x 2 owner group 4096 Mar  3  2008 src",
         {"src", 4096, 2008, 3, 3, 0, 0, 0, 1}},
        {"no group", "-rw-r--r-- 1 owner 512 Feb 2 2009 a", {"a", 512, 2009, 2, 2, 0, 0, 0}},
        {"no link count",
         "-rw-r--r-- owner group 100 Jan 5 10:00 a",
         {"a", 100, 2024, 1, 5, 10, 0, 1}},
        {"numeric owner and group",
         "-rw-r--r-- 1 1000 1000 2048 Jan 5 10:00 a",
         {"a", 2048, 2024, 1, 5, 10, 0, 1}},
        {"numeric owner id before the owner",
         "-rw-r--r-- 1 0 owner group 5 Jan 5 10:00 a",
         {"a", 5, 2024, 1, 5, 10, 0, 1}},
        {"numeric owner, named group",
         "-rw-r--r-- 1 1000 users 2048 Jan 5 10:00 a",
         {"a", 2048, 2024, 1, 5, 10, 0, 1}},
        {"two-word group",
         "-rw-r--r-- 1 owner Domain Users 4096 Jan 5 10:00 a",
         {"a", 4096, 2024, 1, 5, 10, 0, 1}},
        {"three-word group",
         "-rw-r--r-- 1 owner Domain Admin Users 77 Jan 5 10:00 a",
         {"a", 77, 2024, 1, 5, 10, 0, 1}},
        {"size glued to the group",
         "-rw-r--r-- 1 owner staff12345 Jan 5 10:00 a",
         {"a", 12345, 2024, 1, 5, 10, 0, 1}},
        {"size glued to the last group word",
         "-rw-r--r-- 1 owner my staff12345 Jan 5 10:00 a",
         {"a", 12345, 2024, 1, 5, 10, 0, 1}},
        {"device numbers: the minor one is the size",
         "brw-rw---- 1 root disk 8, 1 Jan 5 10:00 sda1",
         {"sda1", 1, 2024, 1, 5, 10, 0, 1}},
        {"character device",
         "crw-rw-rw- 1 root tty 5, 0 Jan 5 10:00 tty",
         {"tty", 0, 2024, 1, 5, 10, 0, 1}},
        {"named pipe",
         "prw-r--r-- 1 owner group 0 Jan 5 10:00 fifo",
         {"fifo", 0, 2024, 1, 5, 10, 0, 1}},
        {"socket",
         "srwxrwxrwx 1 owner group 0 Jan 5 10:00 sock",
         {"sock", 0, 2024, 1, 5, 10, 0, 1}},
        {"NetWare folder",
         "d [RWCEAFMS] owner 512 Jan 5 10:00 name",
         {"name", 512, 2024, 1, 5, 10, 0, 1, 1}},
        {"NetWare file",
         "- [R----F--] supervisor 1024 Jan 16 18:53 file.txt",
         {"file.txt", 1024, 2024, 1, 16, 18, 53, 1}},
        {"folder word",
         "drwxr-xr-x folder owner 2 May 10 1996 network",
         {"network", 2, 1996, 5, 10, 0, 0, 0, 1}},
        {"server tag, owner id, group",
         "-rwxrwxrwxFTP owner 77 group 1234 Jan 5 10:00 a",
         {"a", 1234, 2024, 1, 5, 10, 0, 1}},
        {"tabs between fields",
         "-rw-r--r--\t1\towner\tgroup\t42\tJan\t5\t10:00\ta",
         {"a", 42, 2024, 1, 5, 10, 0, 1}},
    };
    ExpectListCases(cases, kToday);
}

// With FTP, FTS, TCP or SSH at the end of the permissions, a number after the owner is the
// owner's id, so the word after it is the group. Without the tag that number is the group.
TEST(ParseUnixListLine, TakesTheNumberAfterTheOwnerAsItsIdAfterAServerTag) {
    for (const char* tag : {"FTP", "FTS", "TCP", "SSH"}) {
        SCOPED_TRACE(tag);
        FtpListLine out;
        const std::string permissions = std::string("-rwxrwxrwx") + tag;
        EXPECT_FALSE(ParseListLine(permissions + " owner 77 1234 Jan 5 10:00 a", out, &kToday));
        ASSERT_TRUE(
            ParseListLine(permissions + " owner 77 users 1234 Jan 5 10:00 a", out, &kToday));
        EXPECT_EQ(out.size, 1234u);
    }
    for (const char* permissions : {"-rwxrwxrwx", "-rwxrwxrwxABC", "FTP"}) {
        SCOPED_TRACE(permissions);
        FtpListLine out;
        const bool ok =
            ParseListLine(std::string(permissions) + " owner 77 1234 Jan 5 10:00 a", out, &kToday);
        EXPECT_EQ(ok, permissions[0] == '-');
        if (ok) {
            EXPECT_EQ(out.size, 1234u);
        }
    }
    FtpListLine out;
    ASSERT_TRUE(ParseListLine("-FTP owner 77 users 9 Jan 5 10:00 a", out, &kToday));
    EXPECT_EQ(out.size, 9u);
    EXPECT_FALSE(ParseListLine("-FTP owner 77 9 Jan 5 10:00 a", out, &kToday));
}

TEST(ParseUnixListLine, ReadsSizesWithUnitsAndDecimals) {
    const ListCase cases[] = {
        {"kilobytes with a decimal",
         "-rw-r--r-- 1 owner group 1.5K Jan 5 10:00 a",
         {"a", 1536, 2024, 1, 5, 10, 0, 1}},
        {"lower-case unit",
         "-rw-r--r-- 1 owner group 3k Jan 5 10:00 a",
         {"a", 3072, 2024, 1, 5, 10, 0, 1}},
        {"megabytes",
         "-rw-r--r-- 1 owner group 12M Jan 5 10:00 a",
         {"a", 12582912, 2024, 1, 5, 10, 0, 1}},
        {"two decimals",
         "-rw-r--r-- 1 owner group 1.25M Jan 5 10:00 a",
         {"a", 1310720, 2024, 1, 5, 10, 0, 1}},
        {"gigabytes",
         "-rw-r--r-- 1 owner group 0.5g Jan 5 10:00 a",
         {"a", 536870912, 2024, 1, 5, 10, 0, 1}},
        {"terabytes",
         "-rw-r--r-- 1 owner group 2T Jan 5 10:00 a",
         {"a", 2199023255552, 2024, 1, 5, 10, 0, 1}},
        {"large plain size",
         "-rw-r--r-- 1 owner group 5368709120 Jan 5 10:00 a",
         {"a", 5368709120, 2024, 1, 5, 10, 0, 1}},
        {"too many digits saturate",
         "-rw-r--r-- 1 owner group 99999999999999999999 Jan 5 10:00 a",
         {"a", 9223372036854775807u, 2024, 1, 5, 10, 0, 1}},
        {"zero", "-rw-r--r-- 1 owner group 0 Jan 5 10:00 a", {"a", 0, 2024, 1, 5, 10, 0, 1}},
    };
    ExpectListCases(cases, kToday);
}

struct SizeCase {
    const char* token;
    bool ok;
    std::uint64_t value;
};

TEST(ParseSizeToken, ReadsDigitsOrDigitsWithAUnitLetter) {
    const SizeCase cases[] = {
        {"1234", true, 1234},
        {"007", true, 7},
        {"1.5K", true, 1536},
        {"1.5k", true, 1536},
        {"12M", true, 12u << 20},
        {"2G", true, 2ull << 30},
        {"1t", true, 1ull << 40},
        {"1.2.5K", true, 12800},  // the last point counts: 125 * 1024 / 10
        {"5.K", true, 5120},
        {"1.99K", true, 2037},  // divided after the multiplication: 199 * 1024 / 100
        {"99999999999999999999", true, 9223372036854775807u},
        {".5K", false, 0},
        {"1.5X", false, 0},
        {"1.5", false, 0},
        {"1a5K", false, 0},
        {"-5K", false, 0},
        {"K1", false, 0},
        {"Jan", false, 0},
        {"5,", false, 0},
        {"", false, 0},
    };
    for (const SizeCase& c : cases) {
        SCOPED_TRACE(c.token);
        const std::string token = c.token;
        std::uint64_t value = 0;
        EXPECT_EQ(ParseSizeToken(token.data(), token.size(), &value), c.ok);
        if (c.ok) {
            EXPECT_EQ(value, c.value);
        }
    }
}

TEST(ParseUnixListLine, ReadsEveryDateForm) {
    const ListCase cases[] = {
        {"year-month-day",
         "-rw-r--r-- 1 owner group 1234 2009-01-15 12:30 a",
         {"a", 1234, 2009, 1, 15, 12, 30, 1}},
        {"year-day-month",
         "-rw-r--r-- 1 owner group 1234 2009-15-01 12:30 a",
         {"a", 1234, 2009, 1, 15, 12, 30, 1}},
        {"year first, month name",
         "-rw-r--r-- 1 owner group 1 2009-Jan-15 12:30 a",
         {"a", 1, 2009, 1, 15, 12, 30, 1}},
        {"year first, a word after the date is the name",
         "-rw-r--r-- 1 owner group 1 2009-01-15 notes",
         {"notes", 1, 2009, 1, 15, 0, 0, 0}},
        {"day-month-year",
         "-rw-r--r-- 1 owner group 1 15-01-2009 12:30 a",
         {"a", 1, 2009, 1, 15, 12, 30, 1}},
        {"month-day-year",
         "-rw-r--r-- 1 owner group 1 01-15-2009 12:30 a",
         {"a", 1, 2009, 1, 15, 12, 30, 1}},
        {"day-month-year preferred when both fit",
         "-rw-r--r-- 1 owner group 1 05-06-2009 12:30 a",
         {"a", 1, 2009, 6, 5, 12, 30, 1}},
        {"day-name-year",
         "-rw-r--r-- 1 owner group 1 15-Jan-2009 12:30 a",
         {"a", 1, 2009, 1, 15, 12, 30, 1}},
        {"a year last is taken as written",
         "-rw-r--r-- 1 owner group 1 15-01-09 12:30 a",
         {"a", 1, 9, 1, 15, 12, 30, 1}},
        {"month-day with a dash",
         "-rw-r--r-- 1 owner group 1 01-15 12:30 a",
         {"a", 1, 2024, 1, 15, 12, 30, 1}},
        {"name-day with a dash",
         "-rw-r--r-- 1 owner group 1 Jan-15 12:30 a",
         {"a", 1, 2024, 1, 15, 12, 30, 1}},
        {"day-name with a dash",
         "-rw-r--r-- 1 owner group 1 15-Jan 12:30 a",
         {"a", 1, 2024, 1, 15, 12, 30, 1}},
        {"slashes, year first",
         "-rw-r--r-- 1 owner group 1 2009/01/15 12:30 a",
         {"a", 1, 2009, 1, 15, 12, 30, 1}},
        {"slashes, year first, day before month",
         "-rw-r--r-- 1 owner group 1 2009/15/01 12:30 a",
         {"a", 1, 2009, 1, 15, 12, 30, 1}},
        {"slashes, month-day-year",
         "-rw-r--r-- 1 owner group 1 01/15/2009 12:30 a",
         {"a", 1, 2009, 1, 15, 12, 30, 1}},
        {"slashes, day-month-year",
         "-rw-r--r-- 1 owner group 1 15/01/2009 12:30 a",
         {"a", 1, 2009, 1, 15, 12, 30, 1}},
        {"slashes, month-day",
         "-rw-r--r-- 1 owner group 1 01/15 12:30 a",
         {"a", 1, 2024, 1, 15, 12, 30, 1}},
        {"comma form",
         "-rw-r--r-- 1 owner group 1 Jan 15, 2009 notes",
         {"notes", 1, 2009, 1, 15, 0, 0, 0}},
        {"comma form with a time",
         "-rw-r--r-- 1 owner group 1 Jan 15, 2009 12:30 notes",
         {"notes", 1, 2009, 1, 15, 12, 30, 1}},
        {"comma form: only hh:mm is a time",
         "-rw-r--r-- 1 owner group 1 Jan 15, 2009 9:30 notes",
         {"9:30 notes", 1, 2009, 1, 15, 0, 0, 0}},
        {"comma form: hour 24 is no time",
         "-rw-r--r-- 1 owner group 1 Jan 15, 2009 24:00 a",
         {"24:00 a", 1, 2009, 1, 15, 0, 0, 0}},
        {"comma form: minute 60 is no time",
         "-rw-r--r-- 1 owner group 1 Jan 15, 2009 10:60 a",
         {"10:60 a", 1, 2009, 1, 15, 0, 0, 0}},
        {"a doubled comma is no comma form",
         "-rw-r--r-- 1 owner group 1 Jan 15,, 2009 12:30 a",
         {"12:30 a", 1, 2009, 1, 15, 0, 0, 0}},
        {"without the comma a time after the year is the name",
         "-rw-r--r-- 1 owner group 1 Jan 15 2009 12:30 a",
         {"12:30 a", 1, 2009, 1, 15, 0, 0, 0}},
        {"time with a point",
         "-rw-r--r-- 1 owner group 1 Jan 5 10.30 a",
         {"a", 1, 2024, 1, 5, 10, 30, 1}},
        {"time with a dash",
         "-rw-r--r-- 1 owner group 1 Jan 5 10-30 a",
         {"a", 1, 2024, 1, 5, 10, 30, 1}},
        {"year, month, day in separate tokens",
         "-rw-r--r-- 1 owner group 1 2009 01 15 a",
         {"a", 1, 2009, 1, 15, 0, 0, 0}},
        {"year and month, then a time: no day",
         "-rw-r--r-- 1 owner group 1 2009 01 12:30 a",
         {"a", 1, 2009, 1, 0, 12, 30, 1}},
        {"day before the month name",
         "-rw-r--r-- 1 owner group 1 15 Jan 12:30 a",
         {"a", 1, 2024, 1, 15, 12, 30, 1}},
        {"month name with a point",
         "-rw-r--r-- 1 owner group 1 Jan. 5 10:00 a",
         {"a", 1, 2024, 1, 5, 10, 0, 1}},
        {"day with a point",
         "-rw-r--r-- 1 owner group 1 Jan 5. 10:00 a",
         {"a", 1, 2024, 1, 5, 10, 0, 1}},
        {"month number",
         "-rw-r--r-- 1 owner group 1 01 15 10:00 a",
         {"a", 1, 2024, 1, 15, 10, 0, 1}},
        {"month number followed by a UTF-8 month sign",
         "-rw-r--r-- 1 owner group 1 1\xE6\x9C\x88 15 10:00 a",
         {"a", 1, 2024, 1, 15, 10, 0, 1}},
        {"two-digit month with a UTF-8 month sign",
         "-rw-r--r-- 1 owner group 1 12\xE6\x9C\x88 15 10:00 a",
         {"a", 1, 2023, 12, 15, 10, 0, 1}},
        {"hour 24 as parsed",
         "-rw-r--r-- 1 owner group 1 Jan 5 24:00 a",
         {"a", 1, 2024, 1, 5, 24, 0, 1}},
    };
    ExpectListCases(cases, kToday);
}

struct MonthLineCase {
    const char* label;
    std::string month;
    int number;
};

TEST(ParseUnixListLine, ReadsMonthNamesOfManyLanguages) {
    const MonthLineCase cases[] = {
        {"English", "Sep", 9},
        {"English, long", "June", 6},
        {"German", "Mrz", 3},
        {"German, Latin-1", "M\xE4r", 3},
        {"German, Latin-1, lower case", "m\xE4r", 3},
        {"German, long", "M\xE4rz", 3},
        {"German", "Dez", 12},
        {"French", "janv", 1},
        {"French, Latin-1, with a point", "f\xE9vr.", 2},
        {"French", "avr", 4},
        {"French", "juil.", 7},
        {"French, Latin-1", "ao\xFBt", 8},
        {"French, Latin-1",
         "d\xE9"
         "c",
         12},
        {"Italian", "gen", 1},
        {"Italian", "giu", 6},
        {"Italian", "ott", 10},
        {"Spanish", "ene", 1},
        {"Spanish", "abr", 4},
        {"Spanish", "mzo", 3},
        {"Polish", "sty", 1},
        {"Polish", "wrz", 9},
        {"Polish", "gru", 12},
        {"Dutch", "mrt", 3},
        {"Dutch", "mei", 5},
        {"Swedish", "maj", 5},
        {"Portuguese", "out", 10},
        {"Catalan", "sbre", 9},
        {"Finnish", "Tammi", 1},
        {"Finnish, Latin-1", "kes\xE4", 6},
        {"Finnish, Latin-1", "hein\xE4", 7},
        {"Finnish", "marras", 11},
        {"Russian, CP1251", "\xFF\xED\xE2", 1},
        {"Russian, CP1251", "\xE4\xE5\xEA", 12},
        {"Japanese, Shift_JIS", "3\x8C\x8E", 3},
        {"month and sign", "10\xC6\xD4", 10},
        {"Korean, EUC-KR", "11\xBF\xF9", 11},
        {"upper case", "DEC", 12},
    };
    for (const MonthLineCase& c : cases) {
        SCOPED_TRACE(c.label);
        SCOPED_TRACE(c.month);
        FtpListLine out;
        ASSERT_TRUE(
            ParseListLine("-rw-r--r-- 1 owner group 1 " + c.month + " 5 2010 a", out, &kToday));
        EXPECT_EQ(out.month, c.number);
        EXPECT_EQ(out.day, 5);
        EXPECT_EQ(out.year, 2010);
    }
}

TEST(ParseUnixListLine, DoesNotFoldUpperCaseLatin1Letters) {
    FtpListLine out;
    EXPECT_FALSE(ParseListLine("-rw-r--r-- 1 owner group 1 M\xC4R 5 2010 a", out, &kToday));
    EXPECT_TRUE(ParseListLine("-rw-r--r-- 1 owner group 1 M\xE4R 5 2010 a", out, &kToday));
    EXPECT_EQ(out.month, 3);
}

struct InferCase {
    ListToday today;
    const char* date;
    int year;
};

TEST(ParseUnixListLine, PlacesADateWithoutYearInTheLastTwelveMonths) {
    const InferCase cases[] = {
        {{2024, 6, 15}, "Jun 15", 2024},  // today
        {{2024, 6, 15}, "Jun 16", 2023},  // one day after today
        {{2024, 6, 15}, "Jun 14", 2024},  {{2024, 6, 15}, "May 31", 2024},
        {{2024, 6, 15}, "Jul  1", 2023},  {{2024, 6, 15}, "Jan  1", 2024},
        {{2024, 6, 15}, "Dec 31", 2023},  {{2025, 1, 1}, "Jan  1", 2025},
        {{2025, 1, 1}, "Jan  2", 2024},   {{2025, 1, 1}, "Dec 31", 2024},
        {{2024, 12, 31}, "Dec 31", 2024},
    };
    for (const InferCase& c : cases) {
        SCOPED_TRACE(c.date);
        FtpListLine out;
        ASSERT_TRUE(ParseListLine(std::string("-rw-r--r-- 1 owner group 1 ") + c.date + " 10:00 a",
                                  out, &c.today));
        EXPECT_EQ(out.year, c.year);
    }
}

TEST(ParseUnixListLine, InfersTheYearFromTheLocalClockWithoutAGivenToday) {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    const ListToday today = LocalListToday();
    EXPECT_EQ(today.year, local.tm_year + 1900);
    EXPECT_EQ(today.month, local.tm_mon + 1);
    EXPECT_EQ(today.day, local.tm_mday);

    // January 1 is never after today.
    FtpListLine out;
    ASSERT_TRUE(ParseListLine("-rw-r--r-- 1 owner group 1 Jan 1 00:00 a", out));
    EXPECT_EQ(out.year, local.tm_year + 1900);
}

TEST(ParseUnixListLine, KeepsTheNameWithoutTypeMarks) {
    const std::string longName(300, 'n');
    const ListCase cases[] = {
        {"symbolic link keeps its target",
         "lrwxrwxrwx 1 owner group 7 Jan 5 10:00 www -> public",
         {"www -> public", 7, 2024, 1, 5, 10, 0, 1, 0, 1}},
        {"executable mark",
         "-rwxr-xr-x 1 owner group 1 Jan 5 10:00 run.sh*",
         {"run.sh", 1, 2024, 1, 5, 10, 0, 1}},
        {"folder mark",
         "drwxr-xr-x 1 owner group 1 Jan 5 10:00 docs/",
         {"docs", 1, 2024, 1, 5, 10, 0, 1, 1}},
        {"pipe mark",
         "prw-r--r-- 1 owner group 0 Jan 5 10:00 fifo|",
         {"fifo", 0, 2024, 1, 5, 10, 0, 1}},
        {"several marks and a line end",
         "-rwxr-xr-x 1 owner group 1 Jan 5 10:00 a*/\r\n",
         {"a", 1, 2024, 1, 5, 10, 0, 1}},
        {"other marks stay",
         "srwxr-xr-x 1 owner group 1 Jan 5 10:00 sock=",
         {"sock=", 1, 2024, 1, 5, 10, 0, 1}},
        {"spaces inside the name",
         "-rw-r--r-- 1 owner group 1 Jan 5 10:00 my  file.txt",
         {"my  file.txt", 1, 2024, 1, 5, 10, 0, 1}},
        {"spaces before the name",
         "-rw-r--r-- 1 owner group 1 Jan 5 10:00 \t  a b",
         {"a b", 1, 2024, 1, 5, 10, 0, 1}},
        {"long names are cut",
         "-rw-r--r-- 1 owner group 1 Jan 5 10:00 " + longName,
         {longName.substr(0, 259), 1, 2024, 1, 5, 10, 0, 1}},
        {"the line ends at a NUL",
         std::string("-rw-r--r-- 1 owner group 1 Jan 5 10:00 a\0b", 42),
         {"a", 1, 2024, 1, 5, 10, 0, 1}},
    };
    ExpectListCases(cases, kToday);
}

TEST(ParseUnixListLine, RejectsLinesThatAreNotItems) {
    const std::string rejects[] = {
        "total 48",
        "",
        "   ",
        "garbage that is not a listing",
        "-rw-r--r--",
        "-rw-r--r-- 1 owner group",
        "-rw-r--r-- 1 owner group 1234",
        "xrw-r--r-- 1 owner group 1 Jan 5 10:00 a",     // not a type letter
        "-rw-r--r-- 1 owner group 1 Jan 5 10:00",       // no name
        "-rw-r--r-- 1 owner group 1 Jan 5 10:00   \t",  // only blanks after the time
        "-rw-r--r-- 1 owner group 1 Jan 5 name",        // no year or time
        "-rw-r--r-- 1 owner group 1 Jan 32 10:00 a",    // day out of range
        "-rw-r--r-- 1 owner group 1 Jan 0 10:00 a",     // day 0 reads as no number
        "-rw-r--r-- 1 owner group 1 13 5 10:00 a",      // month out of range
        "-rw-r--r-- 1 owner group 1 13\xE6\x9C\x88 5 10:00 a",
        "-rw-r--r-- 1 owner group 1 Foo 5 10:00 a",      // unknown month
        "-rw-r--r-- 1 owner group 1 Jan , 2009 a",       // empty day
        "-rw-r--r-- 1 owner group 1 -01-15 12:30 a",     // empty first part
        "-rw-r--r-- 1 owner group 1 1/15/2009 12:30 a",  // year-last needs two bytes before '/'
        "-rw-r--r-- 1 owner group 1 200/01/15 12:30 a",
        "-rw-r--r-- 1 owner group 1 2009 13 12:30 a",    // year first, month 13
        "-rw-r--r-- 1 owner group 1 2009 01 32 a",       // year first, day 32
        "-rw-r--r-- 1 owner group 1 ., 5 10:00 a",       // month of points only
        "-rw-r--r-- 1 owner group words Jan 5 10:00 a",  // no size
    };
    ExpectListRejects(rejects, kToday);
}

TEST(ParseListLine, ClearsTheRecordBeforeEachLine) {
    FtpListLine out;
    ASSERT_TRUE(
        ParseListLine("lrwxrwxrwx 1 owner group 7 Jan 5 10:00 www -> public", out, &kToday));
    ASSERT_TRUE(ParseListLine("-rw-r--r-- 1 owner group 9 Mar 3 2008 b", out, &kToday));
    ExpectListItem(out, {"b", 9, 2008, 3, 3, 0, 0, 0});
    EXPECT_FALSE(ParseListLine("total 48", out, &kToday));
    EXPECT_EQ(out.name, "");
    EXPECT_EQ(out.hasDate, 0);
}

TEST(NextListToken, SplitsOnSpacesAndTabsAndCanBePutBack) {
    const std::string text = " \tab  c\td ";
    std::size_t position = 0;
    std::size_t length = 0;
    const char* token = NextListToken(text.data(), text.size(), &length, &position, false);
    ASSERT_NE(token, nullptr);
    EXPECT_EQ(std::string(token, length), "ab");
    const std::size_t beforeC = position;
    token = NextListToken(text.data(), text.size(), &length, &position, false);
    ASSERT_NE(token, nullptr);
    EXPECT_EQ(std::string(token, length), "c");
    position = beforeC;
    token = NextListToken(text.data(), text.size(), &length, &position, true);
    ASSERT_NE(token, nullptr);
    EXPECT_EQ(std::string(token, length), "c\td ");
    EXPECT_EQ(NextListToken(text.data(), text.size(), &length, &position, false), nullptr);
}

TEST(NextListToken, StopsAtANul) {
    const std::string text("ab\0cd ef", 8);
    std::size_t position = 0;
    std::size_t length = 0;
    const char* token = NextListToken(text.data(), text.size(), &length, &position, false);
    ASSERT_NE(token, nullptr);
    EXPECT_EQ(std::string(token, length), "ab");
    EXPECT_EQ(NextListToken(text.data(), text.size(), &length, &position, false), nullptr);
    position = 0;
    token = NextListToken(text.data(), text.size(), &length, &position, true);
    ASSERT_NE(token, nullptr);
    EXPECT_EQ(std::string(token, length), "ab");
}

}  // namespace
