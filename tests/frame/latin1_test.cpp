#include "frame/latin1.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(Latin1ToUtf8, KeepsAsciiAsItIs) {
    EXPECT_EQ(Latin1ToUtf8("report 2009.txt"), "report 2009.txt");
}

TEST(Latin1ToUtf8, TurnsHighBytesIntoTwoByteCharacters) {
    // ä é û
    EXPECT_EQ(Latin1ToUtf8("\xE4\xE9\xFB"), "\xC3\xA4\xC3\xA9\xC3\xBB");
    EXPECT_EQ(Latin1ToUtf8("M\xE4rz \xA0\xFF"), "M\xC3\xA4rz \xC2\xA0\xC3\xBF");
}

TEST(Latin1ToUtf8, GivesEmptyForEmpty) {
    EXPECT_EQ(Latin1ToUtf8(""), "");
}

TEST(Latin1ToUtf8, StopsAtTheFirstNul) {
    EXPECT_EQ(Latin1ToUtf8(std::string("ab\0\xE4", 4)), "ab");
}

TEST(Latin1ToUtf8, KeepsAtMost259BytesWithoutSplittingACharacter) {
    struct Case {
        std::string input;
        std::string expected;
    } cases[] = {
        {std::string(300, 'a'), std::string(259, 'a')},
        // The last character fits exactly.
        {std::string(257, 'a') + "\xE4", std::string(257, 'a') + "\xC3\xA4"},
        // One byte left for a two-byte character: it is left out, not cut in half.
        {std::string(258, 'a') + "\xE4" + "b", std::string(258, 'a')},
        {std::string(200, '\xE9'),
         [] {
             std::string out;
             for (int i = 0; i < 129; ++i) {
                 out += "\xC3\xA9";
             }
             return out;
         }()},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Latin1ToUtf8(c.input), c.expected) << c.input.size() << " input bytes";
    }
}

}  // namespace
