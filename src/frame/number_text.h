#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

// The number at the start of a text as atoi reads it (leading blanks, a sign, digits; 0 when
// there are none), wrapping instead of overflowing on too many digits.
int AtoiLike(std::string_view text);

// The number at the start of a text: bytes 1 to 32 skipped, an optional sign, decimal digits.
// Too many digits give 2^63 - 1 (before the sign is applied); no digits give 0.
std::int64_t ParseInt64(std::string_view text);
// ParseInt64 and AtoiLike over at most the first n bytes of text (n at most 259).
std::int64_t ParseInt64N(std::string_view text, std::size_t n);
int AtoiN(std::string_view text, std::size_t n);
