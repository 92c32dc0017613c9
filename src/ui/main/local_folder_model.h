#pragma once

#include <QString>
#include <vector>

#include "ui/file_table_model.h"
#include "ui/main/local_entries.h"

// The columns of the local list.
inline constexpr int kLocalColumnName = kFileColumnName;
inline constexpr int kLocalColumnSize = kFileColumnSize;
inline constexpr int kLocalColumnKind = kFileColumnKind;
inline constexpr int kLocalColumnDate = kFileColumnDate;
inline constexpr int kLocalColumnCount = kFileColumnCount;

// The local pane's rows for its list.
class LocalFolderModel final : public FileTableModel {
    Q_OBJECT

public:
    using FileTableModel::FileTableModel;

    void SetEntries(std::vector<LocalEntry> entries);
    const std::vector<LocalEntry>& entries() const { return entries_; }
    // Adds an empty folder row at the end and returns its index.
    int AppendNewFolderRow();

    // What a cell shows: the size in KB (files only), the kind, the local date and time.
    QString Text(int row, int column) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    // Orders the rows by a column, folders staying first; the selection stays on its rows.
    void sort(int column, Qt::SortOrder order) override;

private:
    std::vector<LocalEntry> entries_;
};
