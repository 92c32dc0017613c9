#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <span>
#include <string>

#include "ftp/list_parser.h"

// One parsed LIST line as a table row expects it.
struct ExpectedListItem {
    std::string name;
    std::uint64_t size = 0;
    int year = 0;
    int month = 0;
    int day = 0;
    int hour = 0;
    int minute = 0;
    int hasTime = 0;
    int isFolder = 0;
    int isLink = 0;
};

inline void ExpectListItem(const FtpListLine& got, const ExpectedListItem& want) {
    EXPECT_EQ(got.name, want.name);
    EXPECT_EQ(got.size, want.size);
    EXPECT_EQ(got.year, want.year);
    EXPECT_EQ(got.month, want.month);
    EXPECT_EQ(got.day, want.day);
    EXPECT_EQ(got.hour, want.hour);
    EXPECT_EQ(got.minute, want.minute);
    EXPECT_EQ(got.hasTime, want.hasTime);
    EXPECT_EQ(got.isFolder, want.isFolder);
    EXPECT_EQ(got.isLink, want.isLink);
    EXPECT_EQ(got.hasDate, 1);
}

struct ListCase {
    const char* label;
    std::string line;
    ExpectedListItem want;
};

// Parses every row with ParseListLine and compares the whole record.
inline void ExpectListCases(std::span<const ListCase> cases, const ListToday& today) {
    for (const ListCase& c : cases) {
        SCOPED_TRACE(c.label);
        FtpListLine got;
        if (!ParseListLine(c.line, got, &today)) {
            ADD_FAILURE() << "rejected: " << c.line;
            continue;
        }
        ExpectListItem(got, c.want);
    }
}

// Lines that are not items: every row must fail.
inline void ExpectListRejects(std::span<const std::string> lines, const ListToday& today) {
    for (const std::string& line : lines) {
        FtpListLine got;
        EXPECT_FALSE(ParseListLine(line, got, &today)) << '"' << line << '"';
    }
}
