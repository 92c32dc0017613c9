// Month names as servers of many languages print them, some in Latin-1, CP1251 or with an
// Asian month sign after the number.
#include <array>
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <string_view>

#include "ftp/list_parser.h"

// clang-format off
constexpr MonthName kMonthNames[] = {
    {"jan", 1}, {"01", 1}, {"1", 1}, {"j\xE4n", 1}, {"janv", 1}, {"gen", 1}, {"ene", 1},
    {"sty", 1}, {"\xFF\xED\xE2", 1}, {"1\x8C\x8E", 1}, {"1\xC6\xD4", 1}, {"1\xBF\xF9", 1},
    {"tammi", 1}, {"jan1", 1},

    {"feb", 2}, {"02", 2}, {"2", 2}, {"f\xE9" "b", 2}, {"f\xE9v", 2}, {"fev", 2},
    {"f\xE9vr", 2}, {"fevr", 2}, {"fbro", 2}, {"lut", 2}, {"\xF4\xE5\xE2", 2},
    {"2\x8C\x8E", 2}, {"2\xC6\xD4", 2}, {"2\xBF\xF9", 2}, {"helmi", 2}, {"feb2", 2},

    {"mar", 3}, {"03", 3}, {"3", 3}, {"mrz", 3}, {"m\xE4r", 3}, {"m\xE4rz", 3}, {"mars", 3},
    {"mrs", 3}, {"mzo", 3}, {"mrt", 3}, {"\xEC\xE0\xF0", 3}, {"3\x8C\x8E", 3},
    {"3\xC6\xD4", 3}, {"3\xBF\xF9", 3}, {"maalis", 3}, {"mar3", 3},

    {"apr", 4}, {"04", 4}, {"4", 4}, {"avr", 4}, {"ab", 4}, {"abr", 4}, {"kwi", 4},
    {"\xE0\xEF\xF0", 4}, {"4\x8C\x8E", 4}, {"4\xC6\xD4", 4}, {"4\xBF\xF9", 4},
    {"huhti", 4}, {"apr4", 4},

    {"may", 5}, {"05", 5}, {"5", 5}, {"mai", 5}, {"mag", 5}, {"maj", 5}, {"mei", 5},
    {"\xEC\xE0\xE9", 5}, {"5\x8C\x8E", 5}, {"5\xC6\xD4", 5}, {"5\xBF\xF9", 5},
    {"touko", 5}, {"may5", 5},

    {"jun", 6}, {"june", 6}, {"06", 6}, {"6", 6}, {"juni", 6}, {"juin", 6}, {"giu", 6},
    {"cze", 6}, {"\xE8\xFE\xED", 6}, {"6\x8C\x8E", 6}, {"6\xC6\xD4", 6}, {"6\xBF\xF9", 6},
    {"kes\xE4", 6}, {"jun6", 6},

    {"jul", 7}, {"july", 7}, {"07", 7}, {"7", 7}, {"juli", 7}, {"juil", 7}, {"jui", 7},
    {"lug", 7}, {"lip", 7}, {"\xE8\xFE\xEB", 7}, {"7\x8C\x8E", 7}, {"7\xC6\xD4", 7},
    {"7\xBF\xF9", 7}, {"hein\xE4", 7}, {"jul7", 7},

    {"aug", 8}, {"08", 8}, {"8", 8}, {"ao\xFB", 8}, {"ao\xFBt", 8}, {"aout", 8}, {"ago", 8},
    {"agto", 8}, {"sie", 8}, {"\xE0\xE2\xE3", 8}, {"8\x8C\x8E", 8}, {"8\xC6\xD4", 8},
    {"8\xBF\xF9", 8}, {"elo", 8}, {"aug8", 8}, {"avg", 8},

    {"sep", 9}, {"sept", 9}, {"09", 9}, {"9", 9}, {"set", 9}, {"sbre", 9}, {"obre", 9},
    {"nbre", 9}, {"dbre", 9}, {"wrz", 9}, {"\xF1\xE5\xED", 9}, {"9\x8C\x8E", 9},
    {"9\xC6\xD4", 9}, {"9\xBF\xF9", 9}, {"syys", 9}, {"sep9", 9}, {"sept9", 9},

    {"oct", 10}, {"10", 10}, {"okt", 10}, {"ott", 10}, {"pa", 10}, {"out", 10},
    {"\xEE\xEA\xF2", 10}, {"10\x8C\x8E", 10}, {"10\xC6\xD4", 10}, {"10\xBF\xF9", 10},
    {"loka", 10}, {"oct0", 10},

    {"nov", 11}, {"11", 11}, {"lis", 11}, {"\xED\xEE\xFF", 11}, {"11\x8C\x8E", 11},
    {"11\xC6\xD4", 11}, {"11\xBF\xF9", 11}, {"marras", 11}, {"nov1", 11},

    {"dec", 12}, {"12", 12}, {"dez", 12}, {"d\xE9" "c", 12}, {"dic", 12}, {"gru", 12},
    {"\xE4\xE5\xEA", 12}, {"12\x8C\x8E", 12}, {"12\xC6\xD4", 12}, {"12\xBF\xF9", 12},
    {"joulu", 12}, {"dec2", 12},

    {"", 0},
};
// clang-format on

namespace {

// Every name fits in seven bytes; a name packs into one word with its length in the top byte,
// so the lookup compares words instead of strings.
constexpr std::size_t kMaxPackedName = 7;
constexpr std::size_t kMonthNameCount = std::size(kMonthNames) - 1;

constexpr char FoldAscii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

constexpr std::uint64_t PackName(std::string_view name) {
    std::uint64_t key = static_cast<std::uint64_t>(name.size()) << 56;
    for (std::size_t i = 0; i < name.size(); ++i) {
        key |= static_cast<std::uint64_t>(static_cast<unsigned char>(FoldAscii(name[i])))
               << (8 * i);
    }
    return key;
}

constexpr std::array<std::uint64_t, kMonthNameCount> PackAllNames() {
    std::array<std::uint64_t, kMonthNameCount> keys{};
    for (std::size_t i = 0; i < kMonthNameCount; ++i) {
        keys[i] = PackName(kMonthNames[i].name);
    }
    return keys;
}

constexpr bool AllNamesFit() {
    for (std::size_t i = 0; i < kMonthNameCount; ++i) {
        if (kMonthNames[i].name.empty() || kMonthNames[i].name.size() > kMaxPackedName) {
            return false;
        }
    }
    return kMonthNames[kMonthNameCount].name.empty();
}
static_assert(AllNamesFit());

constexpr std::array<std::uint64_t, kMonthNameCount> kPackedMonthNames = PackAllNames();

}  // namespace

int LookUpMonthName(std::string_view token) {
    if (token.empty() || token.size() > kMaxPackedName) {
        return 0;
    }
    const std::uint64_t key = PackName(token);
    for (std::size_t i = 0; i < kMonthNameCount; ++i) {
        if (kPackedMonthNames[i] == key) {
            return kMonthNames[i].month;
        }
    }
    return 0;
}
