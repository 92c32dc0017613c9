#include <algorithm>
#include <ctime>
#include <numeric>

#include "ftp/date_time.h"
#include "ftp/remote_listing.h"
#include "transfer/remote_pane.h"

namespace {

int Sign(int value) {
    return (value > 0) - (value < 0);
}

// A date text of the rows ("YYYY-MM-DD HH:MM:SS") as a time; 0 for an empty date.
time_t DateTextTime(const std::string& text) {
    const std::size_t space = text.find(' ');
    time_t time = 0;
    if (space == std::string::npos) {
        ParseDateTimeText(time, text, std::string());
    } else {
        ParseDateTimeText(time, text.substr(0, space), text.substr(space + 1));
    }
    return time;
}

}  // namespace

int RemotePane::CompareColumn(int column, const std::string& a, const std::string& b) {
    if (column == kRemoteColumnSize) {
        // Size texts grow in length with the number, so the length decides first.
        if (a.size() != b.size()) {
            return a.size() < b.size() ? -1 : 1;
        }
        return Sign(a.compare(b));
    }
    if (column == kRemoteColumnDate) {
        const time_t first = DateTextTime(a);
        const time_t second = DateTextTime(b);
        return (first > second) - (first < second);
    }
    return Sign(a.compare(b));
}

void RemotePane::OrderItems(std::vector<RemotePaneItem>& items) {
    if (items.size() > kRemoteOrderedItemLimit) {
        return;
    }
    std::stable_sort(items.begin(), items.end(),
                     [](const RemotePaneItem& a, const RemotePaneItem& b) {
                         const bool aFolder = a.kind == kItemFolder;
                         const bool bFolder = b.kind == kItemFolder;
                         if (aFolder != bFolder) {
                             return aFolder;
                         }
                         return a.name < b.name;
                     });
}

void RemotePane::SortRows(int column, bool ascending) {
    if (column < 0 || column >= kRemoteColumnCount) {
        return;
    }
    std::vector<std::size_t> order(rows_.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        const int compared = CompareColumn(column, rows_[a][column], rows_[b][column]);
        return ascending ? compared < 0 : compared > 0;
    });
    // Where each old row went, so the selection and the focus follow their rows.
    std::vector<std::size_t> newIndex(rows_.size());
    std::vector<RemotePaneRow> sorted;
    sorted.reserve(rows_.size());
    for (std::size_t position = 0; position < order.size(); ++position) {
        newIndex[order[position]] = position;
        sorted.push_back(std::move(rows_[order[position]]));
    }
    rows_ = std::move(sorted);
    for (std::size_t& row : selection_) {
        row = newIndex[row];
    }
    std::sort(selection_.begin(), selection_.end());
    if (focusedRow_ >= 0) {
        focusedRow_ = static_cast<int>(newIndex[focusedRow_]);
    }
    if (editing_ && editingRow_ >= 0) {
        editingRow_ = static_cast<int>(newIndex[editingRow_]);
    }
    NotifyRowsChanged();
}
