// Decimal readers that never overflow: ParseInt64 saturates, the N forms see a bounded prefix.
#include "frame/number_text.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace {

constexpr std::int64_t kLargest = INT64_MAX;

struct Int64Case {
    const char* label;
    std::string text;
    std::int64_t value;
};

TEST(ParseInt64, ReadsSignAndDigitsAndSaturates) {
    const Int64Case cases[] = {
        {"empty", "", 0},
        {"digits", "123", 123},
        {"stops at a non-digit", "12abc", 12},
        {"no digits", "abc", 0},
        {"plus", "+15", 15},
        {"minus", "-15", -15},
        {"sign alone", "-", 0},
        {"space after the sign", "- 5", 0},
        {"leading spaces", "   42", 42},
        {"leading control bytes", "\x01\t\n\x1f 7", 7},
        {"byte 127 is not skipped",
         "\x7f"
         "5",
         0},
        {"a NUL is not skipped",
         std::string("\0"
                     "5",
                     2),
         0},
        {"a high byte is not skipped",
         "\xA0"
         "5",
         0},
        {"largest", "9223372036854775807", kLargest},
        {"one past the largest", "9223372036854775808", kLargest},
        {"far too many digits", "99999999999999999999999", kLargest},
        {"negative overflow keeps the sign", "-99999999999999999999", -kLargest},
        {"leading zeros", "000000000000000000000000042", 42},
    };
    for (const Int64Case& c : cases) {
        SCOPED_TRACE(c.label);
        EXPECT_EQ(ParseInt64(c.text), c.value);
    }
}

TEST(ParseInt64N, ReadsOnlyTheFirstNBytesUpTo259) {
    EXPECT_EQ(ParseInt64N("12345", 3), 123);
    EXPECT_EQ(ParseInt64N("12345", 0), 0);
    EXPECT_EQ(ParseInt64N("12345", 100), 12345);
    EXPECT_EQ(ParseInt64N(std::string(258, ' ') + "7", 1000), 7);
    EXPECT_EQ(ParseInt64N(std::string(259, ' ') + "7", 1000), 0);
    EXPECT_EQ(ParseInt64N(std::string(250, ' ') + "123456789", 1000), 123456789);
    EXPECT_EQ(ParseInt64N(std::string(250, ' ') + "1234567890123", 1000), 123456789);
}

TEST(AtoiN, FollowsAtoiOverTheFirstNBytesUpTo259) {
    EXPECT_EQ(AtoiN("  -42x", 10), -42);
    EXPECT_EQ(AtoiN("12345", 2), 12);
    EXPECT_EQ(AtoiN("12345", 0), 0);
    EXPECT_EQ(AtoiN(std::string(258, ' ') + "9", 1000), 9);
    EXPECT_EQ(AtoiN(std::string(259, ' ') + "9", 1000), 0);
    // atoi skips white space only; ParseInt64 skips every control byte.
    EXPECT_EQ(AtoiN("\x01"
                    "5",
                    2),
              0);
    EXPECT_EQ(ParseInt64N("\x01"
                          "5",
                          2),
              5);
}

}  // namespace
