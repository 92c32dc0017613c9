#include "ui/main/remote_list_view.h"

#include <QDrag>
#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QMimeData>

QStringList DroppedLocalFiles(const QMimeData* mime) {
    QStringList paths;
    if (mime == nullptr || !mime->hasUrls()) {
        return paths;
    }
    for (const QUrl& url : mime->urls()) {
        if (!url.isLocalFile()) {
            return {};
        }
        paths << url.toLocalFile();
    }
    return paths;
}

void RemoteListView::startDrag(Qt::DropActions) {
    const QList<QUrl> urls = prepareDragOut ? prepareDragOut() : QList<QUrl>();
    if (urls.isEmpty()) {
        return;
    }
    auto* mime = new QMimeData;
    mime->setUrls(urls);
    auto* drag = new QDrag(this);
    drag->setMimeData(mime);
    drag->exec(Qt::CopyAction, Qt::CopyAction);
}

bool RemoteListView::Takes(const QDropEvent& event) const {
    // The list's own items are not dropped back on it.
    return event.source() != this && dropAllowed && dropAllowed() && dropFiles &&
           !DroppedLocalFiles(event.mimeData()).isEmpty();
}

void RemoteListView::dragEnterEvent(QDragEnterEvent* event) {
    if (Takes(*event)) {
        event->setDropAction(Qt::CopyAction);
        event->accept();
        return;
    }
    event->ignore();
}

void RemoteListView::dragMoveEvent(QDragMoveEvent* event) {
    if (Takes(*event)) {
        event->setDropAction(Qt::CopyAction);
        event->accept();
        return;
    }
    event->ignore();
}

void RemoteListView::dropEvent(QDropEvent* event) {
    if (!Takes(*event)) {
        event->ignore();
        return;
    }
    const QStringList paths = DroppedLocalFiles(event->mimeData());
    event->setDropAction(Qt::CopyAction);
    event->accept();
    // The upload runs its progress dialog after the drop, so the source is not kept waiting.
    QMetaObject::invokeMethod(
        this, [this, paths] { dropFiles(paths); }, Qt::QueuedConnection);
}
