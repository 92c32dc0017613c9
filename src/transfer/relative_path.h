#pragma once

#include <string>
#include <string_view>

// The part of `path` beyond the length of `base`, with every '\' made '/' and a leading '/'
// dropped, at most 259 bytes: the name a transfer gives a file below the operation's start
// folder. Only the length of `base` counts, so a path outside it keeps whatever lies past that
// length.
std::string RelativePathPart(std::string_view base, std::string_view path);
