#include "ui/process/qt_ui_services.h"

#include <QApplication>
#include <QCheckBox>
#include <QDesktopServices>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTextDocument>
#include <QUrl>
#include <array>

#include "ui/dialogs/user_login_dialog.h"

namespace {

QWidget* WindowOrFocused(LWindow window) {
    auto* widget = static_cast<QWidget*>(window);
    return widget != nullptr ? widget : QApplication::activeWindow();
}

// File names are bytes; the desktop shows them in the locale's encoding.
QString FromPath(const std::string& path) {
    return QFile::decodeName(QByteArray::fromStdString(path));
}

std::string ToPath(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

QMessageBox::Icon IconFor(const LAlertParams& params) {
    switch (params.kind) {
        case kAlertStop:
            return QMessageBox::Critical;
        case kAlertCaution:
            return QMessageBox::Warning;
        default:
            return params.button2.empty() ? QMessageBox::Information : QMessageBox::Question;
    }
}

QMessageBox::ButtonRole RoleFor(LAlertRole role) {
    switch (role) {
        case LAlertRole::kReject:
            return QMessageBox::RejectRole;
        case LAlertRole::kYes:
            return QMessageBox::YesRole;
        case LAlertRole::kNo:
            return QMessageBox::NoRole;
        case LAlertRole::kAccept:
            break;
    }
    return QMessageBox::AcceptRole;
}

// The button's text with a mnemonic on its first letter that no earlier button took.
QString WithMnemonic(const std::string& text, QString& taken) {
    QString label = QString::fromStdString(text);
    label.replace(QLatin1Char('&'), QLatin1String("&&"));
    for (qsizetype i = 0; i < label.size(); ++i) {
        const QChar letter = label[i].toLower();
        if (letter.isLetterOrNumber() && !taken.contains(letter)) {
            taken += letter;
            label.insert(i, QLatin1Char('&'));
            break;
        }
    }
    return label;
}

// Texts from servers and file names are shown as they are, never read as markup.
QString AsHtml(const std::string& text) {
    return Qt::convertFromPlainText(QString::fromStdString(text), Qt::WhiteSpaceNormal);
}

// A dialog for one question, window-modal over an active parent as a sheet would be.
void SetModality(QWidget* dialog, QWidget* parent) {
    const bool sheet = parent != nullptr && parent->isActiveWindow();
    dialog->setWindowModality(sheet ? Qt::WindowModal : Qt::ApplicationModal);
}

// Runs a file dialog; the parent may close meanwhile and take the dialog with it.
bool RunFileDialog(QPointer<QFileDialog> dialog, std::string& chosen) {
    const bool accepted =
        dialog->exec() == QDialog::Accepted && dialog && !dialog->selectedFiles().isEmpty();
    if (accepted) {
        chosen = ToPath(dialog->selectedFiles().constFirst());
    }
    delete dialog;
    return accepted;
}

QFileDialog* MakeFileDialog(LWindow window, const std::string& title) {
    QWidget* parent = WindowOrFocused(window);
    auto* dialog = new QFileDialog(parent, QString::fromStdString(title));
    dialog->setOption(QFileDialog::DontUseNativeDialog);
    SetModality(dialog, parent);
    return dialog;
}

// A question asked while the program is busy shows the ordinary cursor until it is answered, so
// that it does not look frozen.
class OrdinaryCursor {
public:
    explicit OrdinaryCursor(bool busy) : pushed_(busy) {
        if (pushed_) {
            QApplication::setOverrideCursor(Qt::ArrowCursor);
        }
    }
    ~OrdinaryCursor() {
        if (pushed_) {
            QApplication::restoreOverrideCursor();
        }
    }
    OrdinaryCursor(const OrdinaryCursor&) = delete;
    OrdinaryCursor& operator=(const OrdinaryCursor&) = delete;

private:
    bool pushed_;
};

// Shows the alert and keeps the pressed button in params.result. Selectable text (the whole text
// in the box's main label, which alone takes the flags) lets the user copy what it shows.
void ShowAlert(LAlertParams& params, bool selectableText, bool busy) {
    params.result = params.escapeButton;
    QWidget* parent = WindowOrFocused(params.parent);
    QPointer<QMessageBox> box = new QMessageBox(parent);
    box->setIcon(IconFor(params));
    box->setWindowTitle(params.headline.empty() ? QApplication::applicationDisplayName()
                                                : QString::fromStdString(params.headline));
    box->setTextFormat(Qt::RichText);
    if (params.headline.empty()) {
        box->setText(AsHtml(params.text));
    } else if (selectableText) {
        box->setText(
            QStringLiteral("<p><b>%1</b></p>%2")
                .arg(QString::fromStdString(params.headline).toHtmlEscaped(), AsHtml(params.text)));
        box->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    } else {
        box->setText(QStringLiteral("<p><b>%1</b></p>")
                         .arg(QString::fromStdString(params.headline).toHtmlEscaped()));
        box->setInformativeText(params.text.empty() ? QString() : AsHtml(params.text));
    }
    const std::array<const std::string*, 3> texts{&params.button1, &params.button2,
                                                  &params.button3};
    std::array<QPushButton*, 3> buttons{};
    QString mnemonics;
    for (std::size_t i = 0; i < texts.size(); ++i) {
        if (!texts[i]->empty()) {
            buttons[i] =
                box->addButton(WithMnemonic(*texts[i], mnemonics), RoleFor(params.roles[i]));
        }
    }
    auto button = [&buttons](std::uint16_t number) {
        return number >= 1 && number <= buttons.size() ? buttons[number - 1] : nullptr;
    };
    if (QPushButton* defaultButton = button(params.defaultButton)) {
        box->setDefaultButton(defaultButton);
    }
    if (QPushButton* escapeButton = button(params.escapeButton)) {
        box->setEscapeButton(escapeButton);
    }
    if (!params.checkBox.empty()) {
        box->setCheckBox(new QCheckBox(QString::fromStdString(params.checkBox)));
    }
    SetModality(box, parent);
    const OrdinaryCursor cursor(busy);
    box->exec();
    if (box.isNull()) {
        return;
    }
    for (std::size_t i = 0; i < buttons.size(); ++i) {
        if (buttons[i] != nullptr && box->clickedButton() == buttons[i]) {
            params.result = static_cast<std::uint16_t>(i + 1);
        }
    }
    params.checkBoxChecked = box->checkBox() != nullptr && box->checkBox()->isChecked();
    delete box;
}

}  // namespace

QtUserInterfaceServices::~QtUserInterfaceServices() {
    for (; busyDepth_ > 0; --busyDepth_) {
        QApplication::restoreOverrideCursor();
    }
}

void QtUserInterfaceServices::RunAlert(LAlertParams& params) {
    ShowAlert(params, false, busyDepth_ > 0);
}

CertificateTrust QtUserInterfaceServices::AskCertificateTrust(const CertificateQuestion& question) {
    LAlertParams params = MakeCertificateAlert(question);
    ShowAlert(params, true, busyDepth_ > 0);
    return CertificateTrustForButton(question, params.result);
}

bool QtUserInterfaceServices::AskLogin(LWindow parent, LoginPromptRequest& request) {
    const OrdinaryCursor cursor(busyDepth_ > 0);
    return UserLoginDlg::Ask(*this, WindowOrFocused(parent), request);
}

void QtUserInterfaceServices::SetBusy(bool busy) {
    if (busy) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        ++busyDepth_;
    } else if (busyDepth_ > 0) {
        QApplication::restoreOverrideCursor();
        --busyDepth_;
    }
}

bool QtUserInterfaceServices::OpenWithDefaultApplication(const std::string& path) {
    if (path.empty()) {
        return false;
    }
    const QString text = FromPath(path);
    const bool web =
        text.startsWith(QLatin1String("http://")) || text.startsWith(QLatin1String("https://"));
    return QDesktopServices::openUrl(web ? QUrl(text, QUrl::StrictMode)
                                         : QUrl::fromLocalFile(text));
}

bool QtUserInterfaceServices::ChooseFolder(LWindow parent, const std::string& title,
                                           const std::string& startFolder, std::string& chosen) {
    QFileDialog* dialog = MakeFileDialog(parent, title);
    dialog->setFileMode(QFileDialog::Directory);
    dialog->setOption(QFileDialog::ShowDirsOnly);
    dialog->setDirectory(FromPath(startFolder));
    const OrdinaryCursor cursor(busyDepth_ > 0);
    return RunFileDialog(dialog, chosen);
}

bool QtUserInterfaceServices::ChooseSaveFile(LWindow parent, const std::string& title,
                                             const std::string& startPath, std::string& chosen) {
    QFileDialog* dialog = MakeFileDialog(parent, title);
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setFileMode(QFileDialog::AnyFile);
    const QString start = FromPath(startPath);
    if (QFileInfo(start).isDir()) {
        dialog->setDirectory(start);
    } else if (!start.isEmpty()) {
        dialog->selectFile(start);
    }
    const OrdinaryCursor cursor(busyDepth_ > 0);
    return RunFileDialog(dialog, chosen);
}
