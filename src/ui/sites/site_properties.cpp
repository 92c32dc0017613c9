#include "ui/sites/site_properties.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "frame/file_system.h"
#include "frame/paths.h"
#include "settings/ftp_account.h"
#include "settings/reg_key.h"
#include "settings/site_checks.h"
#include "ui/dialogs/install_on_demand.h"

namespace {

constexpr int kUseSslBox = 9608;
constexpr int kRememberPasswordBox = 9609;
constexpr int kBrowseRemote = 9614;
constexpr int kLocalPathField = 9617;
constexpr int kBrowseLocal = 9619;
constexpr int kTestSettings = 9620;

constexpr char kLocalDirectoryValue[] = "LocalDirectory";

QCheckBox* MakeCheckBox(const QString& text, int id) {
    auto* box = new QCheckBox(text);
    box->setObjectName(QString::number(id));
    return box;
}

// An account without a fixed local folder of its own shows the default one, as a new account
// does, rather than "/".
bool HasLocalDirectory(const FtpAccount& account) {
    const LRegKey key = LRegKey::OpenSubKey(LRegKey::Open(kFtpAccountsFolder), account.label);
    std::string stored;
    return key.GetString(kLocalDirectoryValue, "", stored) && !stored.empty();
}

// The Documents folder, or the home folder where there is none: the local folder must exist.
std::string DefaultLocalFolder() {
    const std::string documents = GetDocumentsFolder();
    return IsFolderPath(documents) ? documents : GetHomeFolder();
}

}  // namespace

LSPGeneralPage::LSPGeneralPage(const std::string& label, UserInterfaceServices& ui,
                               ProcessLauncher& launcher, QWidget* parent)
    : LPropertyPage(parent), ui_(ui), launcher_(launcher), editedLabel_(label) {
    auto* account = new QGroupBox(tr("FTP Server Account Settings"));
    auto* intro = new QLabel(
        tr("Enter the FTP server account settings. If in doubt call your Server Administrator."));
    intro->setWordWrap(true);
    auto* grid = new QGridLayout;
    label_ = AddSiteField(grid, 0, tr("&Label:"), 9601, 9600);
    server_ = AddSiteField(grid, 1, tr("FTP &Server:"), 9603, 9602);
    server_->setPlaceholderText(
        tr("%1 or %2")
            .arg(QLatin1String(kExampleServerName), QLatin1String(kExampleServerAddress)));
    userName_ = AddSiteField(grid, 2, tr("&User Name:"), 9605, 9604);
    password_ = AddSiteField(grid, 3, tr("&Password:"), 9607, 9606, true);
    useSsl_ = MakeCheckBox(tr("Use Secure FTP (E&xplicit SSL)"), kUseSslBox);
    rememberPassword_ = MakeCheckBox(tr("&Remember Password"), kRememberPasswordBox);
    auto* accountLayout = new QVBoxLayout(account);
    accountLayout->addWidget(intro);
    accountLayout->addLayout(grid);
    accountLayout->addWidget(useSsl_);
    accountLayout->addWidget(rememberPassword_);

    remote_ = new SiteFolderGroup(
        {tr("Initial Remote Directory on First Connection"),
         tr("Use the last recent re&mote directory"), 9610, tr("Use this directory &always"), 9611,
         tr("R&emote directory path:"), 9613, 9612, tr("&Browse..."), kBrowseRemote});
    local_ = new SiteFolderGroup(
        {tr("Initial Local Directory on First Connection"),
         tr("Use the last recent local d&irectory"), 9615, tr("Use this directory alwa&ys"), 9616,
         tr("Local directory pat&h:"), 9618, kLocalPathField, tr("Br&owse..."), kBrowseLocal});
    auto* test = new QPushButton(tr("&Test FTP Settings"));
    test->setObjectName(QString::number(kTestSettings));
    test->setAutoDefault(false);
    connect(remote_, &SiteFolderGroup::BrowseRequested, this, [this] { Command(kBrowseRemote); });
    connect(local_, &SiteFolderGroup::BrowseRequested, this, [this] { Command(kBrowseLocal); });
    connect(test, &QPushButton::clicked, this, [this] { Command(kTestSettings); });

    auto* testRow = new QHBoxLayout;
    testRow->addStretch(1);
    testRow->addWidget(test);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(account);
    layout->addWidget(remote_);
    layout->addWidget(local_);
    layout->addLayout(testRow);
    layout->addStretch(1);
}

void LSPGeneralPage::Load() {
    SetSiteLocalPath(local_->pathField(), DefaultLocalFolder());
    FtpAccount account;
    if (!LoadFtpAccount(editedLabel_, account)) {
        remote_->SetUseRecent(true);
        local_->SetUseRecent(true);
        return;
    }
    label_->setText(QString::fromStdString(account.label));
    server_->setText(QString::fromStdString(account.server));
    userName_->setText(QString::fromStdString(account.userName));
    password_->setText(QString::fromStdString(account.password));
    rememberPassword_->setChecked(account.rememberPassword);
    useSsl_->setChecked(account.useSsl);
    remote_->SetUseRecent(account.useRecentRemote);
    remote_->pathField()->setText(QString::fromStdString(account.directory));
    local_->SetUseRecent(account.useRecentLocal);
    if (HasLocalDirectory(account)) {
        SetSiteLocalPath(local_->pathField(), account.localDirectory);
    }
}

bool LSPGeneralPage::Save() {
    FtpAccount account;
    account.label = SiteFieldValue(label_);
    account.server = SiteFieldValue(server_);
    account.userName = SiteFieldValue(userName_);
    account.password = SiteFieldValue(password_);
    account.directory = SiteFieldValue(remote_->pathField());
    account.localDirectory = SiteLocalPathValue(local_->pathField());
    SiteCheckFailure failure;
    if (!CheckSiteAccountFields(account.label, account.server, account.userName, failure)) {
        return Refuse(failure.field, failure.headline, failure.text);
    }
    if (!PathExists(account.localDirectory)) {
        return Refuse(kLocalPathField, "Invalid Folder", "Please select a valid folder.");
    }
    account.rememberPassword = rememberPassword_->isChecked();
    account.useSsl = useSsl_->isChecked();
    account.useRecentRemote = remote_->UseRecent();
    account.useRecentLocal = local_->UseRecent();
    // Written even when the TLS library turns out to be missing below; the next OK then renames
    // from the label just saved.
    SaveFtpAccount(editedLabel_, account);
    // The current site follows its rename, so that the next start opens it again.
    std::string current;
    if (!editedLabel_.empty() && GetCurrentSite(current) && current == editedLabel_) {
        SetCurrentSite(account.label);
    }
    editedLabel_ = account.label;
    savedLabel_ = account.label;
    return !account.useSsl || TlsComponentPresent(window(), launcher_, ui_);
}

void LSPGeneralPage::Command(int id) {
    switch (id) {
        case kBrowseRemote:
            BrowseRemote();
            break;
        case kBrowseLocal:
            BrowseLocal();
            break;
        case kTestSettings:
            Test();
            break;
        default:
            break;
    }
}

bool LSPGeneralPage::Refuse(int field, const std::string& headline, const std::string& text) {
    if (field == kLocalPathField) {
        local_->FocusPath();
    } else if (auto* control = findChild<QLineEdit*>(QString::number(field))) {
        control->setFocus(Qt::OtherFocusReason);
        control->selectAll();
    }
    ui_.MessageBox(window(), text, headline);
    return false;
}

bool LSPGeneralPage::ServerGiven() {
    if (!SiteFieldValue(server_).empty()) {
        return true;
    }
    return Refuse(kSiteServerField, kFtpServerRequiredHeadline,
                  std::string("Please enter the ftp server. ") + kServerFormatSentence);
}

SiteConnectionFields LSPGeneralPage::ConnectionFields() const {
    SiteConnectionFields fields;
    fields.server = SiteFieldValue(server_);
    fields.userName = SiteFieldValue(userName_);
    fields.password = SiteFieldValue(password_);
    fields.directory = SiteFieldValue(remote_->pathField());
    fields.useSsl = useSsl_->isChecked();
    return fields;
}

void LSPGeneralPage::BrowseRemote() {
    if (!ServerGiven()) {
        return;
    }
    std::string folder;
    if (BrowseRemoteSiteFolder(window(), ui_, launcher_, ConnectionFields(), folder)) {
        remote_->pathField()->setText(QString::fromStdString(folder));
    }
}

void LSPGeneralPage::BrowseLocal() {
    std::string chosen;
    if (ui_.ChooseFolder(window(), "Select local folder", SiteLocalPathValue(local_->pathField()),
                         chosen)) {
        SetSiteLocalPath(local_->pathField(), chosen);
    }
}

void LSPGeneralPage::Test() {
    if (ServerGiven()) {
        TestSiteConnection(window(), ui_, launcher_, ConnectionFields());
    }
}

std::optional<std::string> SiteProperties(QWidget* parent, UserInterfaceServices& ui,
                                          ProcessLauncher& launcher, const std::string& label) {
    LPropertySheet sheet(
        label.empty() ? QObject::tr("Add New Site") : QObject::tr("Site Properties"), ui, parent);
    sheet.setObjectName(QStringLiteral("SiteProperties"));
    auto* page = new LSPGeneralPage(label, ui, launcher);
    sheet.AddPage(page, QObject::tr("FTP Site Properties"));
    if (!sheet.Run()) {
        return std::nullopt;
    }
    return page->savedLabel();
}
