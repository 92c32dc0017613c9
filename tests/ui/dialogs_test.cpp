#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <functional>
#include <sstream>

#include "frame/file_system.h"
#include "servers/real_server.h"
#include "services/service_hosts.h"
#include "settings/preference_options.h"
#include "settings/section_settings.h"
#include "support/case_table.h"
#include "support/scripted_ui.h"
#include "ui/dialogs/check_for_updates.h"
#include "ui/dialogs/preferences_dialog.h"
#include "ui/help_pages.h"

namespace {

// Runs `act` on the modal dialog once its own event loop has shown it.
void OnModalDialog(std::function<void(QWidget*)> act) {
    QTimer::singleShot(0, [act] {
        QWidget* dialog = QApplication::activeModalWidget();
        dialog != nullptr ? act(dialog) : OnModalDialog(act);
    });
}

constexpr const char* kCheckBoxIds[] = {"7601", "7602", "7603"};
constexpr const char* kOptionKeys[] = {kFtpRetryKey, kFtpNoSpacesKey, kFtpLowerCaseKey,
                                       kFileSizeUnitsKey};

// The four options as "retry spaces lower units", "-" for a key that is not stored.
std::string StoredOptions() {
    std::string text;
    for (const char* key : kOptionKeys) {
        text += (text.empty() ? "" : " ") + GetSetting(kSettingsSection, key, "-");
    }
    return text;
}

TEST(PreferencesDialog, ShowsTheStoredOptionsAndOnlyOkWritesThem) {
    struct Case {
        const char* name;
        const char* stored;  // the four values, "-" for none
        const char* shown;   // the three check boxes and the selected unit
        const char* set;     // what the user sets before the button ("" for nothing)
        QDialogButtonBox::StandardButton button;
        const char* after;
    };
    const Case cases[] = {
        {"a stored unit of 7 shows KiloBytes", "0 1 0 7", "0 1 0 1", "", QDialogButtonBox::Ok,
         "0 1 0 1"},
        {"OK writes the four keys", "- - - -", "0 0 0 1", "1 1 1 2", QDialogButtonBox::Ok,
         "1 1 1 2"},
        {"Cancel writes nothing", "- - - -", "0 0 0 1", "1 0 1 0", QDialogButtonBox::Cancel,
         "- - - -"},
        {"Cancel keeps what was stored", "1 0 1 2", "1 0 1 2", "0 1 0 0", QDialogButtonBox::Cancel,
         "1 0 1 2"},
    };
    for (const Case& c : cases) {
        const std::vector<std::string> stored = Split(c.stored, ' ');
        for (std::size_t i = 0; i < stored.size(); ++i) {
            stored[i] == "-" ? (void)DeleteSetting(kSettingsSection, kOptionKeys[i])
                             : (void)SetSetting(kSettingsSection, kOptionKeys[i], stored[i]);
        }
        ScriptedUiServices ui;
        std::string shown;
        OnModalDialog([&](QWidget* dialog) {
            std::ostringstream state;
            for (const char* id : kCheckBoxIds) {
                state << dialog->findChild<QCheckBox*>(id)->isChecked() << " ";
            }
            auto* units = dialog->findChild<QComboBox*>("7604");
            state << units->currentIndex();
            shown = state.str();
            EXPECT_EQ(units->accessibleName(), "Remote file size units") << c.name;
            if (*c.set != '\0') {
                const std::vector<std::string> set = Split(c.set, ' ');
                for (int i = 0; i < 3; ++i) {
                    dialog->findChild<QCheckBox*>(kCheckBoxIds[i])->setChecked(set[i] == "1");
                }
                units->setCurrentIndex(std::stoi(set[3]));
            }
            auto* buttons = dialog->findChild<QDialogButtonBox*>();
            QTest::mouseClick(buttons->button(QDialogButtonBox::Help), Qt::LeftButton);
            QTest::mouseClick(buttons->button(c.button), Qt::LeftButton);
        });
        const bool confirmed = RunPreferencesDialog(nullptr, ui);
        EXPECT_EQ(shown, c.shown) << c.name;
        EXPECT_EQ(StoredOptions(), c.after) << c.name;
        EXPECT_EQ(confirmed, c.button == QDialogButtonBox::Ok) << c.name;
        ASSERT_FALSE(HelpPagePath("general").empty());
        EXPECT_EQ(ui.openedPaths, std::vector<std::string>{HelpPagePath("general")}) << c.name;
    }
}

TEST(CheckForUpdates, TellsWhetherANewerVersionIsOutAndOpensItsPage) {
    PythonHttpServer server;
    ASSERT_TRUE(server.Start());
    SetUpdateHost(server.hostText());
    QWidget window;
    for (const auto& [name, row] : LoadCases("ui/version/checks.tsv")) {
        RemovePath(server.root() + "/versions");
        ASSERT_TRUE(row.at(1) == "-" || server.Serve("versions/brindleftp_mac.txt", row[1]));
        ScriptedUiServices ui;
        ScriptedProcessLauncher launcher;
        const std::string& user = row.at(2);
        launcher.prepare = [&user](RecordingProcessInterface& iface) {
            user == "stop" ? iface.StopAfterCalls(0) : void();
        };
        if (user == "View" || user == "Cancel") {
            ui.AnswerWithText(user);
        }
        CheckForUpdates(&window, launcher, ui);
        EXPECT_EQ(launcher.titles, std::vector<std::string>{"Checking for Updates"}) << name;
        ASSERT_EQ(ui.alerts.size(), 1u) << name;
        const LAlertParams& alert = ui.alerts[0];
        EXPECT_EQ(alert.parent, static_cast<LWindow>(&window)) << name;
        std::ostringstream got;
        got << alert.kind << " " << alert.headline << " " << alert.button1 << "|" << alert.button2
            << "|" << alert.button3 << " " << (ui.openedPaths.empty() ? "-" : ui.openedPaths.at(0));
        EXPECT_EQ(got.str(), row.at(3)) << name;
    }
    ResetServiceHosts();
}

}  // namespace
