#pragma once

class QAbstractItemModel;
class QString;
class QTreeView;

// Makes a tree view the program's list of rows: flat, whole rows selected (several at a time),
// one height for every row (so a long list lays out without measuring each), no editing unless
// the window starts it, a context menu for the window to build. id becomes its object name,
// name its accessible name.
void SetUpRowList(QTreeView* view, QAbstractItemModel* model, const QString& id,
                  const QString& name);
