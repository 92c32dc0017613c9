#include "ftp/list_tokens.h"

#include <cstdint>

#include "frame/number_text.h"
#include "frame/text_limits.h"
#include "ftp/list_parser.h"

using list_tokens::AllDigits;
using list_tokens::IsDigit;

const char* NextListToken(const char* text, std::size_t length, std::size_t* tokenLength,
                          std::size_t* position, bool restOfLine) {
    return list_tokens::ScanListToken(text, length, tokenLength, position, restOfLine);
}

bool ParseSizeToken(const char* token, std::size_t length, std::uint64_t* value) {
    if (token == nullptr || length == 0) {
        return false;
    }
    const std::string_view text(token, length);
    if (AllDigits(text)) {
        *value = static_cast<std::uint64_t>(ParseInt64N(text, length));
        return true;
    }
    unsigned shift = 0;
    switch (text.back()) {
        case 'K':
        case 'k':
            shift = 10;
            break;
        case 'M':
        case 'm':
            shift = 20;
            break;
        case 'G':
        case 'g':
            shift = 30;
            break;
        case 'T':
        case 't':
            shift = 40;
            break;
        default:
            return false;
    }
    // "1.5K": the digits without the point, scaled, then one division by ten per decimal.
    constexpr std::uint64_t kLargest = INT64_MAX;
    std::uint64_t digits = 0;
    std::size_t decimals = 0;
    bool afterPoint = false;
    for (std::size_t i = 0; i + 1 < text.size(); ++i) {
        const char c = text[i];
        if (c == '.') {
            if (i == 0) {
                return false;
            }
            afterPoint = true;
            decimals = 0;
            continue;
        }
        if (!IsDigit(c)) {
            return false;
        }
        const auto digit = static_cast<std::uint64_t>(c - '0');
        digits = digits > (kLargest - digit) / 10 ? kLargest : digits * 10 + digit;
        if (afterPoint) {
            ++decimals;
        }
    }
    std::uint64_t scaled = digits > (UINT64_MAX >> shift) ? UINT64_MAX : digits << shift;
    for (; decimals > 0 && scaled != 0; --decimals) {
        scaled /= 10;
    }
    *value = scaled;
    return true;
}

namespace list_tokens {

void StoreListName(std::string_view name, FtpListLine& out) {
    out.name.assign(name.data(), name.size() < kTextLimit ? name.size() : kTextLimit);
}

}  // namespace list_tokens
