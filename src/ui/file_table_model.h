#pragma once

#include <QAbstractTableModel>
#include <QString>

// The columns of the program's file lists (local pane, FTP Explorer).
inline constexpr int kFileColumnName = 0;
inline constexpr int kFileColumnSize = 1;
inline constexpr int kFileColumnKind = 2;
inline constexpr int kFileColumnDate = 3;
inline constexpr int kFileColumnCount = 4;

// What the file lists share: their four column titles, and the one row whose name may be edited
// in place (a rename or a new folder), with what the editor committed kept for the end of the
// edit. A subclass holds the rows and says what each cell shows.
class FileTableModel : public QAbstractTableModel {
    Q_OBJECT

public:
    using QAbstractTableModel::QAbstractTableModel;

    // The row whose name may be edited; -1 for none. Clears the committed text.
    void SetEditableRow(int row);
    int editableRow() const { return editableRow_; }
    const QString& committedText() const { return committed_; }

    int columnCount(const QModelIndex& parent = {}) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

protected:
    // A new listing: no row is being named any more.
    void ForgetEditableRow() { editableRow_ = -1; }
    // Right-aligned sizes, for a subclass's data().
    static QVariant Alignment(int column);

private:
    int editableRow_ = -1;
    QString committed_;
};
