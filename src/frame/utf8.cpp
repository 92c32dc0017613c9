#include "frame/utf8.h"

#include <cstddef>

namespace {

// The byte count of a sequence that starts with `lead`; 0 when it cannot start one.
std::size_t SequenceLength(unsigned char lead) {
    if (lead < 0x80) {
        return 1;
    }
    if (lead >= 0xC2 && lead <= 0xDF) {
        return 2;
    }
    if (lead >= 0xE0 && lead <= 0xEF) {
        return 3;
    }
    if (lead >= 0xF0 && lead <= 0xF4) {
        return 4;
    }
    return 0;
}

// The range the second byte may take after `lead`; the tighter ranges rule out overlong forms,
// surrogates and values above U+10FFFF.
bool SecondByteFits(unsigned char lead, unsigned char second) {
    switch (lead) {
        case 0xE0:
            return second >= 0xA0 && second <= 0xBF;
        case 0xED:
            return second >= 0x80 && second <= 0x9F;
        case 0xF0:
            return second >= 0x90 && second <= 0xBF;
        case 0xF4:
            return second >= 0x80 && second <= 0x8F;
        default:
            return second >= 0x80 && second <= 0xBF;
    }
}

bool IsContinuation(unsigned char byte) {
    return (byte & 0xC0) == 0x80;
}

}  // namespace

bool IsValidUtf8(std::string_view text) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
    std::size_t size = text.size();
    for (std::size_t i = 0; i < size;) {
        std::size_t length = SequenceLength(bytes[i]);
        if (length == 0 || length > size - i) {
            return false;
        }
        if (length > 1 && !SecondByteFits(bytes[i], bytes[i + 1])) {
            return false;
        }
        for (std::size_t k = 2; k < length; ++k) {
            if (!IsContinuation(bytes[i + k])) {
                return false;
            }
        }
        i += length;
    }
    return true;
}

std::string_view WithoutCutCharacter(std::string_view text) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
    std::size_t size = text.size();
    // A cut character leaves at most three of its bytes: a lead byte and up to two
    // continuation bytes after it, which must fit that lead.
    for (std::size_t back = 1; back <= 3 && back <= size; ++back) {
        std::size_t start = size - back;
        if (IsContinuation(bytes[start])) {
            continue;
        }
        std::size_t length = SequenceLength(bytes[start]);
        if (length <= back) {
            return text;
        }
        if (back >= 2 && !SecondByteFits(bytes[start], bytes[start + 1])) {
            return text;
        }
        return text.substr(0, start);
    }
    return text;
}
