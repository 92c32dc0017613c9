#include "ui/dialogs/user_login_dialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QVBoxLayout>

#include "frame/text_limits.h"
#include "ui/accessible_names.h"
#include "ui/help_pages.h"

namespace {

constexpr char kHelpTopic[] = "userlogin";

QLineEdit* AddField(QFormLayout* form, const QString& label, const char* labelId,
                    const char* fieldId) {
    auto* field = new QLineEdit;
    field->setObjectName(QLatin1String(fieldId));
    auto* caption = new QLabel(label);
    caption->setObjectName(QLatin1String(labelId));
    caption->setBuddy(field);
    form->addRow(caption, field);
    return field;
}

std::string FieldText(const QLineEdit* field) {
    return CutText(field->text().toStdString());
}

}  // namespace

UserLoginDlg::UserLoginDlg(UserInterfaceServices& ui, const LoginPromptRequest& request,
                           QWidget* parent)
    : QDialog(parent), ui_(ui) {
    setObjectName(QStringLiteral("UserLogin"));
    setWindowTitle(tr("User Login"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(tr("Please type the username and password")));
    auto* server = new QLabel(tr("for the ftp site: ") + QString::fromStdString(request.server));
    server->setObjectName(QStringLiteral("101"));
    server->setTextFormat(Qt::PlainText);
    layout->addWidget(server);

    auto* form = new QFormLayout;
    user_ = AddField(form, tr("&Username:"), "103", "102");
    user_->setText(QString::fromStdString(request.user));
    password_ = AddField(form, tr("&Password:"), "105", "104");
    password_->setEchoMode(QLineEdit::Password);
    password_->setText(QString::fromStdString(request.password));
    remember_ = new QCheckBox(tr("&Remember Password"));
    remember_->setObjectName(QStringLiteral("RememberPassword"));
    remember_->setChecked(request.rememberPassword);
    form->addRow(remember_);
    layout->addLayout(form);

    auto* separator = new QFrame;
    separator->setFrameShape(QFrame::HLine);
    separator->setFrameShadow(QFrame::Sunken);
    layout->addWidget(separator);
    auto* buttons = new QDialogButtonBox(
        QDialogButtonBox::Ok | QDialogButtonBox::Cancel | QDialogButtonBox::Help, this);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &UserLoginDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &UserLoginDlg::reject);
    connect(buttons, &QDialogButtonBox::helpRequested, this, &UserLoginDlg::ShowHelp);

    // With the user name known, the password is what is left to type.
    (request.user.empty() ? user_ : password_)->setFocus();
    setMinimumWidth(540);
    NameControlsForAccessibility(this);
}

bool UserLoginDlg::Ask(UserInterfaceServices& ui, QWidget* parent, LoginPromptRequest& request) {
    // The parent may close while the prompt is open, and takes the prompt with it.
    QPointer<UserLoginDlg> dialog = new UserLoginDlg(ui, request, parent);
    const bool accepted = dialog->exec() == QDialog::Accepted && dialog;
    if (accepted) {
        request.user = CutText(dialog->user_->text().trimmed().toStdString());
        request.password = FieldText(dialog->password_);
        request.rememberPassword = dialog->remember_->isChecked();
    }
    delete dialog;
    return accepted;
}

void UserLoginDlg::accept() {
    if (user_->text().trimmed().isEmpty()) {
        user_->setFocus();
        ui_.MessageBox(this,
                       "Please enter a valid user name for the ftp account. If you don't know "
                       "what it is, speak to the administrator of the FTP server.",
                       "FTP User Name Required");
        return;
    }
    QDialog::accept();
}

void UserLoginDlg::ShowHelp() {
    if (!OpenHelpPage(ui_, kHelpTopic)) {
        ui_.NoteBox(this, std::string("The help page \"") + kHelpTopic + "\" could not be opened.",
                    "Help Not Available");
    }
}
