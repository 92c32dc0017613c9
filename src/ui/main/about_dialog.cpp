#include "ui/main/about_dialog.h"

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>
#include <string>

#include "settings/xml_settings.h"
#include "ui/accessible_names.h"
#include "ui/help_pages.h"

namespace {

constexpr int kIconSize = 64;

struct AboutLink {
    std::string address;  // what opens: a web address or a local file
    QString text;         // what the link reads
};

// The distributor's address when the shared settings name one; there is no web site of the
// program's own, so otherwise the link leads to the help folder's contents.
AboutLink DistributorLink() {
    std::string address = SharedXmlSettingsGet("Distributor", "URL", "");
    if (!address.empty()) {
        return {address, QString::fromStdString(address)};
    }
    return {HelpPagePath("index"), QObject::tr("BrindleFTP Help")};
}

QLabel* MakeIcon(QWidget* dialog) {
    QPixmap picture = QApplication::windowIcon().pixmap(kIconSize, kIconSize);
    // Without Qt's SVG plugin the program's icon draws nothing.
    if (picture.isNull()) {
        picture = dialog->style()
                      ->standardIcon(QStyle::SP_MessageBoxInformation)
                      .pixmap(kIconSize, kIconSize);
    }
    auto* label = new QLabel;
    label->setPixmap(picture);
    label->setAlignment(Qt::AlignTop);
    return label;
}

QLabel* MakeLinkLabel(const AboutLink& link, UserInterfaceServices& ui) {
    auto* label = new QLabel;
    label->setObjectName(QStringLiteral("DistributorLink"));
    label->setTextFormat(Qt::RichText);
    label->setText(QStringLiteral("<a href=\"link\">%1</a>").arg(link.text.toHtmlEscaped()));
    // Links go through the user-interface services, which know files from web addresses.
    label->setOpenExternalLinks(false);
    label->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    label->setToolTip(QString::fromStdString(link.address));
    label->setAccessibleName(link.text);
    QObject::connect(label, &QLabel::linkActivated, label,
                     [&ui, address = link.address] { ui.OpenWithDefaultApplication(address); });
    return label;
}

}  // namespace

void ShowAboutDialog(QWidget* parent, UserInterfaceServices& ui) {
    // The parent may close while the dialog is open, and takes the dialog with it.
    QPointer<QDialog> dialog = new QDialog(parent);
    dialog->setObjectName(QStringLiteral("AboutBrindleFTP"));
    dialog->setWindowTitle(QObject::tr("About BrindleFTP"));

    auto* name = new QLabel(QStringLiteral("BrindleFTP"));
    name->setObjectName(QStringLiteral("ProgramName"));
    QFont nameFont = name->font();
    nameFont.setBold(true);
    nameFont.setPointSizeF(nameFont.pointSizeF() * 1.5);
    name->setFont(nameFont);
    auto* version = new QLabel(QObject::tr("Version %1").arg(QLatin1String(BRINDLE_VERSION_TEXT)));
    version->setObjectName(QStringLiteral("ProgramVersion"));
    version->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto* description = new QLabel(QObject::tr("An FTP client by Velmor Software."));

    auto* texts = new QVBoxLayout;
    texts->addWidget(name);
    texts->addWidget(version);
    texts->addWidget(description);
    const AboutLink link = DistributorLink();
    if (!link.address.empty()) {
        texts->addWidget(MakeLinkLabel(link, ui));
    }
    texts->addStretch();

    auto* top = new QHBoxLayout;
    top->addWidget(MakeIcon(dialog));
    top->addSpacing(12);
    top->addLayout(texts);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, dialog);
    QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    auto* layout = new QVBoxLayout(dialog);
    layout->addLayout(top);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    // Return closes the box; Tab reaches the link.
    QPushButton* close = buttons->button(QDialogButtonBox::Close);
    close->setDefault(true);
    close->setFocus();
    NameControlsForAccessibility(dialog);

    dialog->exec();
    delete dialog;
}
