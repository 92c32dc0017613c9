#include "ui/row_list_view.h"

#include <QAbstractItemModel>
#include <QTreeView>

void SetUpRowList(QTreeView* view, QAbstractItemModel* model, const QString& id,
                  const QString& name) {
    view->setObjectName(id);
    view->setAccessibleName(name);
    view->setModel(model);
    view->setRootIsDecorated(false);
    view->setItemsExpandable(false);
    view->setUniformRowHeights(true);
    view->setAllColumnsShowFocus(true);
    view->setSelectionMode(QAbstractItemView::ExtendedSelection);
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->setContextMenuPolicy(Qt::CustomContextMenu);
}
