#include <algorithm>
#include <numeric>

#include "ftp/remote_listing.h"
#include "transfer/remote_pane.h"

namespace {

// The order of two rows by what a column shows: negative, 0 or positive.
int CompareRows(int column, const RemotePaneItem& a, const RemotePaneItem& b) {
    const auto order = [](const auto& first, const auto& second) {
        return (first > second) - (first < second);
    };
    switch (column) {
        case kRemoteColumnSize: {
            // A folder shows no size: it comes before every size.
            const bool aFolder = a.kind == kItemFolder;
            const bool bFolder = b.kind == kItemFolder;
            if (aFolder || bFolder) {
                return order(bFolder, aFolder);
            }
            return order(a.size, b.size);
        }
        case kRemoteColumnKind:
            // As the kind texts order: File, Folder, Link.
            return order(a.kind == kItemFolder ? 1
                         : a.kind == kItemLink ? 2
                                               : 0,
                         b.kind == kItemFolder ? 1
                         : b.kind == kItemLink ? 2
                                               : 0);
        case kRemoteColumnDate:
            return order(a.modified, b.modified);
        default:
            return a.name.compare(b.name);
    }
}

}  // namespace

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
        const int compared = CompareRows(column, rows_[a], rows_[b]);
        return ascending ? compared < 0 : compared > 0;
    });
    // Where each old row went, so the selection, the focus and the edit follow their rows.
    std::vector<std::size_t> newIndex(rows_.size());
    std::vector<RemotePaneItem> sorted;
    sorted.reserve(rows_.size());
    for (std::size_t position = 0; position < order.size(); ++position) {
        newIndex[order[position]] = position;
        sorted.push_back(rows_[order[position]]);
    }
    std::vector<std::size_t> selection = selection_;
    for (std::size_t& row : selection) {
        row = newIndex[row];
    }
    std::sort(selection.begin(), selection.end());
    const int focused = focusedRow_ >= 0 ? static_cast<int>(newIndex[focusedRow_]) : -1;
    if (editing_ && editingRow_ >= 0) {
        editingRow_ = static_cast<int>(newIndex[editingRow_]);
    }
    ResetRows(std::move(sorted));
    selection_ = std::move(selection);
    focusedRow_ = focused;
    NotifySelectionChanged();
}
