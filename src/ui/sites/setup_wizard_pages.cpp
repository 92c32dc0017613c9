#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include "settings/site_checks.h"
#include "ui/sites/setup_wizard_pages.h"
#include "ui/sites/site_account_fields.h"

namespace setup_wizard {

namespace {

QLabel* Paragraph(const QString& text) {
    auto* label = new QLabel(text);
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    return label;
}

// The busy cursor while a check looks a name up.
class BusyWhile {
public:
    explicit BusyWhile(UserInterfaceServices& ui) : ui_(ui) { ui_.SetBusy(true); }
    ~BusyWhile() { ui_.SetBusy(false); }
    BusyWhile(const BusyWhile&) = delete;
    BusyWhile& operator=(const BusyWhile&) = delete;

private:
    UserInterfaceServices& ui_;
};

}  // namespace

std::string ServerFormatMessage(const std::string& lead) {
    return lead + " The format can be in the domain format eg. " + kExampleServerName +
           " or a dotted IP address eg. " + kExampleServerAddress + ".";
}

Welcome::Welcome() {
    auto* layout = new QVBoxLayout(this);
    layout->setSpacing(12);
    const QString paragraphs[] = {
        tr("To help you get started using BrindleFTP, this wizard will step you through the "
           "process of configuring a connection to an FTP site."),
        tr("You will be asked to enter the connection details for the FTP server that you will "
           "be using. Typically you will be given these by the administrator of the FTP site or "
           "perhaps by another user of the site.  Please note that you may need to ask the FTP "
           "administrator for special permission if you need to upload files to the site."),
        tr("BrindleFTP will allow you to store a list of sites that you use frequently.  You will "
           "be able to access these in the Site Manager and modify them as needed."),
        tr("If you prefer to skip the wizard, just hit Cancel and then use the Site Manager."),
    };
    for (const QString& text : paragraphs) {
        layout->addWidget(Paragraph(text));
    }
    layout->addStretch(1);
}

Account::Account(SetupWizardData& data) : data_(data) {
    auto* grid = new QGridLayout(this);
    int row = 0;
    const auto explain = [&](const QString& text) {
        grid->addWidget(Paragraph(text), row++, 0, 1, 2);
    };
    const QString name = QLatin1String(kExampleServerName);
    const QString address = QLatin1String(kExampleServerAddress);
    explain(
        tr("First, please choose a name for the site you are setting up.  This can be "
           "anything that will help you remember the site."));
    label_ = AddSiteField(grid, row++, tr("Please type in your &site name:"), 16601, 16600);
    explain(tr("This is where you will enter the internet address for the site. This can be in "
               "domain format\neg. %1 or %2\nYou can also specify the listening port number of "
               "the FTP server\neg. %1:1234 or %2:1234")
                .arg(name, address));
    server_ = AddSiteField(grid, row++, tr("Please enter the internet &address of the server:"),
                           16603, 16602);
    server_->setPlaceholderText(name);
    user_ =
        AddSiteField(grid, row++, tr("Enter the &user name given to you by your hosting provider:"),
                     16605, 16604);
    password_ =
        AddSiteField(grid, row++, tr("Enter the &password given to you by your hosting provider:"),
                     16607, 16606, true);
    grid->setRowStretch(row, 1);
}

bool Account::Save() {
    FtpAccount& account = data_.account;
    account.label = SiteFieldValue(label_);
    account.server = SiteFieldValue(server_);
    account.userName = SiteFieldValue(user_);
    account.password = SiteFieldValue(password_);
    SiteCheckFailure failure;
    bool passed = false;
    {
        const BusyWhile busy(data_.ui);
        passed = CheckSiteAccountFields(account.label, account.server, account.userName, failure);
    }
    if (passed) {
        return true;
    }
    QLineEdit* field = label_;
    if (failure.field == kSiteServerField) {
        field = server_;
        // The wizard words these two its own way; the later server checks share the dialogs'.
        if (account.server.empty()) {
            failure.text = ServerFormatMessage("Please enter the ftp server to transfer files to.");
        } else if (account.server.find('/') != std::string::npos) {
            failure.text = std::string(
                               "Server data invalid. The server should not contain the / "
                               "character. Examples of a correct format include ") +
                           kExampleServerName + " or " + kExampleServerAddress + ".";
        }
    } else if (failure.field == kSiteUserNameField) {
        field = user_;
    }
    field->setFocus();
    data_.ui.MessageBox(window(), failure.text, failure.headline);
    return false;
}

void Account::SetInitialFocus() {
    label_->setFocus();
}

Security::Security(SetupWizardData& data) : data_(data) {
    auto* layout = new QVBoxLayout(this);
    remember_ = new QCheckBox(tr("&Remember Password"));
    remember_->setObjectName(QStringLiteral("17600"));
    secure_ = new QCheckBox(tr("Use &Secure FTP (Explicit SSL)"));
    secure_->setObjectName(QStringLiteral("17601"));
    layout->addWidget(
        Paragraph(tr("Tick this option if you want the system to remember the Password for this "
                     "site.")));
    layout->addWidget(remember_);
    layout->addSpacing(12);
    layout->addWidget(
        Paragraph(tr("Tick this option if you want to connect to the site using the secure method "
                     "via SSL.")));
    layout->addWidget(secure_);
    layout->addStretch(1);
}

bool Security::Save() {
    data_.account.useSsl = secure_->isChecked();
    data_.account.rememberPassword = remember_->isChecked();
    return true;
}

void Security::SetInitialFocus() {
    remember_->setFocus();
}

}  // namespace setup_wizard
