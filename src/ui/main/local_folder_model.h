#pragma once

#include <QAbstractTableModel>
#include <QString>
#include <vector>

#include "ui/main/local_entries.h"

// The columns of the local list.
inline constexpr int kLocalColumnName = 0;
inline constexpr int kLocalColumnSize = 1;
inline constexpr int kLocalColumnKind = 2;
inline constexpr int kLocalColumnDate = 3;
inline constexpr int kLocalColumnCount = 4;

// The local pane's rows for its list. Only the row being named in place is editable, in its
// name column; what the editor commits is kept for the end of the edit.
class LocalFolderModel final : public QAbstractTableModel {
    Q_OBJECT

public:
    using QAbstractTableModel::QAbstractTableModel;

    void SetEntries(std::vector<LocalEntry> entries);
    const std::vector<LocalEntry>& entries() const { return entries_; }
    // Adds an empty folder row at the end and returns its index.
    int AppendNewFolderRow();
    // The row whose name may be edited; -1 for none. Clears the committed text.
    void SetEditableRow(int row);
    int editableRow() const { return editableRow_; }
    const QString& committedText() const { return committed_; }

    // What a cell shows: the size in KB (files only), the kind, the local date and time.
    QString Text(int row, int column) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    // Orders the rows by a column, folders staying first; the selection stays on its rows.
    void sort(int column, Qt::SortOrder order) override;

private:
    std::vector<LocalEntry> entries_;
    int editableRow_ = -1;
    QString committed_;
};
