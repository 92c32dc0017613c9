// The setup wizard, driven as a user would from its own event loop; its alerts and choosers are
// answered by the scripted services.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <functional>

#include "cli/cli_runner.h"
#include "servers/real_server.h"
#include "settings/ftp_account.h"
#include "settings/reg_key.h"
#include "support/case_table.h"
#include "support/scripted_ui.h"
#include "support/temp_folder.h"
#include "ui/help_pages.h"
#include "ui/sites/setup_wizard.h"

namespace {

// The wizard's window as its user sees it.
struct WizardUser {
    QLineEdit* Field(int id) { return dialog.findChild<QLineEdit*>(QString::number(id)); }
    void Type(int id, const std::string& text) {
        Field(id)->clear();
        QTest::keyClicks(Field(id), QString::fromStdString(text));
    }
    QAbstractButton* Button(const QString& name) {
        auto* box = dialog.findChild<QDialogButtonBox*>();
        return name == "Help"     ? box->button(QDialogButtonBox::Help)
               : name == "Cancel" ? box->button(QDialogButtonBox::Cancel)
                                  : dialog.findChild<QAbstractButton*>(name);
    }
    // Check boxes and radio buttons take a click on their indicator, at their left.
    void Click(const QString& name) {
        QAbstractButton* button = Button(name);
        const bool push = qobject_cast<QPushButton*>(button) != nullptr;
        QTest::mouseClick(button, Qt::LeftButton, {},
                          push ? button->rect().center() : QPoint(4, button->height() / 2));
    }
    std::string Line(const char* id) { return dialog.findChild<QLabel*>(id)->text().toStdString(); }
    std::string Focus() {
        return dialog.focusWidget() ? dialog.focusWidget()->objectName().toStdString() : "";
    }
    void FillAccount(const std::string& label, const std::string& server) {
        Type(16600, label);
        Type(16602, server);
        Type(16604, "test");
        Type(16606, "secret");
    }

    QDialog& dialog;
};

// Runs the setup wizard with `steps` done on it once it shows. A wizard the steps left open is a
// failure and is closed, so that a broken test never hangs.
bool RunWizardAs(UserInterfaceServices& ui, ProcessLauncher& launcher,
                 std::function<void(WizardUser)> steps) {
    QTimer::singleShot(0, [steps] {
        QPointer<QDialog> dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        ASSERT_TRUE(dialog) << "no wizard";
        steps({*dialog});
        if (dialog && dialog->isVisible()) {
            ADD_FAILURE() << "the wizard stayed open";
            dialog->reject();
        }
    });
    return RunSetupWizard(nullptr, ui, launcher);
}

std::string AlertsShown(const ScriptedUiServices& ui) {
    std::string shown;
    for (const LAlertParams& alert : ui.alerts) {
        shown += alert.headline + ": " + alert.text + "\n";
    }
    return shown;
}

// A value of the stored account, "-" when there is none.
std::string Stored(const std::string& label, const char* name) {
    std::string value;
    return LRegKey::OpenSubKey(LRegKey::Open(kFtpAccountsFolder), label).GetString(name, "", value)
               ? value
               : "-";
}

TEST(SetupWizard, ChecksTheAccountPageInOrderWithTheFocusOnTheField) {
    ScriptedUiServices ui;
    ScriptedProcessLauncher launcher;
    const bool finished = RunWizardAs(ui, launcher, [&ui](WizardUser user) {
        user.Click("Next");
        for (const auto& [name, row] : LoadCases("ui/wizard/account_checks.tsv")) {
            ui.alerts.clear();
            user.Type(16600, row.at(1));
            user.Type(16602, row.at(2));
            user.Type(16604, row.at(3));
            user.Click("Next");
            EXPECT_EQ(user.Line("78"), row.at(4)) << name;
            EXPECT_EQ(AlertsShown(ui), row.at(5) == "-" ? "" : row.at(5) + ": " + row.at(6) + "\n")
                << name;
            EXPECT_EQ(user.Focus(), row.at(7)) << name;
            user.Line("78") == "Security" ? user.Click("Back") : void();
        }
        user.Click("Cancel");
    });
    EXPECT_FALSE(finished);
}

TEST(SetupWizard, ShowsEachPageWithItsTitlesHelpAndButtonsAndTestsTheSettings) {
    RealServer server(kPlainServers[0]);
    std::string why;
    ASSERT_TRUE(server.Start(&why)) << why;
    TempFolder local("brindle-wizard");
    ScriptedUiServices ui;
    ScriptedProcessLauncher launcher;
    const std::vector<CaseRow> pages = LoadCases("ui/wizard/pages.tsv");
    std::vector<std::string> help;
    RunWizardAs(ui, launcher, [&](WizardUser user) {
        for (QWidget* control : user.dialog.findChildren<QWidget*>()) {
            if (qobject_cast<QLineEdit*>(control) || qobject_cast<QAbstractButton*>(control)) {
                EXPECT_FALSE(control->accessibleName().isEmpty())
                    << control->objectName().toStdString();
            }
        }
        for (std::size_t page = 0; page < pages.size(); ++page) {
            const std::vector<std::string>& row = pages[page].fields;
            user.Click("Help");
            help.push_back(HelpPagePath(row.at(5)));
            EXPECT_NE(help.back(), "") << pages[page].name;
            EXPECT_EQ((std::vector<std::string>{
                          user.Line("78"), user.Line("79"), user.dialog.windowTitle().toStdString(),
                          Text(user.Button("Back")->isEnabled()),
                          user.Button("Next")->text().remove('&').toStdString()}),
                      std::vector<std::string>(row.begin(), row.end() - 1));
            if (page == 1) {
                user.FillAccount("Wizard test", server.hostText());
                EXPECT_EQ(user.Field(16606)->echoMode(), QLineEdit::Password);
                user.Click("Next");
                user.Click("Back");
                EXPECT_EQ(user.Line("78"), "Account Information");
                EXPECT_EQ(
                    user.Field(16600)->text() + " " + user.Field(16602)->text() + " " +
                        user.Field(16604)->text() + " " + user.Field(16606)->text(),
                    "Wizard test " + QString::fromStdString(server.hostText()) + " test secret");
            } else if (page == 3) {
                EXPECT_FALSE(user.Field(18607)->isEnabled());
                user.Click("18606");
                ui.chosenPath = local.path();
                user.Click("18609");
                EXPECT_EQ(user.Field(18607)->text().toStdString(), local.path());
            } else if (page == 4) {
                user.Click("19600");
            }
            page < 4 ? user.Click("Next") : user.Click("Cancel");
        }
    });
    EXPECT_EQ(ui.openedPaths, help);
    EXPECT_EQ(launcher.titles, std::vector<std::string>{"FTP Connection Test"});
    ASSERT_EQ(ui.alerts.size(), 1u) << AlertsShown(ui);
    EXPECT_EQ(ui.alerts[0].headline, "FTP Connection Test Results");
    EXPECT_NE(ui.alerts[0].text.find("Logon details are OK."), std::string::npos);
    EXPECT_NE(ui.alerts[0].text.find("File deleted OK."), std::string::npos);
    EXPECT_EQ(Stored("Wizard test", "Server"), "-");
}

TEST(SetupWizard, StoresTheSiteOnlyOnFinishAndMakesItCurrentForBothPrograms) {
    TempFolder local("brindle-wizard");
    for (const auto& [name, row] : LoadCases("ui/wizard/finish.tsv")) {
        const std::string& label = row.at(1);
        if (!row.at(2).empty()) {  // the old password remembered
            ASSERT_TRUE(SaveFtpAccount("", {label, "", "", row.at(2), true}));
        }
        ASSERT_TRUE(SetCurrentSite("Before"));
        ScriptedUiServices ui;
        ui.chosenPath = local.path();
        ScriptedProcessLauncher launcher;
        const bool finished = RunWizardAs(ui, launcher, [&](WizardUser user) {
            user.Click("Next");
            user.FillAccount(label, "127.0.0.1:2121");
            user.Click("Next");
            row.at(3) == "true" ? user.Click("17600") : void();
            user.Click("Next");
            user.Click("18606");
            user.Click("18609");
            user.Click("Next");
            user.Click(QString::fromStdString(row.at(4)));
        });
        EXPECT_EQ(finished, row.at(4) == "Next") << name;
        EXPECT_EQ(AlertsShown(ui), "") << name;
        EXPECT_EQ(Stored(label, "RemP") + " " + Stored(label, "Password") + " " +
                      Stored(label, "LocalDirectory"),
                  Substitute(row.at(5), {{"LOCAL", local.path()}}))
            << name;
        std::string current;
        GetCurrentSite(current);
        EXPECT_EQ(current, finished ? label : "Before") << name;
        const CliRun sites = RunCli({"sites"});
        EXPECT_EQ(sites.status, 0) << sites.err;
        EXPECT_EQ(sites.out.find(label + "\t127.0.0.1:2121\ttest\t0\n") != std::string::npos,
                  finished)
            << name << sites.out;
    }
}

}  // namespace
