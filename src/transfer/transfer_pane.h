#pragma once

#include <string>
#include <vector>

// What the transfer commands need from the remote pane of the window that runs them. The
// desktop program's remote pane, the command-line program and tests each provide it.
class TransferPane {
public:
    virtual ~TransferPane() = default;
    // The names (column 0) of the selected rows of the remote list, in display order.
    virtual std::vector<std::string> SelectedRemoteNames() = 0;
    // The pane's remote folder ("/" when unknown).
    virtual std::string RemoteFolder() = 0;
    // Lists the pane's remote folder again; false when that failed.
    virtual bool RefreshRemoteListing() = 0;
    // Selects the rows with these names, as far as they are still listed.
    virtual void SelectRemoteRows(const std::vector<std::string>& names) = 0;
};
