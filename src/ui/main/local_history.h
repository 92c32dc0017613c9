#pragma once

#include <cstddef>
#include <string>
#include <vector>

// The local pane's Back and Forward history: visited folders in order and a current position.
// Visiting a folder while back in the history drops the entries after the position.
class LocalHistory {
public:
    void Record(const std::string& folder);
    bool CanGoBack() const { return position_ > 0; }
    bool CanGoForward() const { return position_ + 1 < entries_.size(); }
    // Moves one entry and returns it; "" when the move is not possible.
    std::string Back();
    std::string Forward();

private:
    std::vector<std::string> entries_;
    std::size_t position_ = 0;
};
