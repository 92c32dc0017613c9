// The month table: every name servers print, in its own bytes, and the lookup rules.
#include <gtest/gtest.h>

#include <cstddef>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "ftp/list_parser.h"

namespace {

struct ExpectedMonthName {
    int month;
    std::string bytes;
};

std::string Bytes(std::initializer_list<int> values) {
    std::string text;
    for (int value : values) {
        text.push_back(static_cast<char>(value));
    }
    return text;
}

// Month number in ASCII digits followed by a two-byte month sign.
std::string Signed(const char* digits, int first, int second) {
    return std::string(digits) + Bytes({first, second});
}

// Written from the listing formats, byte by byte, in the order the table keeps them.
std::vector<ExpectedMonthName> ExpectedNames() {
    std::vector<ExpectedMonthName> names;
    auto add = [&names](int month, std::initializer_list<std::string> list) {
        for (const std::string& name : list) {
            names.push_back({month, name});
        }
    };
    add(1, {"jan", "01", "1", Bytes({'j', 0xE4, 'n'}), "janv", "gen", "ene", "sty",
            Bytes({0xFF, 0xED, 0xE2}), Signed("1", 0x8C, 0x8E), Signed("1", 0xC6, 0xD4),
            Signed("1", 0xBF, 0xF9), "tammi", "jan1"});
    add(2, {"feb", "02", "2", Bytes({'f', 0xE9, 'b'}), Bytes({'f', 0xE9, 'v'}), "fev",
            Bytes({'f', 0xE9, 'v', 'r'}), "fevr", "fbro", "lut", Bytes({0xF4, 0xE5, 0xE2}),
            Signed("2", 0x8C, 0x8E), Signed("2", 0xC6, 0xD4), Signed("2", 0xBF, 0xF9), "helmi",
            "feb2"});
    add(3, {"mar", "03", "3", "mrz", Bytes({'m', 0xE4, 'r'}), Bytes({'m', 0xE4, 'r', 'z'}), "mars",
            "mrs", "mzo", "mrt", Bytes({0xEC, 0xE0, 0xF0}), Signed("3", 0x8C, 0x8E),
            Signed("3", 0xC6, 0xD4), Signed("3", 0xBF, 0xF9), "maalis", "mar3"});
    add(4, {"apr", "04", "4", "avr", "ab", "abr", "kwi", Bytes({0xE0, 0xEF, 0xF0}),
            Signed("4", 0x8C, 0x8E), Signed("4", 0xC6, 0xD4), Signed("4", 0xBF, 0xF9), "huhti",
            "apr4"});
    add(5, {"may", "05", "5", "mai", "mag", "maj", "mei", Bytes({0xEC, 0xE0, 0xE9}),
            Signed("5", 0x8C, 0x8E), Signed("5", 0xC6, 0xD4), Signed("5", 0xBF, 0xF9), "touko",
            "may5"});
    add(6, {"jun", "june", "06", "6", "juni", "juin", "giu", "cze", Bytes({0xE8, 0xFE, 0xED}),
            Signed("6", 0x8C, 0x8E), Signed("6", 0xC6, 0xD4), Signed("6", 0xBF, 0xF9),
            Bytes({'k', 'e', 's', 0xE4}), "jun6"});
    add(7, {"jul", "july", "07", "7", "juli", "juil", "jui", "lug", "lip",
            Bytes({0xE8, 0xFE, 0xEB}), Signed("7", 0x8C, 0x8E), Signed("7", 0xC6, 0xD4),
            Signed("7", 0xBF, 0xF9), Bytes({'h', 'e', 'i', 'n', 0xE4}), "jul7"});
    add(8, {"aug", "08", "8", Bytes({'a', 'o', 0xFB}), Bytes({'a', 'o', 0xFB, 't'}), "aout", "ago",
            "agto", "sie", Bytes({0xE0, 0xE2, 0xE3}), Signed("8", 0x8C, 0x8E),
            Signed("8", 0xC6, 0xD4), Signed("8", 0xBF, 0xF9), "elo", "aug8", "avg"});
    add(9, {"sep", "sept", "09", "9", "set", "sbre", "obre", "nbre", "dbre", "wrz",
            Bytes({0xF1, 0xE5, 0xED}), Signed("9", 0x8C, 0x8E), Signed("9", 0xC6, 0xD4),
            Signed("9", 0xBF, 0xF9), "syys", "sep9", "sept9"});
    add(10, {"oct", "10", "okt", "ott", "pa", "out", Bytes({0xEE, 0xEA, 0xF2}),
             Signed("10", 0x8C, 0x8E), Signed("10", 0xC6, 0xD4), Signed("10", 0xBF, 0xF9), "loka",
             "oct0"});
    add(11, {"nov", "11", "lis", Bytes({0xED, 0xEE, 0xFF}), Signed("11", 0x8C, 0x8E),
             Signed("11", 0xC6, 0xD4), Signed("11", 0xBF, 0xF9), "marras", "nov1"});
    add(12, {"dec", "12", "dez", Bytes({'d', 0xE9, 'c'}), "dic", "gru", Bytes({0xE4, 0xE5, 0xEA}),
             Signed("12", 0x8C, 0x8E), Signed("12", 0xC6, 0xD4), Signed("12", 0xBF, 0xF9), "joulu",
             "dec2"});
    return names;
}

TEST(LookUpMonthName, FindsEveryNameOfTheTable) {
    const std::vector<ExpectedMonthName> names = ExpectedNames();
    ASSERT_EQ(names.size(), 167u);
    for (const ExpectedMonthName& name : names) {
        SCOPED_TRACE(name.bytes);
        EXPECT_EQ(LookUpMonthName(name.bytes), name.month);
    }
}

TEST(MonthNames, TableHoldsTheNamesInOrderAndEndsWithAnEmptyName) {
    const std::vector<ExpectedMonthName> names = ExpectedNames();
    std::size_t i = 0;
    for (; !kMonthNames[i].name.empty(); ++i) {
        ASSERT_LT(i, names.size());
        EXPECT_EQ(kMonthNames[i].name, names[i].bytes) << "entry " << i;
        EXPECT_EQ(kMonthNames[i].month, names[i].month) << "entry " << i;
    }
    EXPECT_EQ(i, names.size());
}

TEST(LookUpMonthName, FoldsOnlyAsciiLetters) {
    EXPECT_EQ(LookUpMonthName("JAN"), 1);
    EXPECT_EQ(LookUpMonthName("Tammi"), 1);
    EXPECT_EQ(LookUpMonthName("SePt9"), 9);
    EXPECT_EQ(LookUpMonthName(Bytes({'M', 0xE4, 'R'})), 3);
    EXPECT_EQ(LookUpMonthName(Bytes({'M', 0xC4, 'R'})), 0);  // upper-case Latin-1 stays
    EXPECT_EQ(LookUpMonthName(Bytes({'F', 0xC9, 'V'})), 0);
    EXPECT_EQ(LookUpMonthName(Bytes({0xDF, 0xCD, 0xC2})), 0);  // CP1251 upper case
}

TEST(LookUpMonthName, ComparesWholeTokens) {
    for (std::string_view token :
         {"", "ja", "janu", "january", " jan", "jan.", "010", "13", "0", "1\x8C"}) {
        SCOPED_TRACE(std::string(token));
        EXPECT_EQ(LookUpMonthName(token), 0);
    }
    EXPECT_EQ(LookUpMonthName(std::string_view("jan\0", 4)), 0);
}

TEST(LookUpMonthName, KeepsTheTablesOddities) {
    EXPECT_EQ(LookUpMonthName("obre"), 9);
    EXPECT_EQ(LookUpMonthName("nbre"), 9);
    EXPECT_EQ(LookUpMonthName("dbre"), 9);
    EXPECT_EQ(LookUpMonthName("pa"), 10);
    EXPECT_EQ(LookUpMonthName("out"), 10);
    EXPECT_EQ(LookUpMonthName("oct0"), 10);
}

}  // namespace
