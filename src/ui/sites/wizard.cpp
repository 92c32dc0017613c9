#include "ui/sites/wizard.h"

#include <QDialogButtonBox>
#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QStackedWidget>
#include <QVBoxLayout>

#include "ui/accessible_names.h"
#include "ui/help_pages.h"

namespace {

QFrame* Separator() {
    auto* line = new QFrame;
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    return line;
}

}  // namespace

void LWizardPage::ConnectCommand(QPushButton* button, int id) {
    connect(button, &QPushButton::clicked, this, [this, id] { emit CommandIssued(id); });
}

LWizard::LWizard(UserInterfaceServices& ui, QWidget* parent)
    : QDialog(parent),
      ui_(ui),
      title_(new QLabel),
      subtitle_(new QLabel),
      stack_(new QStackedWidget) {
    title_->setObjectName(QStringLiteral("78"));
    QFont bold = title_->font();
    bold.setBold(true);
    title_->setFont(bold);
    subtitle_->setObjectName(QStringLiteral("79"));
    subtitle_->setWordWrap(true);
    subtitle_->setContentsMargins(20, 0, 0, 0);
    for (QLabel* line : {title_, subtitle_}) {
        line->setTextFormat(Qt::PlainText);
    }

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Help | QDialogButtonBox::Cancel);
    help_ = buttons->button(QDialogButtonBox::Help);
    // Both with the accept role, so that every desktop's button order keeps Back just before
    // Next, as in any wizard.
    back_ = buttons->addButton(tr("&Back"), QDialogButtonBox::AcceptRole);
    back_->setObjectName(QStringLiteral("Back"));
    next_ = buttons->addButton(tr("&Next >"), QDialogButtonBox::AcceptRole);
    next_->setObjectName(QStringLiteral("Next"));
    next_->setDefault(true);
    connect(back_, &QPushButton::clicked, this, [this] { Command(kWizardBack); });
    connect(next_, &QPushButton::clicked, this, [this] { Command(kWizardNext); });
    connect(buttons, &QDialogButtonBox::helpRequested, this, [this] { Command(kWizardHelp); });
    connect(buttons, &QDialogButtonBox::rejected, this, [this] { Command(kWizardCancel); });

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(title_);
    layout->addWidget(subtitle_);
    layout->addWidget(Separator());
    layout->addWidget(stack_, 1);
    layout->addWidget(Separator());
    layout->addWidget(buttons);
}

void LWizard::AddPage(LWizardPage* page, QSize size, const QString& title, const QString& subtitle,
                      const QString& windowTitle, bool hasHelp) {
    page->setObjectName(QString::number(80 + static_cast<int>(pages_.size())));
    pages_.push_back({page, title, subtitle, windowTitle, hasHelp});
    stack_->addWidget(page);
    connect(page, &LWizardPage::CommandIssued, this, &LWizard::Command);
    largest_ = largest_.expandedTo(size);
    stack_->setMinimumSize(largest_);
}

bool LWizard::Run() {
    ShowPage(0);
    if (current_ < 0) {
        return true;  // no page had anything to ask
    }
    NameControlsForAccessibility(this);
    return exec() == QDialog::Accepted;
}

void LWizard::Command(int id) {
    switch (id) {
        case kWizardNext:
            Next();
            break;
        case kWizardBack:
            Back();
            break;
        case kWizardHelp:
            ShowHelp();
            break;
        case kWizardCancel:
            reject();
            break;
        default:
            if (current_ >= 0) {
                pages_[current_].page->Command(id);
            }
            break;
    }
}

void LWizard::ShowPage(int index) {
    const int count = static_cast<int>(pages_.size());
    while (index < count && !pages_[index].page->PageEnabled()) {
        ++index;
    }
    if (index >= count) {
        accept();
        return;
    }
    current_ = index;
    Entry& entry = pages_[index];
    if (!entry.filled) {
        entry.page->Load();
        entry.filled = true;
    }
    stack_->setCurrentWidget(entry.page);
    setWindowTitle(entry.windowTitle);
    title_->setText(entry.title);
    subtitle_->setText(entry.subtitle);
    help_->setEnabled(entry.hasHelp);
    back_->setEnabled(index > 0);
    bool last = true;
    for (int later = index + 1; later < count && last; ++later) {
        last = !pages_[later].page->PageEnabled();
    }
    next_->setText(last ? tr("&Finish") : tr("&Next >"));
    entry.page->Shown();
    next_->setFocus();
    entry.page->SetInitialFocus();
}

void LWizard::Next() {
    if (current_ < 0 || !pages_[current_].page->Save()) {
        return;
    }
    pages_[current_].page->Left();
    ShowPage(current_ + 1);
}

void LWizard::Back() {
    for (int earlier = current_ - 1; earlier >= 0; --earlier) {
        if (pages_[earlier].page->PageEnabled()) {
            pages_[current_].page->Left();
            ShowPage(earlier);
            return;
        }
    }
}

void LWizard::ShowHelp() {
    const std::string topic = current_ >= 0 ? pages_[current_].page->HelpTopic() : "";
    if (!topic.empty() && !OpenHelpPage(ui_, topic)) {
        ui_.NoteBox(this, "The help page \"" + topic + "\" could not be opened.",
                    "Help Not Available");
    }
}
