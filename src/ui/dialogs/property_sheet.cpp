#include "ui/dialogs/property_sheet.h"

#include <QDialogButtonBox>
#include <QTabWidget>
#include <QVBoxLayout>

#include "ui/accessible_names.h"
#include "ui/help_pages.h"

LPropertySheet::LPropertySheet(const QString& title, UserInterfaceServices& ui, QWidget* parent)
    : QDialog(parent), ui_(ui), tabs_(new QTabWidget(this)) {
    setWindowTitle(title);
    buttons_ = new QDialogButtonBox(
        QDialogButtonBox::Ok | QDialogButtonBox::Cancel | QDialogButtonBox::Help, this);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tabs_);
    layout->addWidget(buttons_);
    connect(buttons_, &QDialogButtonBox::accepted, this, &LPropertySheet::accept);
    connect(buttons_, &QDialogButtonBox::rejected, this, &LPropertySheet::reject);
    connect(buttons_, &QDialogButtonBox::helpRequested, this, &LPropertySheet::ShowHelp);
}

void LPropertySheet::AddPage(LPropertyPage* page, const QString& label) {
    tabs_->addTab(page, label);
}

bool LPropertySheet::Run() {
    for (int i = 0; i < tabs_->count(); ++i) {
        static_cast<LPropertyPage*>(tabs_->widget(i))->Load();
    }
    NameControlsForAccessibility(this);
    return exec() == QDialog::Accepted;
}

void LPropertySheet::accept() {
    for (int i = 0; i < tabs_->count(); ++i) {
        if (!static_cast<LPropertyPage*>(tabs_->widget(i))->Save()) {
            tabs_->setCurrentIndex(i);
            return;
        }
    }
    QDialog::accept();
}

void LPropertySheet::ShowHelp() {
    const auto* page = static_cast<const LPropertyPage*>(tabs_->currentWidget());
    const std::string topic = page != nullptr ? page->HelpTopic() : "";
    if (!topic.empty() && !OpenHelpPage(ui_, topic)) {
        ui_.NoteBox(this, "The help page \"" + topic + "\" could not be opened.",
                    "Help Not Available");
    }
}
