// The LIST parser: the lines of tests/data/ftp/listing_lines.tsv, and the captures of real
// servers in tests/data/listings (how they were made: tests/data/listings/README) with the parse
// worked out by hand beside each. Dates and times: tests/data/ftp/listing_date_times.tsv read
// and written back in several time zones, and the cache of local hours listings convert through.
#include "ftp/list_parser.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

#include "ftp/date_time.h"
#include "ftp/local_time_cache.h"
#include "support/case_table.h"
#include "support/temp_folder.h"

namespace {

TEST(ParseListLine, MakesTheRecordOfEachLine) {
    // The cells of a row from `from` on, as one line.
    auto join = [](const std::vector<std::string>& cells, std::size_t from) {
        std::string line = cells.at(from);
        for (std::size_t i = from + 1; i < cells.size(); ++i) {
            line += "\t" + cells[i];
        }
        return line;
    };
    std::vector<std::vector<std::string>> rows;  // case, today, line, record
    for (const auto& [name, c] : LoadCases("ftp/listing_lines.tsv")) {
        ASSERT_GE(c.size(), 4u) << name;
        rows.push_back({name, c[1], c[2], join(c, 3)});
    }
    for (const std::string capture : {"vsftpd_list", "vsftpd_list_recursive", "pyftpdlib_list"}) {
        const std::string notes = ReadWholeFile(TestDataPath("listings/" + capture + ".tsv"));
        const std::string today = notes.substr(notes.find("# today ") + 8, 10);
        const std::vector<CaseRow> records = LoadCases("listings/" + capture + ".tsv");
        const std::vector<CaseRow> lines = LoadCases("listings/" + capture + ".txt");
        ASSERT_EQ(lines.size(), records.size()) << capture;
        for (std::size_t i = 0; i < records.size(); ++i) {
            rows.push_back(
                {records[i].name, today, join(lines[i].fields, 0), join(records[i].fields, 0)});
        }
    }
    FtpListLine out;  // the same record for every line: nothing of the line before may stay
    for (const std::vector<std::string>& row : rows) {
        SCOPED_TRACE(row[0] + ": " + row[2]);
        ListToday t;
        ASSERT_EQ(std::sscanf(row[1].c_str(), "%d-%d-%d", &t.year, &t.month, &t.day), 3);
        std::string got = "-";
        if (ParseListLine(row[2], out, &t)) {
            got = std::to_string(out.size);
            for (int field :
                 std::initializer_list<int>{out.isFolder, out.isLink, out.year, out.month, out.day,
                                            out.hour, out.minute, out.hasTime}) {
                got += "\t" + std::to_string(field);
            }
            got += "\t" + out.name;
            EXPECT_EQ(out.hasDate, 1);
        }
        EXPECT_EQ(got, row[3]);
    }
}

TEST(ParseListLine, InfersTheYearFromTheLocalClockWithoutAGivenToday) {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    const ListToday today = LocalListToday();
    EXPECT_EQ(today.year * 10000 + today.month * 100 + today.day,
              (local.tm_year + 1900) * 10000 + (local.tm_mon + 1) * 100 + local.tm_mday);
    FtpListLine out;  // January 1 is never after today
    ASSERT_TRUE(ParseListLine("-rw-r--r-- 1 owner group 1 Jan 1 00:00 a", out));
    EXPECT_EQ(out.year, local.tm_year + 1900);
}

// Sets TZ while it lives.
struct ZoneGuard {
    explicit ZoneGuard(const std::string& zone) { setenv("TZ", zone.c_str(), 1), tzset(); }
    ~ZoneGuard() { old.empty() ? unsetenv("TZ") : setenv("TZ", old.c_str(), 1), tzset(); }
    std::string old = std::getenv("TZ") ? std::getenv("TZ") : "";
};

TEST(ParseDateTimeText, ReadsAndWritesBackEveryForm) {
    for (const auto& [name, c] : LoadCases("ftp/listing_date_times.tsv")) {
        ASSERT_EQ(c.size(), 7u) << name;
        SCOPED_TRACE(name);
        ZoneGuard zone(c[1]);
        time_t value = 42;
        ParseDateTimeText(value, c[2], c[3]);
        EXPECT_EQ(std::to_string(value), c[4]);
        std::string date = "old", time = "old";
        FormatDateTime(value, date, time);
        EXPECT_EQ(date + "|" + time, c[5]);
        EXPECT_EQ(c[6] == "*" ? c[6] : std::to_string(GetTimeZoneBias()), c[6]);
    }
    ZoneGuard zone("XXX-2");  // the times of MLSD and MDTM are UTC in any zone
    time_t utc = 0;
    ASSERT_EQ(MakeUtcTimeFromFields(utc, 2009, 1, 15, 12, 30, 0), 1);
    EXPECT_EQ(utc, 1232022600);
}

TEST(LocalTimeCache, AgreesWithTheOneByOneConversion) {
    ZoneGuard zone("CET-1CEST,M3.5.0,M10.5.0/3");
    LocalTimeCache cache;
    // Fields out of their ranges, then every hour of 2024 (more than the cache keeps), the one
    // the clock skips and the one it repeats included, at minutes and seconds that change.
    std::vector<std::vector<int>> dates = {{2024, 13, 1, 0, 0, 0},    {2009, 1, 15, 24, 0, 0},
                                           {9, 1, 15, 12, 30, 0},     {2024, 3, 0, 10, 0, 0},
                                           {2024, 3, 1, 10, 75, 0},   {2024, 3, 1, 10, 0, 60},
                                           {2024, -1, -1, -1, -1, -1}};
    for (int hour = 0; hour < 12 * 31 * 24; ++hour) {
        dates.push_back(
            {2024, 1 + hour / 744, 1 + hour / 24 % 31, hour % 24, hour * 7 % 60, hour % 60});
    }
    for (const std::vector<int>& f : dates) {
        time_t expected = 7, got = 7;
        ASSERT_EQ(cache.Convert(got, f[0], f[1], f[2], f[3], f[4], f[5]),
                  MakeTimeFromFields(expected, f[0], f[1], f[2], f[3], f[4], f[5]));
        ASSERT_EQ(got, expected) << f[0] << "-" << f[1] << "-" << f[2] << " " << f[3] << ":"
                                 << f[4];
    }
}

}  // namespace
