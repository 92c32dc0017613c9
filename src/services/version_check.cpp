#include "services/version_check.h"

#include <charconv>
#include <cmath>
#include <system_error>

#include "frame/text_limits.h"
#include "net/http_client.h"
#include "services/service_hosts.h"

namespace {

inline constexpr std::size_t kVersionResponseSize = 2048;
inline constexpr std::uint32_t kVersionTimeoutMs = 5000;

bool IsCBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size()) {
        return false;
    }
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        char c = text[i];
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
        if (c != prefix[i]) {
            return false;
        }
    }
    return true;
}

// from_chars leaves a number that does not fit a double unread, where atof gives infinity for
// one too large and 0 for one too small. Its exponent, or else its integer digits, tell which.
bool TooLargeForDouble(std::string_view number) {
    std::size_t exponent = number.find_first_of("eEpP");
    if (exponent != std::string_view::npos) {
        return exponent + 1 >= number.size() || number[exponent + 1] != '-';
    }
    std::string_view integer = number.substr(0, number.find('.'));
    return integer.find_first_of("123456789") != std::string_view::npos;
}

}  // namespace

double ReadDecimal(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && IsCBlank(text[i])) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    std::string_view number = text.substr(i);
    if (!number.empty() && (number.front() == '+' || number.front() == '-')) {
        return 0.0;
    }
    std::chars_format format = std::chars_format::general;
    if (StartsWithNoCase(number, "0x")) {
        std::string_view digits = number.substr(2);
        // "0x" without hexadecimal digits is read as the number 0.
        if (digits.empty() || digits.front() == '+' || digits.front() == '-') {
            return 0.0;
        }
        number = digits;
        format = std::chars_format::hex;
    }
    double value = 0.0;
    auto [end, error] =
        std::from_chars(number.data(), number.data() + number.size(), value, format);
    if (error == std::errc::result_out_of_range) {
        std::string_view read(number.data(), static_cast<std::size_t>(end - number.data()));
        value = TooLargeForDouble(read) ? HUGE_VAL : 0.0;
    } else if (error != std::errc()) {
        value = 0.0;
    }
    return negative ? -value : value;
}

bool ParseVersionInfo(std::string_view response, VersionInfo& info) {
    constexpr std::string_view kVersionKey = "version=";
    constexpr std::string_view kInfoKey = "info=";
    std::size_t version = response.find(kVersionKey);
    if (version == std::string_view::npos) {
        return false;
    }
    info.version = ReadDecimal(response.substr(version + kVersionKey.size()));
    std::size_t infoStart = response.find(kInfoKey);
    if (infoStart == std::string_view::npos) {
        return false;
    }
    std::string_view address = response.substr(infoStart + kInfoKey.size());
    info.infoUrl = CutText(address.substr(0, address.find('&')));
    return true;
}

LProcessResult FetchVersionInfo(LProcessInterface& iface, VersionInfo& info) {
    std::string response;
    LProcessResult result = HttpGet(iface, "http://" + GetUpdateHost() + kVersionTextPath, response,
                                    kVersionResponseSize, kVersionTimeoutMs);
    if (result != LPROCESS_OK) {
        return result;
    }
    return ParseVersionInfo(response, info) ? LPROCESS_OK : LPROCESS_FAILED;
}

bool IsNewerVersion(double announced) {
    return announced > kProgramVersion;
}
