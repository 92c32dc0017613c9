#include "ui/sites/site_manager.h"

#include <QAction>
#include <QDialogButtonBox>
#include <QFrame>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QMenu>
#include <QPushButton>
#include <QTreeView>
#include <QVBoxLayout>
#include <algorithm>
#include <vector>

#include "settings/ftp_account.h"
#include "ui/accessible_names.h"
#include "ui/help_pages.h"
#include "ui/row_list_view.h"
#include "ui/sites/site_list_model.h"
#include "ui/sites/site_properties.h"

namespace {

QPushButton* MakeButton(const QString& text, int id) {
    auto* button = new QPushButton(text);
    button->setObjectName(QString::number(id));
    button->setAutoDefault(false);
    return button;
}

}  // namespace

SiteManagerDlg::SiteManagerDlg(QWidget* parent, UserInterfaceServices& ui,
                               ProcessLauncher& launcher, const SiteConnectionState& connection)
    : QDialog(parent),
      ui_(ui),
      launcher_(launcher),
      connection_(connection),
      model_(new SiteListModel(this)),
      list_(new QTreeView) {
    setWindowTitle(tr("Site Manager"));
    setObjectName(QStringLiteral("SiteManager"));
    resize(810, 422);

    SetUpRowList(list_, model_, QStringLiteral("101"), tr("Sites"));

    auto* add = MakeButton(tr("&Add Site..."), kSiteManagerAdd);
    properties_ = MakeButton(tr("Site &Properties..."), kSiteManagerProperties);
    delete_ = MakeButton(tr("&Delete Site"), kSiteManagerDelete);
    auto* buttonRow = new QHBoxLayout;
    for (QPushButton* button : {add, properties_, delete_}) {
        buttonRow->addWidget(button);
        const int id = button->objectName().toInt();
        connect(button, &QPushButton::clicked, this, [this, id] { Command(id); });
    }

    auto* separator = new QFrame;
    separator->setFrameShape(QFrame::HLine);
    separator->setFrameShadow(QFrame::Sunken);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel |
                                         QDialogButtonBox::Help);
    connect_ = buttons->button(QDialogButtonBox::Ok);
    connect_->setText(tr("&Connect"));
    connect_->setDefault(true);
    buttons->button(QDialogButtonBox::Cancel)->setText(tr("Close"));
    connect(buttons, &QDialogButtonBox::accepted, this, &SiteManagerDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &SiteManagerDlg::reject);
    connect(buttons, &QDialogButtonBox::helpRequested, this, &SiteManagerDlg::ShowHelp);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(list_, 1);
    layout->addLayout(buttonRow);
    layout->addWidget(separator);
    layout->addWidget(buttons);

    auto* remove = new QAction(this);
    remove->setShortcut(QKeySequence::Delete);
    remove->setShortcutContext(Qt::WidgetShortcut);
    list_->addAction(remove);
    connect(remove, &QAction::triggered, this, [this] { Command(kSiteManagerDelete); });
    connect(list_, &QTreeView::doubleClicked, this, [this] { Command(kSiteManagerProperties); });
    connect(list_, &QTreeView::customContextMenuRequested, this, [this](const QPoint& position) {
        menuPosition_ = list_->viewport()->mapToGlobal(position);
        Command(kSiteManagerContextMenu);
    });
    connect(list_->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this] { Command(kSiteManagerSelectionChanged); });
    // The model is made anew when the list changes; the view keeps its selection model.
    connect(model_, &QAbstractItemModel::modelReset, this, [this] { UpdateControls(); });

    Refill(0);
    UpdateControls();
    SetTimer(kSiteListRefreshTimer, 0);
    NameControlsForAccessibility(this);
    list_->setFocus();
}

SiteManagerDlg::~SiteManagerDlg() {
    KillTimer(kSiteListRefreshTimer);
}

void SiteManagerDlg::Command(int id) {
    switch (id) {
        case kSiteManagerAdd:
            AddSite();
            break;
        case kSiteManagerProperties:
            EditSite();
            break;
        case kSiteManagerDelete:
            DeleteSites();
            break;
        case kSiteManagerSelectionChanged:
            UpdateControls();
            break;
        case kSiteManagerContextMenu:
            ShowContextMenu();
            break;
        default:
            break;
    }
    list_->setFocus();
}

void SiteManagerDlg::OnTimer(std::int32_t id) {
    if (id != kSiteListRefreshTimer) {
        return;
    }
    KillTimer(kSiteListRefreshTimer);
    const int row = FirstSelectedRow();
    // Unchanged labels keep the rows, and with them a selection of several.
    if (!model_->Refill(connection_.ConnectedSite())) {
        SelectRow(row);
    }
    SetTimer(kSiteListRefreshTimer, kSiteListRefreshMs);
}

void SiteManagerDlg::accept() {
    const int row = ChosenRow();
    if (row < 0) {
        return;
    }
    chosenSite_ = model_->label(row);
    SetCurrentSite(chosenSite_);
    QDialog::accept();
}

void SiteManagerDlg::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    SpreadColumns();
}

void SiteManagerDlg::Refill(int selectRow) {
    model_->Refill(connection_.ConnectedSite());
    SelectRow(selectRow);
}

void SiteManagerDlg::SelectRow(int row) {
    QItemSelectionModel* selection = list_->selectionModel();
    if (row < 0 || row >= model_->rowCount()) {
        selection->clearSelection();
        return;
    }
    selection->setCurrentIndex(model_->index(row, 0),
                               QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    list_->scrollTo(model_->index(row, 0));
}

int SiteManagerDlg::ChosenRow() const {
    const QModelIndex current = list_->selectionModel()->currentIndex();
    if (current.isValid() && list_->selectionModel()->isRowSelected(current.row())) {
        return current.row();
    }
    return FirstSelectedRow();
}

int SiteManagerDlg::FirstSelectedRow() const {
    const QModelIndexList rows = list_->selectionModel()->selectedRows();
    if (rows.isEmpty()) {
        return -1;
    }
    return std::min_element(rows.begin(), rows.end(),
                            [](const auto& a, const auto& b) { return a.row() < b.row(); })
        ->row();
}

void SiteManagerDlg::UpdateControls() {
    const bool selected = list_->selectionModel()->hasSelection();
    properties_->setEnabled(selected);
    delete_->setEnabled(selected);
    connect_->setEnabled(selected);
}

void SiteManagerDlg::AddSite() {
    if (SiteProperties(this, ui_, launcher_, "")) {
        Refill(0);
    }
}

void SiteManagerDlg::EditSite() {
    const int row = ChosenRow();
    if (row >= 0 && SiteProperties(this, ui_, launcher_, model_->label(row))) {
        Refill(row);
    }
}

void SiteManagerDlg::DeleteSites() {
    const int row = FirstSelectedRow();
    if (row < 0 || !ui_.OkCancelBox(this, "Are you sure you want to delete the selected site(s)?",
                                    "Confirm Delete")) {
        return;
    }
    std::vector<std::string> labels;
    for (const QModelIndex& index : list_->selectionModel()->selectedRows()) {
        labels.push_back(model_->label(index.row()));
    }
    for (const std::string& label : labels) {
        DeleteFtpAccount(label);
    }
    model_->Refill(connection_.ConnectedSite());
    SelectRow(std::min(row, model_->rowCount() - 1));
}

void SiteManagerDlg::ShowContextMenu() {
    const bool selected = list_->selectionModel()->hasSelection();
    QMenu menu(this);
    QAction* connectSite = menu.addAction(tr("Connect"), this, &SiteManagerDlg::accept);
    menu.addSeparator();
    menu.addAction(tr("Add Site"), this, [this] { Command(kSiteManagerAdd); });
    QAction* properties =
        menu.addAction(tr("Site Properties"), this, [this] { Command(kSiteManagerProperties); });
    QAction* remove =
        menu.addAction(tr("Delete Site"), this, [this] { Command(kSiteManagerDelete); });
    for (QAction* action : {connectSite, properties, remove}) {
        action->setEnabled(selected);
    }
    menu.exec(menuPosition_);
}

void SiteManagerDlg::ShowHelp() {
    if (!OpenHelpPage(ui_, "sitemanager")) {
        ui_.NoteBox(this, "The help page \"sitemanager\" could not be opened.",
                    "Help Not Available");
    }
}

void SiteManagerDlg::SpreadColumns() {
    // Shares of the list's width in per cent; the last column takes what is left.
    constexpr int kShares[] = {30, 20, 35};
    const int width = list_->viewport()->width();
    for (int column = 0; column < 3; ++column) {
        list_->setColumnWidth(column, width * kShares[column] / 100);
    }
}

bool RunSiteManager(QWidget* parent, UserInterfaceServices& ui, ProcessLauncher& launcher,
                    SiteConnectionState& connection) {
    std::string chosen;
    {
        SiteManagerDlg dialog(parent, ui, launcher, connection);
        if (dialog.exec() != QDialog::Accepted) {
            return false;
        }
        chosen = dialog.chosenSite();
    }
    connection.ConnectToSite(chosen);
    return true;
}
