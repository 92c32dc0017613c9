#pragma once

#include <QAbstractTableModel>
#include <QString>

#include "transfer/remote_pane.h"

// The remote pane's rows for the remote list (control 102): a Qt item model that follows
// RemotePane's notifications. Cells are asked of the pane when shown, so a folder of 100,000
// items costs one reset. Sorting goes through the pane's own column order. Only the row the pane
// edits is editable, in its name column.
class RemotePaneModel final : public QAbstractTableModel, public RemotePaneListener {
    Q_OBJECT

public:
    // Becomes the pane's listener until destroyed.
    RemotePaneModel(QObject* parent, RemotePane& pane);
    ~RemotePaneModel() override;

    RemotePane& pane() const { return pane_; }
    // What the editor committed for the edited row (the text EndEditing gets).
    const QString& committedText() const { return committed_; }
    // A reset comes from a sort the user asked for, not from a new listing.
    bool sorting() const { return sorting_; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    void sort(int column, Qt::SortOrder order) override;

signals:
    // The pane asked for a window command (307).
    void paneCommand(int command);
    // The pane changed its selection or focus; the view follows.
    void paneSelectionChanged();
    // The pane wants this row's name edited in place.
    void editRowRequested(int row);

private:
    // RemotePaneListener.
    void OnRemotePaneCommand(std::uint32_t command) override;
    void OnRemoteRowsAboutToReset() override;
    void OnRemoteRowsReset() override;
    void OnRemoteRowAboutToBeInserted(std::size_t row) override;
    void OnRemoteRowInserted(std::size_t row) override;
    void OnRemoteRowChanged(std::size_t row) override;
    void OnRemoteSelectionChanged() override;
    void OnRemoteEditRow(std::size_t row) override;

    RemotePane& pane_;
    QString committed_;
    bool sorting_ = false;
};
