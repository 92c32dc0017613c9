#pragma once

#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>
#include <vector>

// One listed item of the local pane.
struct LocalEntry {
    std::string name;
    std::string kind;  // the extension from the last dot, dot included
    std::uint64_t size = 0;
    time_t modified = 0;
    bool folder = false;
};

// The name's extension from its last dot, dot included; "" without a dot or when a '/' or '\'
// follows the last dot.
std::string LocalKindText(std::string_view name);

// The entries of a folder without its hidden names, folders first, each group in ascending
// byte order of the names. False (no entries) when the path is not a folder.
bool ReadLocalEntries(const std::string& folder, std::vector<LocalEntry>& entries);
void OrderLocalEntries(std::vector<LocalEntry>& entries);

// "YYYY-MM-DD hh:mm:ss" in local time; "" for time 0.
std::string LocalDateText(time_t time);
