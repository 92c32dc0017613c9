#pragma once

#include <QList>
#include <QStringList>
#include <QTreeView>
#include <QUrl>
#include <functional>

// The remote list's tree view with its drag and drop: local files dropped on it, while
// `dropAllowed` says so, go to `dropFiles` once the drop has ended; a drag out first asks
// `prepareDragOut` for the local files it carries (none: no drag).
class RemoteListView final : public QTreeView {
    Q_OBJECT

public:
    using QTreeView::QTreeView;

    std::function<bool()> dropAllowed;
    std::function<void(const QStringList&)> dropFiles;
    std::function<QList<QUrl>()> prepareDragOut;

protected:
    // Local files from elsewhere, while drops are allowed.
    bool Takes(const QDropEvent& event) const;
    void startDrag(Qt::DropActions supportedActions) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
};

// The local files a drop carries, in order; empty when it carries anything else.
QStringList DroppedLocalFiles(const QMimeData* mime);
