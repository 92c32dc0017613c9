// LIST replies captured from real servers (tests/data/listings, made by
// tests/servers/capture_listings.sh), parsed with the capture date as today and compared with
// the parse worked out by hand next to each capture.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "cli/cli_parse_list.h"
#include "ftp/list_parser.h"
#include "support/temp_folder.h"

namespace {

const std::string kListingsFolder = std::string(BRINDLE_TEST_SERVERS_DIR) + "/../data/listings/";

std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) {
            end = text.size();
        }
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

struct Expected {
    ListToday today;
    std::vector<std::string> records;  // without the notes
};

// Notes start with '#'; the note "# today YYYY-MM-DD" gives the date the capture was read on.
bool ReadExpected(const std::string& path, Expected& expected) {
    bool haveToday = false;
    for (const std::string& line : SplitLines(ReadWholeFile(path))) {
        if (line.starts_with("#")) {
            ListToday today;
            if (std::sscanf(line.c_str(), "# today %d-%d-%d", &today.year, &today.month,
                            &today.day) == 3) {
                expected.today = today;
                haveToday = true;
            }
        } else {
            expected.records.push_back(line);
        }
    }
    return haveToday;
}

class RealListing : public testing::TestWithParam<const char*> {};

TEST_P(RealListing, ParsesAsWorkedOutByHand) {
    const std::string capture = ReadWholeFile(kListingsFolder + GetParam() + ".txt");
    ASSERT_NE(capture, "") << "capture missing";
    ASSERT_NE(capture.find("\r\n"), std::string::npos) << "the capture lost its CR LF";
    Expected expected;
    ASSERT_TRUE(ReadExpected(kListingsFolder + GetParam() + ".tsv", expected))
        << "no '# today' note";

    const std::vector<std::string> lines = SplitLines(capture);
    const std::vector<std::string> records =
        SplitLines(FormatParseListOutput(capture, &expected.today));
    ASSERT_EQ(lines.size(), expected.records.size()) << "one expected line per captured line";
    ASSERT_EQ(records.size(), lines.size());
    for (std::size_t i = 0; i < lines.size(); ++i) {
        EXPECT_EQ(records[i], expected.records[i]) << "line " << i + 1 << ": " << lines[i];
    }
}

INSTANTIATE_TEST_SUITE_P(Captures, RealListing,
                         testing::Values("vsftpd_list", "vsftpd_list_recursive", "pyftpdlib_list"));

}  // namespace
