#include "frame/utf8.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct Utf8Case {
    const char* name;
    std::string text;
    bool valid;
};

TEST(IsValidUtf8, AcceptsWellFormedTextOnly) {
    const Utf8Case cases[] = {
        {"empty", "", true},
        {"ascii", "notes 2024.txt", true},
        {"two-byte", "caf\xC3\xA9.txt", true},
        {"three-byte", "\xE2\x82\xAC", true},
        {"four-byte", "\xF0\x9F\x98\x80", true},
        {"largest code point", "\xF4\x8F\xBF\xBF", true},
        {"NUL is a character", std::string("a\0b", 3), true},
        {"latin-1 e acute", "caf\xE9.txt", false},
        {"latin-1 sharp s at the end",
         "Gr\xFC\xDF"
         "e",
         false},
        {"stray continuation", "\x80", false},
        {"overlong slash", "\xC0\xAF", false},
        {"overlong three-byte", "\xE0\x80\xAF", false},
        {"surrogate", "\xED\xA0\x80", false},
        {"above U+10FFFF", "\xF4\x90\x80\x80", false},
        {"F5 lead", "\xF5\x80\x80\x80", false},
        {"cut by the end", "caf\xC3", false},
        {"cut three-byte", "\xE2\x82", false},
        {"missing continuation",
         "\xE2\x82"
         "a",
         false},
    };
    for (const Utf8Case& c : cases) {
        EXPECT_EQ(IsValidUtf8(c.text), c.valid) << c.name;
    }
}

struct CutCase {
    const char* name;
    std::string text;
    std::string kept;
};

TEST(WithoutCutCharacter, DropsOnlyACharacterThatTheEndCutShort) {
    const CutCase cases[] = {
        {"whole text", "caf\xC3\xA9", "caf\xC3\xA9"},
        {"ascii", "abc", "abc"},
        {"empty", "", ""},
        {"lead byte only", "caf\xC3", "caf"},
        {"two of three bytes", "x\xE2\x82", "x"},
        {"three of four bytes", "x\xF0\x9F\x98", "x"},
        {"whole four-byte", "x\xF0\x9F\x98\x80", "x\xF0\x9F\x98\x80"},
        // Bytes that cannot begin the cut character are left for the validity check to refuse.
        // A lone lead byte may be the start of a cut character: the end cannot tell.
        {"lone lead byte", "caf\xE9", "caf"},
        {"byte that leads nothing", "caf\xFF", "caf\xFF"},
        {"overlong lead", "caf\xC0", "caf\xC0"},
        {"wrong second byte", "x\xE0\x80", "x\xE0\x80"},
        {"continuations only", "x\x80\x80\x80\x80", "x\x80\x80\x80\x80"},
    };
    for (const CutCase& c : cases) {
        EXPECT_EQ(WithoutCutCharacter(c.text), c.kept) << c.name;
    }
}

}  // namespace
