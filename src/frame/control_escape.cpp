#include "frame/control_escape.h"

#include <algorithm>

namespace {

bool IsControl(char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte < 0x20 || byte == 0x7f;
}

}  // namespace

bool HasControlCharacters(std::string_view text) {
    return std::any_of(text.begin(), text.end(), IsControl);
}

std::string EscapeControlCharacters(std::string_view text, bool keepLineBreaks) {
    if (!HasControlCharacters(text)) {
        return std::string(text);
    }
    constexpr char kHex[] = "0123456789abcdef";
    std::string out;
    out.reserve(text.size() + 8);
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        const bool lineBreak =
            keepLineBreaks && ((c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ||
                               (c == '\n' && i > 0 && text[i - 1] == '\r'));
        if (IsControl(c) && !lineBreak) {
            const auto byte = static_cast<unsigned char>(c);
            out += "\\x";
            out += kHex[byte >> 4];
            out += kHex[byte & 0x0f];
        } else {
            out += c;
        }
    }
    return out;
}
