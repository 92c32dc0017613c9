#pragma once

#include <string>
#include <string_view>

// The parts of a local or remote path; '/' and '\' both separate.

// The part after the last separator (the whole path when it has none), at most 259 bytes.
std::string PathFileName(std::string_view path);

// The path up to its last separator: "/" for a name directly under the root, "" for a bare name.
std::string ParentPath(std::string_view path);
