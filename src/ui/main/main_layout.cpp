// The main window's controls and where they sit.
#include <QComboBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QSplitter>
#include <QStatusBar>
#include <QStyle>
#include <QToolButton>
#include <QTreeView>
#include <QVBoxLayout>
#include <algorithm>

#include "services/version_check.h"
#include "ui/log/log_pane.h"
#include "ui/main/local_pane_view.h"
#include "ui/main/main_commands.h"
#include "ui/main/main_window.h"
#include "ui/main/remote_pane_view.h"

namespace {

using namespace MainCommand;

constexpr int kNameStatusWidth = 388;
constexpr int kTransferIconSize = 32;

QString Id(int id) {
    return QString::number(id);
}

// A control that carries its number.
template <typename Widget>
Widget* Numbered(Widget* widget, int id) {
    widget->setObjectName(Id(id));
    return widget;
}

QComboBox* PathField(int id) {
    auto* field = Numbered(new QComboBox, id);
    field->setEditable(true);
    field->setInsertPolicy(QComboBox::NoInsert);
    field->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    return field;
}

// The pane's Refresh, Up One Level, Back and Forward, its path field and "go".
QHBoxLayout* PaneBar(MainDialog& window, int firstButton, QComboBox* field, int go,
                     const QString& goTip) {
    struct Button {
        int offset;
        QStyle::StandardPixmap icon;
        const char* tip;
    };
    static constexpr Button kButtons[] = {{0, QStyle::SP_BrowserReload, "Refresh"},
                                          {1, QStyle::SP_FileDialogToParent, "Up One Level"},
                                          {2, QStyle::SP_ArrowBack, "Back"},
                                          {3, QStyle::SP_ArrowForward, "Forward"}};
    auto* bar = new QHBoxLayout;
    for (const Button& entry : kButtons) {
        const int id = firstButton + entry.offset;
        auto* button = Numbered(new QToolButton, id);
        button->setIcon(window.style()->standardIcon(entry.icon));
        button->setToolTip(QObject::tr(entry.tip));
        QObject::connect(button, &QToolButton::clicked, &window,
                         [&window, id] { window.Command(id); });
        bar->addWidget(button);
    }
    bar->addWidget(field, 1);
    auto* goButton = Numbered(new QToolButton, go);
    goButton->setIcon(window.style()->standardIcon(QStyle::SP_CommandLink));
    goButton->setToolTip(goTip);
    QObject::connect(goButton, &QToolButton::clicked, &window,
                     [&window, go] { window.Command(go); });
    bar->addWidget(goButton);
    return bar;
}

}  // namespace

void MainDialog::BuildCentralWidget() {
    auto* files = new QWidget;
    auto* row = new QHBoxLayout(files);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(BuildLocalSide(), 1);
    row->addWidget(BuildTransferButtons());
    row->addWidget(BuildRemoteSide(), 1);

    divider_ = new QSplitter(Qt::Vertical);
    divider_->setObjectName(QStringLiteral("divider"));
    divider_->setChildrenCollapsible(false);
    divider_->addWidget(files);
    divider_->addWidget(BuildLogArea());
    divider_->setStretchFactor(0, 3);
    divider_->setStretchFactor(1, 1);

    auto* central = new QWidget;
    auto* column = new QVBoxLayout(central);
    column->setContentsMargins(6, 6, 6, 0);
    column->addWidget(divider_);
    setCentralWidget(central);
}

QWidget* MainDialog::BuildLocalSide() {
    auto* side = new QWidget;
    auto* column = new QVBoxLayout(side);
    column->setContentsMargins(0, 0, 0, 0);
    localPath_ = PathField(kLocalPathField);
    localPath_->setAccessibleName(tr("Local folder"));
    column->addLayout(PaneBar(*this, kLocalRefreshButton, localPath_, kLocalGo,
                              tr("Open the current local folder")));
    local_ = Numbered(new LExplorerFolderControl(side, ui()), kLocalList);
    local_->setToolTip(tr("Local files listing"));
    column->addWidget(local_, 1);
    return side;
}

QWidget* MainDialog::BuildRemoteSide() {
    auto* side = new QWidget;
    auto* column = new QVBoxLayout(side);
    column->setContentsMargins(0, 0, 0, 0);
    remotePath_ = PathField(kRemotePathField);
    remotePath_->setAccessibleName(tr("Remote folder"));
    column->addLayout(PaneBar(*this, kRemoteRefreshButton, remotePath_, kRemoteGo,
                              tr("Open the current remote folder")));
    remote_ = Numbered(new RemotePaneView(side, remotePane(), ui(), launcher()), kRemoteList);
    remote_->setToolTip(tr("Remote files listing"));
    column->addWidget(remote_, 1);
    return side;
}

QWidget* MainDialog::BuildTransferButtons() {
    struct Button {
        int id;
        const char* text;
        QStyle::StandardPixmap icon;
        const char* tip;
    };
    static constexpr Button kButtons[] = {
        {kUploadButton, "Upload", QStyle::SP_ArrowRight, "Upload the selected file (Ctrl + U)"},
        {kDownloadButton, "Download", QStyle::SP_ArrowLeft,
         "Download the selected file (Ctrl + D)"},
        {kSynchronizeButton, "Synchronize", QStyle::SP_BrowserReload,
         "Synchronize the remote and local folders.  Both sides will receive the latest "
         "copies."},
    };
    auto* buttons = new QWidget;
    auto* column = new QVBoxLayout(buttons);
    column->setContentsMargins(0, 0, 0, 0);
    column->addStretch(1);
    for (const Button& entry : kButtons) {
        auto* button = Numbered(new QToolButton, entry.id);
        button->setText(tr(entry.text));
        button->setToolTip(tr(entry.tip));
        button->setIcon(style()->standardIcon(entry.icon));
        button->setIconSize(QSize(kTransferIconSize, kTransferIconSize));
        button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
        button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        const int id = entry.id;
        connect(button, &QToolButton::clicked, this, [this, id] { Command(id); });
        column->addWidget(button);
    }
    column->addStretch(1);
    return buttons;
}

QWidget* MainDialog::BuildLogArea() {
    auto* area = new QWidget;
    auto* column = new QVBoxLayout(area);
    column->setContentsMargins(0, 0, 0, 0);
    auto* disclosure = Numbered(new QToolButton, kLogDisclosure);
    disclosure->setText(tr("Log"));
    disclosure->setToolTip(tr("Log window"));
    disclosure->setCheckable(true);
    disclosure->setChecked(true);
    disclosure->setArrowType(Qt::DownArrow);
    disclosure->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    disclosure->setAutoRaise(true);
    column->addWidget(disclosure, 0, Qt::AlignLeft);

    log_ = new LogPane(area);
    QFont font = log_->font();
    font.setPointSizeF(std::max(6.0, font.pointSizeF() - 2));
    log_->setFont(font);
    column->addWidget(log_, 1);
    connect(disclosure, &QToolButton::toggled, this, [this, disclosure](bool shown) {
        disclosure->setArrowType(shown ? Qt::DownArrow : Qt::RightArrow);
        log_->setVisible(shown);
    });
    return area;
}

void MainDialog::BuildStatusBar() {
    auto* name = new QLabel(QStringLiteral("BrindleFTP %1").arg(kProgramVersion));
    name->setObjectName(QStringLiteral("statusName"));
    name->setMinimumWidth(kNameStatusWidth);
    statusIcon_ = new QLabel;
    statusIcon_->setObjectName(QStringLiteral("statusIcon"));
    statusText_ = new QLabel;
    statusText_->setObjectName(QStringLiteral("statusText"));
    statusBar()->addWidget(name);
    statusBar()->addWidget(statusIcon_);
    statusBar()->addWidget(statusText_, 1);
}

void MainDialog::ConnectPanes() {
    using namespace MainCommand;
    connect(local_, &LExplorerFolderControl::activated, this, [this] { Command(kLocalOpen); });
    connect(local_, &LExplorerFolderControl::selectionChanged, this, [this] { UpdateEnabling(); });
    connect(local_, &LExplorerFolderControl::folderChanged, this,
            [this] { Command(kLocalFolderChanged); });
    connect(local_, &LExplorerFolderControl::contextMenuRequested, this,
            [this](const QPoint& pos, const QPoint& globalPos) {
                ShowContextMenu(local_->CreateContextMenu(pos, this), globalPos);
            });
    connect(remote_, &RemotePaneView::activated, this, [this] { Command(kRemoteOpen); });
    connect(remote_, &RemotePaneView::selectionChanged, this,
            [this] { Command(kRemoteSelectionChanged); });
    connect(remote_, &RemotePaneView::folderChanged, this,
            [this] { Command(kRemoteFolderChanged); });
    connect(remote_, &RemotePaneView::contextMenuRequested, this,
            [this](const QPoint& pos, const QPoint& globalPos) {
                remoteMenuPosition_ = pos;
                remoteMenuGlobalPosition_ = globalPos;
                Command(kRemoteContextMenu);
            });
    connect(remote_, &RemotePaneView::transferStarting, this, [this] { PauseConnectionCheck(); });
    connect(remote_, &RemotePaneView::transferFinished, this, [this] { StartConnectionCheck(); });

    // Return in a path field is the window's Return for that field (eventFilter); choosing a
    // listed folder goes there at once.
    const std::pair<QComboBox*, int> fields[] = {{localPath_, kLocalGo}, {remotePath_, kRemoteGo}};
    for (const auto& [field, go] : fields) {
        field->lineEdit()->installEventFilter(this);
        const int goId = go;
        connect(field, qOverload<int>(&QComboBox::activated), this,
                [this, goId] { Command(goId); });
    }
}

bool MainDialog::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        const int field = watched == localPath_->lineEdit()    ? MainCommand::kLocalPathField
                          : watched == remotePath_->lineEdit() ? MainCommand::kRemotePathField
                                                               : 0;
        // Taken before the field sees it, so that the field's own Return does not go twice.
        if (field != 0 && (key == Qt::Key_Return || key == Qt::Key_Enter)) {
            Command(field);
            Command(MainCommand::kReturn);
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}
