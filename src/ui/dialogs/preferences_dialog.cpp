#include "ui/dialogs/preferences_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#include "settings/preference_options.h"

namespace {

QCheckBox* AddCheckBox(QVBoxLayout* layout, const QString& text, const char* id) {
    auto* box = new QCheckBox(text);
    box->setObjectName(QLatin1String(id));
    layout->addWidget(box);
    return box;
}

}  // namespace

LGeneralPage::LGeneralPage(QWidget* parent) : LPropertyPage(parent) {
    auto* group = new QGroupBox(tr("FTP Options"));
    group->setObjectName(QStringLiteral("7600"));
    auto* options = new QVBoxLayout(group);
    retry_ = AddCheckBox(options, tr("&Retry FTP connection up to 5 times on failure"), "7601");
    noSpaces_ =
        AddCheckBox(options, tr("Replace &spaces with underscores in uploaded filenames"), "7602");
    lowerCase_ = AddCheckBox(options, tr("Convert uploaded filenames to &lower case"), "7603");

    units_ = new QComboBox;
    units_->setObjectName(QStringLiteral("7604"));
    // In the order of the stored "FileSizeUnits" values.
    units_->addItems({tr("Bytes (B)"), tr("KiloBytes (KB)"), tr("MegaBytes (MB)")});
    auto* unitsLabel = new QLabel(tr("Remote file size &units"));
    unitsLabel->setObjectName(QStringLiteral("7605"));
    unitsLabel->setBuddy(units_);
    auto* unitsRow = new QHBoxLayout;
    unitsRow->addWidget(unitsLabel);
    unitsRow->addWidget(units_, 1);
    options->addLayout(unitsRow);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(group);
    layout->addStretch(1);
}

void LGeneralPage::Load() {
    const PreferenceOptions options = LoadPreferenceOptions();
    retry_->setChecked(options.ftpRetry);
    noSpaces_->setChecked(options.ftpNoSpaces);
    lowerCase_->setChecked(options.ftpLowerCase);
    units_->setCurrentIndex(options.fileSizeUnits);
}

bool LGeneralPage::Save() {
    PreferenceOptions options;
    options.ftpRetry = retry_->isChecked();
    options.ftpNoSpaces = noSpaces_->isChecked();
    options.ftpLowerCase = lowerCase_->isChecked();
    options.fileSizeUnits = units_->currentIndex();
    SavePreferenceOptions(options);
    return true;
}

bool RunPreferencesDialog(QWidget* parent, UserInterfaceServices& ui) {
    LPropertySheet sheet(QObject::tr("Preferences"), ui, parent);
    sheet.setObjectName(QStringLiteral("Preferences"));
    sheet.AddPage(new LGeneralPage, QObject::tr("&General"));
    return sheet.Run();
}
