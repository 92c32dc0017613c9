#pragma once

#include <string>
#include <vector>

#include "ui/explorer/explorer_rows.h"
#include "ui/file_table_model.h"

// The columns of the FTP Explorer's list.
inline constexpr int kExplorerColumnName = kFileColumnName;
inline constexpr int kExplorerColumnSize = kFileColumnSize;
inline constexpr int kExplorerColumnKind = kFileColumnKind;
inline constexpr int kExplorerColumnDate = kFileColumnDate;
inline constexpr int kExplorerColumnCount = kFileColumnCount;

// The rows of the folder in view for the list control.
class ExplorerListModel final : public FileTableModel {
    Q_OBJECT

public:
    using FileTableModel::FileTableModel;

    void SetRows(std::vector<ExplorerRow> rows);
    const std::vector<ExplorerRow>& rows() const { return rows_; }
    // Adds an empty folder row at the end and returns its index.
    int AppendNewFolderRow();

    // The text a cell shows: the size in the user's units (files only), the kind, the date and
    // time in the system's date order (none for time 0).
    std::string Text(int row, int column) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;

private:
    std::vector<ExplorerRow> rows_;
    int sizeUnits_ = 1;  // read with each listing
};

// "%.2d/%.2d/%.4d %.2d:%.2d:%.2d" with day, month and year in the system's order (or year first
// as "%.4d/%.2d/%.2d"); "" for time 0.
std::string ExplorerDateText(time_t time);
