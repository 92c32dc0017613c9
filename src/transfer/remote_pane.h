#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <ctime>
#include <functional>
#include <string>
#include <vector>

#include "ftp/ftp_session.h"
#include "settings/preference_options.h"
#include "transfer/transfer_pane.h"

// The window command that says the remote folder or the history changed (path field, recent
// folders, Back and Forward buttons).
inline constexpr std::uint32_t kRemoteFolderChangedCommand = 307;

// How many folders the Back and Forward history keeps.
inline constexpr std::size_t kRemoteHistorySize = 10;
// Folders with more items keep the server's order (reversed): ordering a huge folder by name
// would cost more than it helps.
inline constexpr std::size_t kRemoteOrderedItemLimit = 99;

// The columns of a row.
inline constexpr int kRemoteColumnName = 0;
inline constexpr int kRemoteColumnSize = 1;
inline constexpr int kRemoteColumnKind = 2;
inline constexpr int kRemoteColumnDate = 3;
inline constexpr int kRemoteColumnCount = 4;

// The kind texts of the rows.
inline constexpr char kRemoteKindFolder[] = "Folder";
inline constexpr char kRemoteKindFile[] = "File";
inline constexpr char kRemoteKindLink[] = "Link";

// One row of the pane: a listed item of its folder, or the new folder being named.
struct RemotePaneItem {
    std::uint32_t kind = 0;  // kItemFile, kItemFolder or kItemLink
    std::string name;
    time_t modified = 0;
    std::uint64_t size = 0;  // 0 for folders
};

// What the pane tells its owner, so a view (a Qt item model) can follow it. Every call comes from
// within a pane operation; the About calls come before the rows change, the others after.
class RemotePaneListener {
public:
    virtual ~RemotePaneListener() = default;
    // A window command for the owner's command handler (kRemoteFolderChangedCommand).
    virtual void OnRemotePaneCommand(std::uint32_t command) {}
    // The rows are replaced or reordered as a whole (listed, sorted, cleared).
    virtual void OnRemoteRowsAboutToReset() {}
    virtual void OnRemoteRowsReset() {}
    // One row is added at `row`.
    virtual void OnRemoteRowAboutToBeInserted(std::size_t row) {}
    virtual void OnRemoteRowInserted(std::size_t row) {}
    // The texts of one row changed.
    virtual void OnRemoteRowChanged(std::size_t row) {}
    // The selection or the focused row changed.
    virtual void OnRemoteSelectionChanged() {}
    // The name of this row is to be edited in place; the edit ends with EndEditing.
    virtual void OnRemoteEditRow(std::size_t row) {}
};

// The remote pane of the main window without its widgets: the session it holds, the rows of its
// current folder with their selection, the history, and the item operations. The desktop
// program's item model shows it and reports the user's selection back; tests drive it directly.
// Operations that talk to the server refuse (false, a line in the log) while another operation
// holds the session.
class RemotePane : public TransferPane {
public:
    RemotePane(UserInterfaceServices& ui, ProcessLauncher& launcher, LWindow window = nullptr)
        : session_(ui, launcher, window) {}

    LFtpList& session() { return session_; }
    const LFtpList& session() const { return session_; }

    // Null for none. The listener must outlive the pane or be reset first.
    void SetListener(RemotePaneListener* listener) { listener_ = listener; }

    // TransferPane.
    std::vector<std::string> SelectedRemoteNames() override;
    std::string RemoteFolder() override;
    bool RefreshRemoteListing() override;
    void SelectRemoteRows(const std::vector<std::string>& names) override;

    // Forgets what the pane showed, then connects the session and shows the start directory.
    bool Connect(const std::string& host, const std::string& user, const std::string& password,
                 const std::string& startDirectory, bool useTls);
    // Lists remoteDir into the rows without touching the history; selects the first row. False
    // when not connected, when the folder cannot be entered, or when the data connection failed.
    bool RefreshListing();
    // RefreshListing, and on success remoteDir goes to the front of the history.
    bool RefreshRemote();
    // Shows `path` ("/" when empty); the previous folder stays when it cannot be shown.
    bool ChangeRemoteFolder(const std::string& path);
    // Shows the folder `name` of the current folder.
    bool OpenRemoteFolder(const std::string& name);
    // Shows the parent folder with the folder that was left selected.
    bool RemoteUpOneLevel();
    bool RemoteBack();
    bool RemoteForward();
    bool CanGoBack() const;
    bool CanGoForward() const;
    // Opens the focused row: a folder is shown, a file (only when allowFile) is downloaded and
    // opened with its application, a link is tried as a folder and then, with allowFile, as a
    // file.
    bool OpenRemoteSelection(bool allowFile);

    // Closes the session and forgets the rows, the history and the connected state.
    void Disconnect();

    const std::vector<RemotePaneItem>& rows() const { return rows_; }
    // The text a column shows for a row: the name, the size in the units of "FileSizeUnits"
    // (none for folders), the kind text, the local date and time (none for time 0).
    std::string Text(std::size_t row, int column) const;
    // Row indices in ascending order.
    const std::vector<std::size_t>& selection() const { return selection_; }
    // -1 when no row has the focus.
    int focusedRow() const { return focusedRow_; }
    // The view reports the user's selection and focus; these do not call the listener back.
    // Indices past the rows are dropped.
    void SetSelection(std::vector<std::size_t> rows);
    void SetFocusedRow(int row);
    // Selects and focuses the first row with this name; false (selection kept) when none has it.
    bool SelectRowNamed(const std::string& name);

    const std::array<std::string, kRemoteHistorySize>& history() const { return history_; }
    std::size_t historyPosition() const { return historyPosition_; }

    // Orders the rows by what a column shows: names and kind texts by their bytes, sizes by the
    // number (folders first), dates by the time. The selection and the focus stay on the same
    // rows.
    void SortRows(int column, bool ascending);
    // The listing order: up to kRemoteOrderedItemLimit items folders first and by name (bytes);
    // more items stay as they are.
    static void OrderItems(std::vector<RemotePaneItem>& items);

    // In-place editing: a new folder row (empty name) or the focused row's name. False when not
    // connected or, for a rename, without a focused row.
    bool StartNewFolder();
    bool StartRename();
    // The edit ended with this text: creates the folder or renames the item on the server,
    // lists the folder again and selects the row with the new text.
    void EndEditing(const std::string& text);
    // The edit was abandoned; the folder is listed again.
    void CancelEditing();
    bool editing() const { return editing_; }
    // The row being edited (-1 when none) and the name it had ("" for a new folder).
    int editingRow() const { return editing_ ? editingRow_ : -1; }
    const std::string& oldName() const { return oldName_; }

    // Asks, then deletes the selected rows on the server, stopping at the first failure.
    void DeleteSelection();

private:
    // Runs an operation that talks to the server while it holds the session; false when another
    // operation holds it.
    bool WithSession(const std::function<bool()>& operation);
    // The operations without taking the session: their callers hold it.
    bool ListFolder();
    bool ListAndRecord();
    bool ChangeFolder(const std::string& path);
    // Shows `path` without recording it; on failure remoteDir goes back to what it was.
    bool ShowFolder(const std::string& path);
    // Moves the history position and shows that entry.
    bool ShowHistoryEntry(std::size_t position);
    void Forget();
    // Replaces the rows, with the selection and the focus cleared.
    void ResetRows(std::vector<RemotePaneItem> rows);
    // Adds an empty folder row and starts editing it.
    void AddNewFolderRow();
    void FocusAndSelect(std::size_t row);
    void NotifyCommand(std::uint32_t command);
    void NotifySelectionChanged();

    LFtpList session_;
    RemotePaneListener* listener_ = nullptr;
    std::vector<RemotePaneItem> rows_;
    int sizeUnits_ = kDefaultFileSizeUnits;  // as read for the last listing
    std::vector<std::size_t> selection_;
    int focusedRow_ = -1;
    std::array<std::string, kRemoteHistorySize> history_;
    std::size_t historyPosition_ = 0;
    bool editing_ = false;
    int editingRow_ = -1;
    std::string oldName_;
};
