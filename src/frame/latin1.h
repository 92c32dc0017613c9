#pragma once

#include <string>
#include <string_view>

// A remote name in ISO-8859-1 as UTF-8, through iconv. The input ends at its first NUL byte. The
// result keeps at most 259 bytes and never ends inside a character; when the conversion fails,
// it holds what was converted before the failure.
std::string Latin1ToUtf8(std::string_view latin1);
