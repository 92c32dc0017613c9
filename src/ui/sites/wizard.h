#pragma once

#include <QDialog>
#include <QSize>
#include <vector>

#include "process/ui_services.h"
#include "ui/dialogs/property_sheet.h"

class QLabel;
class QPushButton;
class QStackedWidget;

// The wizard's own commands; a page's commands use its control ids.
inline constexpr int kWizardNext = 1;
inline constexpr int kWizardCancel = 2;
inline constexpr int kWizardBack = 3;
inline constexpr int kWizardHelp = 4;

// One page of a wizard. Load fills its controls the first time it is shown; Save validates and
// reads them back, and false keeps the wizard on the page (the page has told the user why).
class LWizardPage : public LPropertyPage {
    Q_OBJECT

public:
    explicit LWizardPage(QWidget* parent = nullptr) : LPropertyPage(parent) {}

    virtual void SetInitialFocus() {}
    // A command of the page's own controls.
    virtual void Command(int id) {}
    virtual void Shown() {}
    virtual void Left() {}
    // A page that answers false is skipped.
    virtual bool PageEnabled() const { return true; }

signals:
    void CommandIssued(int id);

protected:
    // Makes the button send `id` through the wizard's command handler.
    void ConnectCommand(QPushButton* button, int id);
};

// A dialog that shows its pages one at a time under a title and a subtitle, with Help, "Back",
// Cancel and "Next >", which reads "Finish" on the last page. Next moves on only when the page
// accepts; past the last page the wizard ends with Finish. Cancel stores nothing of its own.
class LWizard : public QDialog {
    Q_OBJECT

public:
    LWizard(UserInterfaceServices& ui, QWidget* parent = nullptr);

    // The wizard takes the page. The page area is as large as the largest page size given.
    void AddPage(LWizardPage* page, QSize size, const QString& title, const QString& subtitle,
                 const QString& windowTitle, bool hasHelp);
    // Shows the first enabled page and runs modally; true when it ended with Finish.
    bool Run();

    // Next, Back, Help and Cancel; any other command goes to the current page.
    void Command(int id);
    int currentIndex() const { return current_; }

private:
    struct Entry {
        LWizardPage* page;
        QString title;
        QString subtitle;
        QString windowTitle;
        bool hasHelp;
        bool filled = false;
    };

    // Shows the first enabled page from `index` on; with none left the wizard finishes.
    void ShowPage(int index);
    void Next();
    void Back();
    void ShowHelp();

    UserInterfaceServices& ui_;
    std::vector<Entry> pages_;
    int current_ = -1;
    QSize largest_;
    QLabel* title_;
    QLabel* subtitle_;
    QStackedWidget* stack_;
    QPushButton* help_;
    QPushButton* back_;
    QPushButton* next_;
};
