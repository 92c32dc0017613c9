#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// How much of a text the program keeps. Paths, names, hosts and most texts keep 259 bytes;
// the explanation text of an alert keeps 519. Longer text is cut silently.
inline constexpr std::size_t kTextLimit = 259;
inline constexpr std::size_t kAlertTextLimit = 519;

// The first `limit` bytes of text (all of it when shorter).
inline std::string CutText(std::string_view text, std::size_t limit = kTextLimit) {
    return std::string(text.substr(0, limit));
}
