#include <algorithm>
#include <string_view>

#include "frame/logger.h"
#include "ftp/connection_test.h"
#include "ftp/current_directory.h"
#include "ftp/date_time.h"
#include "ftp/remote_listing.h"
#include "settings/preference_options.h"
#include "transfer/remote_pane.h"

namespace {

// Reads the listing's cursor into items, the last listed item first.
std::vector<RemotePaneItem> ReadItems(FtpDirList& list) {
    std::vector<RemotePaneItem> items;
    for (; !list.AtEnd(); list.Next()) {
        std::string name = list.CurrentName();
        if (name == "." || name == "..") {
            continue;
        }
        RemotePaneItem item;
        if (list.IsFolderEntry()) {
            item.kind = kItemFolder;
        } else if (list.IsLinkEntry()) {
            item.kind = kItemLink;
        } else {
            item.kind = kItemFile;
        }
        if (name.size() >= 2 && name.back() == '/') {
            name.pop_back();
        }
        item.name = std::move(name);
        item.modified = static_cast<std::int32_t>(list.GetModified());
        item.size = item.kind == kItemFolder ? 0 : list.GetSize();
        items.push_back(std::move(item));
    }
    std::reverse(items.begin(), items.end());
    return items;
}

const char* KindText(std::uint32_t kind) {
    if (kind == kItemFolder) {
        return kRemoteKindFolder;
    }
    return kind == kItemLink ? kRemoteKindLink : kRemoteKindFile;
}

}  // namespace

bool RemotePane::RefreshListing() {
    if (!connected) {
        ClearRows();
        NotifyRowsChanged();
        return false;
    }
    if (FtpChangeDirectoryStep(*this, connection, remoteDir) != LPROCESS_OK) {
        LogFormat(kLogError,
                  "Unable to change to the directory \"%s\". Please check if you have permission "
                  "on the directory.",
                  remoteDir.c_str());
        return false;
    }
    ClearRows();
    bool dataFailed = false;
    {
        FtpDirList list(connection, "*");
        items_ = ReadItems(list);
        dataFailed = list.dataFailed;
    }
    OrderItems(items_);
    FillRows();
    if (dataFailed) {
        // The log ends each line itself.
        std::string_view text = kPassiveConnectionFailedText;
        while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) {
            text.remove_suffix(1);
        }
        Log(kLogError, text);
        NotifyRowsChanged();
        return false;
    }
    if (!rows_.empty()) {
        FocusAndSelect(0);
    }
    NotifyRowsChanged();
    return true;
}

void RemotePane::FillRows() {
    // Out-of-range stored units read as KiloBytes.
    const int units = LoadPreferenceOptions().fileSizeUnits;
    rows_.clear();
    rows_.reserve(items_.size());
    for (const RemotePaneItem& item : items_) {
        std::string date;
        std::string time;
        FormatDateTime(item.modified, date, time);
        RemotePaneRow row;
        row[kRemoteColumnName] = item.name;
        if (item.kind != kItemFolder) {
            row[kRemoteColumnSize] = FormatSizeInUnits(item.size, units);
        }
        row[kRemoteColumnKind] = KindText(item.kind);
        row[kRemoteColumnDate] = date + " " + time;
        rows_.push_back(std::move(row));
    }
}
