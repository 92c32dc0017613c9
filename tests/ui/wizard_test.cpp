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
class WizardUser {
public:
    explicit WizardUser(QDialog& dialog) : dialog_(dialog) {}

    QDialog& dialog() { return dialog_; }
    QLineEdit* Field(int id) { return dialog_.findChild<QLineEdit*>(QString::number(id)); }
    void Type(int id, const QString& text) {
        Field(id)->clear();
        QTest::keyClicks(Field(id), text);
    }
    QAbstractButton* Button(const QString& name) {
        auto* box = dialog_.findChild<QDialogButtonBox*>();
        return name == "Help"     ? box->button(QDialogButtonBox::Help)
               : name == "Cancel" ? box->button(QDialogButtonBox::Cancel)
                                  : dialog_.findChild<QAbstractButton*>(name);
    }
    // Check boxes and radio buttons take a click on their indicator, at their left.
    void Click(const QString& name) {
        QAbstractButton* button = Button(name);
        const bool push = qobject_cast<QPushButton*>(button) != nullptr;
        QTest::mouseClick(button, Qt::LeftButton, {},
                          push ? button->rect().center() : QPoint(4, button->height() / 2));
    }
    QString Line(const char* id) { return dialog_.findChild<QLabel*>(id)->text(); }
    QString Focus() {
        return dialog_.focusWidget() != nullptr ? dialog_.focusWidget()->objectName() : "";
    }
    void FillAccount(const QString& label, const QString& server) {
        Type(16600, label);
        Type(16602, server);
        Type(16604, "test");
        Type(16606, "secret");
    }

private:
    QDialog& dialog_;
};

// Runs the setup wizard with `steps` done on it once it shows. A wizard the steps left open is a
// failure and is closed, so that a broken test never hangs.
bool RunWizardAs(UserInterfaceServices& ui, ProcessLauncher& launcher,
                 std::function<void(WizardUser&)> steps) {
    QTimer::singleShot(0, [steps] {
        QPointer<QDialog> dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        ASSERT_TRUE(dialog) << "no wizard";
        WizardUser user(*dialog);
        steps(user);
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
    const bool finished = RunWizardAs(ui, launcher, [&ui](WizardUser& user) {
        user.Click("Next");
        for (const auto& [name, row] : LoadCases("ui/wizard/account_checks.tsv")) {
            ui.alerts.clear();
            user.Type(16600, QString::fromStdString(row.at(1)));
            user.Type(16602, QString::fromStdString(row.at(2)));
            user.Type(16604, QString::fromStdString(row.at(3)));
            user.Click("Next");
            EXPECT_EQ(user.Line("78").toStdString(), row.at(4)) << name;
            EXPECT_EQ(AlertsShown(ui), row.at(5) == "-" ? "" : row.at(5) + ": " + row.at(6) + "\n")
                << name;
            EXPECT_EQ(user.Focus().toStdString(), row.at(7)) << name;
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
    std::vector<std::string> pages;
    RunWizardAs(ui, launcher, [&](WizardUser& user) {
        const QString host = QString::fromStdString(server.hostText());
        for (QWidget* control : user.dialog().findChildren<QWidget*>()) {
            if (qobject_cast<QLineEdit*>(control) || qobject_cast<QAbstractButton*>(control)) {
                EXPECT_FALSE(control->accessibleName().isEmpty())
                    << control->objectName().toStdString();
            }
        }
        for (int page = 0; page < 5; ++page) {
            user.Click("Help");
            pages.push_back(user.Line("78").toStdString() + " | " + user.Line("79").toStdString() +
                            " | " + user.dialog().windowTitle().toStdString() + " | " +
                            Text(user.Button("Back")->isEnabled()) + " " +
                            user.Button("Next")->text().remove('&').toStdString());
            if (page == 1) {
                user.FillAccount("Wizard test", host);
                EXPECT_EQ(user.Field(16606)->echoMode(), QLineEdit::Password);
                user.Click("Next");
                user.Click("Back");
                EXPECT_EQ(user.Line("78"), "Account Information");
                EXPECT_EQ(user.Field(16600)->text() + " " + user.Field(16602)->text() + " " +
                              user.Field(16604)->text() + " " + user.Field(16606)->text(),
                          "Wizard test " + host + " test secret");
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
    const std::string wizard = " | BrindleFTP Site Wizard | ";
    EXPECT_EQ(pages,
              (std::vector<std::string>{
                  "BrindleFTP Startup Configuration | BrindleFTP enables you to easily connect to "
                  "FTP sites where you will be able to upload and download files." +
                      wizard + "false Next >",
                  "Account Information | Account details entry." + wizard + "true Next >",
                  "Security | Security options." + wizard + "true Next >",
                  "Initial Directories | Initial directories." + wizard + "true Next >",
                  "Finish | BrindleFTP is ready to be used." + wizard + "true Finish"}));
    std::vector<std::string> help;
    for (const char* topic : {"welcome", "account", "security", "initial", "finish"}) {
        ASSERT_FALSE(HelpPagePath(topic).empty()) << topic;
        help.push_back(HelpPagePath(topic));
    }
    EXPECT_EQ(ui.openedPaths, help);
    EXPECT_EQ(launcher.titles, std::vector<std::string>{"FTP Connection Test"});
    ASSERT_EQ(ui.alerts.size(), 1u) << AlertsShown(ui);
    EXPECT_EQ(ui.alerts[0].headline, "FTP Connection Test Results");
    EXPECT_NE(ui.alerts[0].text.find("Logon details are OK."), std::string::npos);
    EXPECT_NE(ui.alerts[0].text.find("File deleted OK."), std::string::npos);
    EXPECT_EQ(Stored("Wizard test", "Server"), "-");
}

TEST(SetupWizard, StoresTheSiteOnlyOnFinishAndMakesItCurrentForBothPrograms) {
    struct Case {
        const char* name;
        const char* label;
        const char* oldPassword;  // stored under the label before ("" for no account)
        bool remember;
        const char* end;
        const char* stored;  // "RemP Password LocalDirectory"
    };
    const Case cases[] = {
        {"Finish with Remember Password off stores no password", "Wizard off", "", false, "Next",
         "0 - {LOCAL}"},
        {"Finish with Remember Password off keeps an old password", "Wizard kept", "old", false,
         "Next", "0 old {LOCAL}"},
        {"Finish with Remember Password on stores it", "Wizard on", "", true, "Next",
         "1 secret {LOCAL}"},
        {"Cancel on the last page stores nothing", "Wizard cancelled", "", true, "Cancel", "- - -"},
    };
    TempFolder local("brindle-wizard");
    for (const Case& c : cases) {
        if (*c.oldPassword != '\0') {
            FtpAccount old;
            old.label = c.label;
            old.password = c.oldPassword;
            old.rememberPassword = true;
            ASSERT_TRUE(SaveFtpAccount("", old));
        }
        ASSERT_TRUE(SetCurrentSite("Before"));
        ScriptedUiServices ui;
        ui.chosenPath = local.path();
        ScriptedProcessLauncher launcher;
        const bool finished = RunWizardAs(ui, launcher, [&c](WizardUser& user) {
            user.Click("Next");
            user.FillAccount(c.label, "127.0.0.1:2121");
            user.Click("Next");
            c.remember ? user.Click("17600") : void();
            user.Click("Next");
            user.Click("18606");
            user.Click("18609");
            user.Click("Next");
            user.Click(c.end);
        });
        EXPECT_EQ(finished, std::string(c.end) == "Next") << c.name;
        EXPECT_EQ(AlertsShown(ui), "") << c.name;
        EXPECT_EQ(Stored(c.label, "RemP") + " " + Stored(c.label, "Password") + " " +
                      Stored(c.label, "LocalDirectory"),
                  Substitute(c.stored, {{"LOCAL", local.path()}}))
            << c.name;
        std::string current;
        GetCurrentSite(current);
        EXPECT_EQ(current, finished ? c.label : "Before") << c.name;
        const CliRun sites = RunCli({"sites"});
        EXPECT_EQ(sites.status, 0) << sites.err;
        const std::string line = std::string(c.label) + "\t127.0.0.1:2121\ttest\t0\n";
        EXPECT_EQ(sites.out.find(line) != std::string::npos, finished) << c.name << sites.out;
    }
}

}  // namespace
