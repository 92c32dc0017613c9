#pragma once

#include <QAbstractTableModel>
#include <string>
#include <vector>

#include "ui/explorer/explorer_rows.h"

// The columns of the FTP Explorer's list.
inline constexpr int kExplorerColumnName = 0;
inline constexpr int kExplorerColumnSize = 1;
inline constexpr int kExplorerColumnKind = 2;
inline constexpr int kExplorerColumnDate = 3;
inline constexpr int kExplorerColumnCount = 4;

// The rows of the folder in view for the list control. Only the row being named in place is
// editable, in its name column; what the editor commits is kept for the end of the edit.
class ExplorerListModel final : public QAbstractTableModel {
    Q_OBJECT

public:
    using QAbstractTableModel::QAbstractTableModel;

    void SetRows(std::vector<ExplorerRow> rows);
    const std::vector<ExplorerRow>& rows() const { return rows_; }
    // Adds an empty folder row at the end and returns its index.
    int AppendNewFolderRow();
    // The row whose name may be edited; -1 for none. Clears the committed text.
    void SetEditableRow(int row);
    const QString& committedText() const { return committed_; }

    // The text a cell shows: the size in the user's units (files only), the kind, the date and
    // time in the system's date order (none for time 0).
    std::string Text(int row, int column) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    std::vector<ExplorerRow> rows_;
    int sizeUnits_ = 1;  // read with each listing
    int editableRow_ = -1;
    QString committed_;
};

// "%.2d/%.2d/%.4d %.2d:%.2d:%.2d" with day, month and year in the system's order (or year first
// as "%.4d/%.2d/%.2d"); "" for time 0.
std::string ExplorerDateText(time_t time);
