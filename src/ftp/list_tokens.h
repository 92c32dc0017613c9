#pragma once

// Token helpers shared by the two listing layouts. Tokens are views into the line; nothing is
// copied until the name is stored.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "frame/number_text.h"
#include "ftp/list_parser.h"

namespace list_tokens {

inline bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// True also for an empty token, and stops at a NUL, as the C-string check it replaces did.
inline bool AllDigits(std::string_view token) {
    for (char c : token) {
        if (c == '\0') {
            return true;
        }
        if (!IsDigit(c)) {
            return false;
        }
    }
    return true;
}

// Every number in a listing is read the way atoi reads a copied token.
inline int ReadListNumber(std::string_view token) {
    return AtoiN(token, token.size());
}

// The type letters of Unix permissions ("drwxr-xr-x"); MS-DOS dates never start with them.
inline bool IsPermissionType(char c) {
    switch (c) {
        case 'b':
        case 'c':
        case 'd':
        case 'l':
        case 'p':
        case 's':
        case '-':
            return true;
        default:
            return false;
    }
}

// The length of a line up to its first NUL.
inline std::size_t LineLength(const char* text, std::size_t length) {
    const void* nul = length == 0 ? nullptr : std::memchr(text, '\0', length);
    return nul == nullptr ? length : static_cast<std::size_t>(static_cast<const char*>(nul) - text);
}

inline bool IsListBlank(char c) {
    return c == ' ' || c == '\t';
}

// NextListToken's scan, inline for the parsers' inner loops. A NUL ends the text.
inline const char* ScanListToken(const char* text, std::size_t length, std::size_t* tokenLength,
                                 std::size_t* position, bool restOfLine) {
    std::size_t at = *position;
    while (at < length && IsListBlank(text[at])) {
        ++at;
    }
    if (at >= length || text[at] == '\0') {
        *tokenLength = 0;
        return nullptr;
    }
    const std::size_t start = at;
    if (restOfLine) {
        at = start + LineLength(text + start, length - start);
    } else {
        while (at < length && text[at] != '\0' && !IsListBlank(text[at])) {
            ++at;
        }
    }
    *tokenLength = at - start;
    *position = at;
    return text + start;
}

// Reads the tokens of one line in order; Mark and Restore put a token back.
class ListTokenReader {
public:
    ListTokenReader(const char* text, std::size_t length) : text_(text), length_(length) {}

    bool Next(std::string_view& token) { return Read(token, false); }
    bool Rest(std::string_view& token) { return Read(token, true); }
    std::size_t Mark() const { return position_; }
    void Restore(std::size_t mark) { position_ = mark; }

private:
    bool Read(std::string_view& token, bool restOfLine) {
        std::size_t length = 0;
        const char* start = ScanListToken(text_, length_, &length, &position_, restOfLine);
        if (start == nullptr) {
            return false;
        }
        token = std::string_view(start, length);
        return true;
    }

    const char* text_;
    std::size_t length_;
    std::size_t position_ = 0;
};

// Stores the name, cut to the kept length, reusing the record's storage.
void StoreListName(std::string_view name, FtpListLine& out);

}  // namespace list_tokens
