#pragma once

#include <string_view>

// The number at the start of a text as atoi reads it (leading blanks, a sign, digits; 0 when
// there are none), wrapping instead of overflowing on too many digits.
int AtoiLike(std::string_view text);
