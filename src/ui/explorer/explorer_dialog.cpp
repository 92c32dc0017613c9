#include "ui/explorer/explorer_dialog.h"

#include <QAbstractButton>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QShortcut>
#include <QStatusBar>
#include <QStyle>
#include <QToolButton>
#include <QTreeView>
#include <QVBoxLayout>
#include <algorithm>

#include "ui/accessible_names.h"
#include "ui/explorer/explorer_commands.h"
#include "ui/row_list_view.h"

namespace {

constexpr int kMinimumWidth = 600;
constexpr int kMinimumHeight = 425;
constexpr int kButtonWidth = 74;
constexpr int kConnectionPartWidth = 100;
constexpr int kKeepAliveMs = 30000;

QToolButton* MakeToolButton(QStyle::StandardPixmap icon, const char* id, const char* tip) {
    auto* button = new QToolButton;
    button->setObjectName(QLatin1String(id));
    button->setIcon(button->style()->standardIcon(icon));
    button->setToolTip(QString::fromLatin1(tip));
    button->setAutoRaise(true);
    return button;
}

}  // namespace

LFtpExplorer::LFtpExplorer(QWidget* parent, UserInterfaceServices& ui, ProcessLauncher& launcher,
                           ExplorerSite site, const std::string& folder, bool chooseFolder)
    : QDialog(parent),
      ui_(ui),
      launcher_(launcher),
      site_(std::move(site)),
      folder_(folder.empty() ? "/" : folder),
      chooseFolder_(chooseFolder),
      session_(ui, launcher, static_cast<QWidget*>(this)),
      iface_(
          ui, static_cast<QWidget*>(this), [this](const std::string& text) { ShowStatus(text); },
          [this] { return closing_; }) {
    setObjectName(QStringLiteral("FtpExplorer"));
    setWindowTitle(QStringLiteral("FTP Explorer - ") + QString::fromStdString(site_.server));
    setWindowFlag(Qt::WindowMaximizeButtonHint);
    setMinimumSize(kMinimumWidth, kMinimumHeight);
    BuildControls(chooseFolder);
    NameControlsForAccessibility(this);
}

LFtpExplorer::~LFtpExplorer() {
    // The controls outlive the members their signals call back into.
    for (QObject* child : findChildren<QObject*>()) {
        child->disconnect(this);
    }
}

void LFtpExplorer::BuildControls(bool chooseFolder) {
    auto* layout = new QVBoxLayout(this);
    auto* top = new QHBoxLayout;
    folderField_ = new QLineEdit;
    folderField_->setObjectName(QStringLiteral("104"));
    folderField_->setToolTip(QStringLiteral("Current directory"));
    folderField_->setReadOnly(true);
    folderField_->setText(QString::fromStdString(folder_));
    top->addWidget(folderField_, 1);
    QToolButton* up =
        MakeToolButton(QStyle::SP_FileDialogToParent, "106", "Up to higher level (Ctrl+U)");
    connect(up, &QToolButton::clicked, this, [this] { OnCommand(kExplorerUp); });
    top->addWidget(up);
    QToolButton* newFolder =
        MakeToolButton(QStyle::SP_FileDialogNewFolder, "107", "Create new directory (Ctrl+N)");
    connect(newFolder, &QToolButton::clicked, this,
            [this] { OnCommand(kExplorerNewFolderButton); });
    top->addWidget(newFolder);
    layout->addLayout(top);

    model_ = new ExplorerListModel(this);
    list_ = new QTreeView;
    const QString tip = QStringLiteral(
        "List of files and subdirectories. Double-click to change directory or download.");
    list_->setToolTip(tip);
    SetUpRowList(list_, model_, QStringLiteral("108"), tip);
    list_->header()->resizeSection(kExplorerColumnName, 320);
    list_->installEventFilter(this);
    connect(list_, &QTreeView::doubleClicked, this, [this] { OnCommand(kExplorerDoubleClick); });
    connect(list_->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this] { OnCommand(kExplorerSelectionChanged); });
    connect(list_, &QTreeView::customContextMenuRequested, this, [this](const QPoint& position) {
        menuPosition_ = position;
        OnCommand(kExplorerContextMenu);
    });
    connect(list_->itemDelegate(), &QAbstractItemDelegate::closeEditor, this,
            [this](QWidget*, QAbstractItemDelegate::EndEditHint hint) {
                OnEditorClosed(hint != QAbstractItemDelegate::RevertModelCache);
            });
    layout->addWidget(list_, 1);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    QPushButton* ok = buttons->button(QDialogButtonBox::Ok);
    if (chooseFolder) {
        ok->setText(QStringLiteral("&Select"));
    }
    ok->setDefault(true);
    for (QAbstractButton* button : buttons->buttons()) {
        button->setMinimumWidth(kButtonWidth);
    }
    connect(buttons, &QDialogButtonBox::accepted, this, &LFtpExplorer::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &LFtpExplorer::reject);
    layout->addWidget(buttons);

    auto* status = new QStatusBar;
    status->setObjectName(QStringLiteral("110"));
    statusText_ = new QLabel;
    statusText_->setObjectName(QStringLiteral("StatusText"));
    statusText_->setAccessibleName(QStringLiteral("Status"));
    statusText_->setTextFormat(Qt::PlainText);
    status->addWidget(statusText_, 1);
    connectionText_ = new QLabel;
    connectionText_->setObjectName(QStringLiteral("ConnectionStatus"));
    connectionText_->setAccessibleName(QStringLiteral("Connection"));
    connectionText_->setFixedWidth(kConnectionPartWidth);
    status->addPermanentWidget(connectionText_);
    layout->addWidget(status);

    AddShortcut(QKeySequence(Qt::CTRL | Qt::Key_N), kExplorerNewFolder, this);
    AddShortcut(QKeySequence(Qt::CTRL | Qt::Key_U), kExplorerUp, this);
    AddShortcut(QKeySequence(Qt::Key_F5), kExplorerRefresh, this);
    // On the list alone, so that they never take a key from the name being edited.
    AddShortcut(QKeySequence(Qt::Key_F2), kExplorerRename, list_);
    AddShortcut(QKeySequence(Qt::Key_Delete), kExplorerDelete, list_);
    list_->setFocus();
}

void LFtpExplorer::AddShortcut(const QKeySequence& key, int command, QWidget* scope) {
    auto* shortcut = new QShortcut(key, scope);
    shortcut->setContext(scope == this ? Qt::WindowShortcut : Qt::WidgetShortcut);
    connect(shortcut, &QShortcut::activated, this, [this, command] { OnCommand(command); });
}

bool LFtpExplorer::eventFilter(QObject* watched, QEvent* event) {
    if (watched == list_ && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        // Return opens the selection instead of pressing the default button.
        if ((key == Qt::Key_Return || key == Qt::Key_Enter) && editingRow_ < 0) {
            OnCommand(kExplorerOpenButton);
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void LFtpExplorer::OnCommand(int id) {
    if (id == kExplorerSelectionChanged) {
        ShowSelectionStatus();
        return;
    }
    // One command at a time talks to the server; the others wait for it to finish.
    if (busy_ || closing_) {
        return;
    }
    switch (id) {
        case kExplorerUp:
            UpOneLevel();
            break;
        case kExplorerNewFolderButton:
        case kExplorerNewFolder:
            StartNewFolder();
            break;
        case kExplorerRefreshButton:
        case kExplorerRefresh:
            if (EnsureConnected()) {
                Refresh(true);
            }
            break;
        case kExplorerViewButton:
        case kExplorerView:
            ViewSelection();
            break;
        case kExplorerRenameButton:
        case kExplorerRename:
            StartRename();
            break;
        case kExplorerDeleteButton:
        case kExplorerDelete:
            DeleteSelection();
            break;
        case kExplorerOpenButton:
        case kExplorerDownloadItem:
        case kExplorerChangeFolderItem:
        case kExplorerDoubleClick:
            OpenSelection();
            break;
        case kExplorerContextMenu:
            ShowContextMenu(menuPosition_);
            break;
        default:
            break;
    }
}

void LFtpExplorer::ShowContextMenu(const QPoint& position) {
    const QModelIndex at = list_->indexAt(position);
    const int row = at.isValid() ? at.row() : -1;
    const bool onRow = row >= 0 && editingRow_ < 0;
    const int kind = onRow ? model_->rows()[row].kind : -1;
    QMenu menu(this);
    const auto add = [&menu](const char* text, int command, bool enabled) {
        QAction* action = menu.addAction(QString::fromLatin1(text));
        action->setData(command);
        action->setEnabled(enabled);
    };
    add("Download File (Enter)", kExplorerDownloadItem, onRow && kind != kItemFolder);
    add("View or Open File", kExplorerView, onRow && kind == kItemFile);
    add("Change Directory (Enter)", kExplorerChangeFolderItem, onRow && kind == kItemFolder);
    menu.addSeparator();
    add("Create new directory (Ctrl+N)", kExplorerNewFolder, editingRow_ < 0);
    add("Rename (F2)", kExplorerRename, onRow);
    add("Delete (Del)", kExplorerDelete, onRow);
    if (const QAction* chosen = menu.exec(list_->viewport()->mapToGlobal(position))) {
        OnCommand(chosen->data().toInt());
    }
}

void LFtpExplorer::OnTimer(std::int32_t id) {
    if (id == kExplorerListTimer) {
        Refresh(true);
    } else if (id == kExplorerKeepAliveTimer) {
        KeepAlive();
        SetTimer(kExplorerKeepAliveTimer, kKeepAliveMs);
    }
}

void LFtpExplorer::done(int result) {
    closing_ = true;
    KillTimer(kExplorerListTimer);
    KillTimer(kExplorerKeepAliveTimer);
    QDialog::done(result);
}

void LFtpExplorer::ShowStatus(const std::string& text) {
    statusText_->setText(QString::fromStdString(text));
}

void LFtpExplorer::ShowSelectionStatus() {
    const std::vector<int> rows = SelectedRows();
    if (rows.empty()) {
        ShowStatus(std::to_string(model_->rowCount()) + " objects");
    } else if (const std::string size = model_->Text(rows[0], kExplorerColumnSize);
               rows.size() == 1 && !size.empty()) {
        ShowStatus("Date Modified: " + model_->Text(rows[0], kExplorerColumnDate) +
                   " Size: " + size);
    } else {
        ShowStatus(std::to_string(rows.size()) + " objects selected");
    }
    ShowConnectionStatus();
}

void LFtpExplorer::ShowConnectionStatus() {
    connectionText_->setText(session_.connection.fd >= 0 ? QStringLiteral("Connected")
                                                         : QStringLiteral("Disconnected"));
}

void LFtpExplorer::Alert(const std::string& text) {
    ui_.MessageBox(static_cast<QWidget*>(this), text, kFtpExplorerHeadline);
}

std::vector<int> LFtpExplorer::SelectedRows() const {
    std::vector<int> rows;
    for (const QModelIndex& index : list_->selectionModel()->selectedRows()) {
        rows.push_back(index.row());
    }
    std::sort(rows.begin(), rows.end());
    return rows;
}

void LFtpExplorer::FocusList() {
    list_->setFocus();
}
