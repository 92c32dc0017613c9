#include <algorithm>
#include <string_view>

#include "frame/logger.h"
#include "ftp/connection_test.h"
#include "ftp/current_directory.h"
#include "ftp/remote_listing.h"
#include "transfer/remote_pane.h"

namespace {

// Reads the listing's cursor into rows, the last listed item first.
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
        item.modified = list.GetModified();
        item.size = item.kind == kItemFolder ? 0 : list.GetSize();
        items.push_back(std::move(item));
    }
    std::reverse(items.begin(), items.end());
    return items;
}

}  // namespace

bool RemotePane::RefreshListing() {
    return WithSession([this] { return ListFolder(); });
}

bool RemotePane::ListFolder() {
    if (!session_.connected) {
        ResetRows({});
        NotifySelectionChanged();
        return false;
    }
    if (FtpChangeDirectoryStep(session_, session_.connection, session_.remoteDir) != LPROCESS_OK) {
        LogFormat(kLogError,
                  "Unable to change to the directory \"%s\". Please check if you have permission "
                  "on the directory.",
                  session_.remoteDir.c_str());
        return false;
    }
    ResetRows({});
    bool dataFailed = false;
    std::vector<RemotePaneItem> items;
    {
        // The listing's own texts ("500 objects") are no log lines.
        LProcessInterfaceVoidInstance quiet(session_);
        FtpDirList list(quiet, session_.connection, "*");
        items = ReadItems(list);
        dataFailed = list.dataFailed;
    }
    OrderItems(items);
    sizeUnits_ = LoadPreferenceOptions().fileSizeUnits;
    ResetRows(std::move(items));
    if (dataFailed) {
        // The log ends each line itself.
        std::string_view text = kPassiveConnectionFailedText;
        while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) {
            text.remove_suffix(1);
        }
        Log(kLogError, text);
        NotifySelectionChanged();
        return false;
    }
    if (!rows_.empty()) {
        FocusAndSelect(0);
    }
    NotifySelectionChanged();
    return true;
}
