#pragma once

#include <QDialog>
#include <string>

#include "process/ui_services.h"

class QDialogButtonBox;
class QTabWidget;

// One page of a property sheet: it fills its controls from the store and writes them back.
class LPropertyPage : public QWidget {
    Q_OBJECT

public:
    explicit LPropertyPage(QWidget* parent = nullptr) : QWidget(parent) {}

    virtual void Load() {}
    // Checks and writes the page; false keeps the sheet open (the page has told the user why).
    virtual bool Save() { return true; }
    // The page of the help folder that explains this one ("" for none).
    virtual std::string HelpTopic() const { return ""; }
};

// A dialog of tabbed pages with OK, Cancel and Help. OK saves every page in order; Cancel saves
// nothing; Help opens the current page's help topic.
class LPropertySheet : public QDialog {
    Q_OBJECT

public:
    LPropertySheet(const QString& title, UserInterfaceServices& ui, QWidget* parent = nullptr);

    // The sheet takes the page.
    void AddPage(LPropertyPage* page, const QString& label);
    // Loads the pages and shows the sheet modally; true when the user confirmed with OK.
    bool Run();

    QDialogButtonBox* buttons() const { return buttons_; }

protected:
    void accept() override;

private:
    void ShowHelp();

    UserInterfaceServices& ui_;
    QTabWidget* tabs_;
    QDialogButtonBox* buttons_;
};
