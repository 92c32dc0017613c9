#include "ui/sites/site_account_fields.h"

#include <QFile>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "ftp/connection_test.h"
#include "settings/site_checks.h"
#include "ui/dialogs/install_on_demand.h"
#include "ui/explorer/ftp_explorer.h"

namespace {

QString Id(int id) {
    return QString::number(id);
}

}  // namespace

QLineEdit* AddSiteField(QGridLayout* grid, int row, const QString& labelText, int labelId,
                        int fieldId, bool password) {
    auto* label = new QLabel(labelText);
    label->setObjectName(Id(labelId));
    auto* field = new QLineEdit;
    field->setObjectName(Id(fieldId));
    if (password) {
        field->setEchoMode(QLineEdit::Password);
    }
    label->setBuddy(field);
    grid->addWidget(label, row, 0);
    grid->addWidget(field, row, 1);
    return field;
}

std::string SiteFieldValue(const QLineEdit* field) {
    return SiteFieldText(field->text().toStdString());
}

std::string SiteLocalPathValue(const QLineEdit* field) {
    return SiteFieldText(QFile::encodeName(field->text()).toStdString());
}

void SetSiteLocalPath(QLineEdit* field, const std::string& path) {
    field->setText(QFile::decodeName(QByteArray::fromStdString(path)));
}

SiteFolderGroup::SiteFolderGroup(const SiteFolderControls& controls, QWidget* parent)
    : QGroupBox(controls.title, parent),
      recent_(new QRadioButton(controls.recentText)),
      always_(new QRadioButton(controls.alwaysText)),
      path_(new QLineEdit),
      browse_(new QPushButton(controls.browseText)) {
    recent_->setObjectName(Id(controls.recentId));
    always_->setObjectName(Id(controls.alwaysId));
    path_->setObjectName(Id(controls.pathId));
    browse_->setObjectName(Id(controls.browseId));
    browse_->setAutoDefault(false);
    auto* pathLabel = new QLabel(controls.pathLabel);
    pathLabel->setObjectName(Id(controls.pathLabelId));
    pathLabel->setBuddy(path_);

    auto* pathRow = new QHBoxLayout;
    pathRow->addWidget(pathLabel);
    pathRow->addWidget(path_, 1);
    pathRow->addWidget(browse_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(recent_);
    layout->addWidget(always_);
    layout->addLayout(pathRow);

    recent_->setChecked(true);
    connect(always_, &QRadioButton::toggled, this, &SiteFolderGroup::UpdateControls);
    connect(browse_, &QPushButton::clicked, this, &SiteFolderGroup::BrowseRequested);
    UpdateControls();
}

bool SiteFolderGroup::UseRecent() const {
    return recent_->isChecked();
}

void SiteFolderGroup::SetUseRecent(bool useRecent) {
    (useRecent ? recent_ : always_)->setChecked(true);
}

void SiteFolderGroup::FocusPath() {
    if (path_->isEnabled()) {
        path_->setFocus(Qt::OtherFocusReason);
        path_->selectAll();
    } else {
        always_->setFocus(Qt::OtherFocusReason);
    }
}

void SiteFolderGroup::UpdateControls() {
    path_->setEnabled(always_->isChecked());
    browse_->setEnabled(always_->isChecked());
}

bool BrowseRemoteSiteFolder(QWidget* parent, UserInterfaceServices& ui, ProcessLauncher& launcher,
                            const SiteConnectionFields& fields, std::string& folder) {
    if (fields.useSsl) {
        // Without the library the Explorer says itself why it cannot connect.
        (void)TlsComponentPresent(parent, launcher, ui);
    }
    std::string chosen = fields.directory;
    if (!FtpExplorer(parent, ui, launcher, fields.server, fields.userName, fields.password, chosen,
                     kFtpExplorerChooseFolder, fields.useSsl)) {
        return false;
    }
    folder = chosen;
    return true;
}

void TestSiteConnection(QWidget* parent, UserInterfaceServices& ui, ProcessLauncher& launcher,
                        const SiteConnectionFields& fields) {
    if (fields.useSsl) {
        (void)TlsComponentPresent(parent, launcher, ui);
    }
    FtpTestReport report;
    report.host = fields.server;
    report.user = fields.userName;
    report.password = fields.password;
    report.directory = fields.directory;
    report.useTls = fields.useSsl;
    // A cancelled or failed test still shows what it found so far.
    (void)RunFtpTestReadWrite(launcher, parent, kFtpConnectionTestTitle, &report);
    ui.NoteBox(parent, report.report, kConnectionTestResultsHeadline);
}
