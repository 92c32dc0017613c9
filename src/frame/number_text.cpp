#include "frame/number_text.h"

#include <cctype>
#include <cstdint>

int AtoiLike(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    std::uint32_t value = 0;
    for (; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])); ++i) {
        value = value * 10u + static_cast<std::uint32_t>(text[i] - '0');
    }
    if (negative) {
        value = 0u - value;
    }
    return static_cast<int>(value);
}

std::int64_t ParseInt64(std::string_view text) {
    constexpr std::uint64_t kLargest = INT64_MAX;
    std::size_t i = 0;
    while (i < text.size() && static_cast<unsigned char>(text[i]) >= 1 &&
           static_cast<unsigned char>(text[i]) <= 32) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    std::uint64_t value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        const auto digit = static_cast<std::uint64_t>(text[i] - '0');
        if (value > (kLargest - digit) / 10) {
            value = kLargest;
            break;
        }
        value = value * 10 + digit;
    }
    const auto result = static_cast<std::int64_t>(value);
    return negative ? -result : result;
}

namespace {

// Both readers see at most this many bytes, as a copy into a 260-byte buffer would.
constexpr std::size_t kNumberTextLimit = 259;

std::string_view NumberPrefix(std::string_view text, std::size_t n) {
    return text.substr(0, n < kNumberTextLimit ? n : kNumberTextLimit);
}

}  // namespace

std::int64_t ParseInt64N(std::string_view text, std::size_t n) {
    return ParseInt64(NumberPrefix(text, n));
}

int AtoiN(std::string_view text, std::size_t n) {
    return AtoiLike(NumberPrefix(text, n));
}
