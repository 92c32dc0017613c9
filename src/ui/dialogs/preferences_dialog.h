#pragma once

#include "process/ui_services.h"
#include "ui/dialogs/property_sheet.h"

class QCheckBox;
class QComboBox;

// The "General" page of the Preferences: the transfer options of section "Settings".
class LGeneralPage : public LPropertyPage {
    Q_OBJECT

public:
    explicit LGeneralPage(QWidget* parent = nullptr);

    void Load() override;
    bool Save() override;
    std::string HelpTopic() const override { return "general"; }

private:
    QCheckBox* retry_;
    QCheckBox* noSpaces_;
    QCheckBox* lowerCase_;
    QComboBox* units_;
};

// Shows the Preferences modally; true when the user confirmed with OK (the options are then
// stored).
bool RunPreferencesDialog(QWidget* parent, UserInterfaceServices& ui);
