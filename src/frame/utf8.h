#pragma once

#include <string_view>

// True when text is well-formed UTF-8: no stray continuation bytes, overlong forms, surrogates
// or values above U+10FFFF, and no character cut short by the end of the text.
bool IsValidUtf8(std::string_view text);

// text without a last character that its end cuts short (a name cut to a byte limit); the text
// itself when it ends on a character boundary or its end is not a UTF-8 sequence.
std::string_view WithoutCutCharacter(std::string_view text);
