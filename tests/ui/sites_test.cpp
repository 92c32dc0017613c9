// The Site Manager and the site properties as a user drives them: rows selected and deleted,
// the connection followed, OK refused field by field, the connection test against a server.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <QTreeView>
#include <functional>
#include <string>
#include <vector>

#include "frame/paths.h"
#include "ftp/connection_test.h"
#include "servers/real_server.h"
#include "settings/ftp_account.h"
#include "support/case_table.h"
#include "support/scripted_ui.h"
#include "support/temp_folder.h"
#include "ui/sites/site_manager.h"
#include "ui/sites/site_properties.h"

namespace {

// Runs `act` on the modal dialog once its own event loop shows it. A dialog the act left open
// is a failure and is closed, so that a broken dialog never hangs the run.
void OnModalDialog(std::function<void(QDialog&)> act) {
    QTimer::singleShot(0, [act] {
        QPointer<QDialog> dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!dialog) {
            return OnModalDialog(act);
        }
        act(*dialog);
        if (dialog && dialog->isVisible()) {
            ADD_FAILURE() << "the dialog stayed open";
            dialog->reject();
        }
    });
}

std::string Join(const std::vector<std::string>& parts) {
    std::string text;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        text += (i == 0 ? "" : "|") + parts[i];
    }
    return text;
}

// The services a site dialog runs on and the connection the Site Manager follows, over a store
// that holds exactly these sites, in this order.
struct Sites final : SiteConnectionState {
    explicit Sites(const std::vector<std::string>& labels = {}) {
        for (const std::string& label : ListFtpAccountLabels()) {
            DeleteFtpAccount(label);
        }
        for (const std::string& label : labels) {
            EXPECT_TRUE(SaveFtpAccount("", {label, "127.0.0.1", "", ""}));
        }
    }
    std::string ConnectedSite() const override { return connected; }
    void ConnectToSite(const std::string& label) override { connects.push_back(label); }

    ScriptedUiServices ui;
    ScriptedProcessLauncher launcher;
    std::string connected;
    std::vector<std::string> connects;
};

// A column's texts, top to bottom.
std::string Column(const QTreeView& list, int column) {
    std::vector<std::string> texts;
    for (int row = 0; row < list.model()->rowCount(); ++row) {
        texts.push_back(list.model()->index(row, column).data().toString().toStdString());
    }
    return Join(texts);
}

std::string SelectedRows(const QTreeView& list) {
    std::vector<std::string> rows;
    for (const QModelIndex& index : list.selectionModel()->selectedRows()) {
        rows.push_back(std::to_string(index.row()));
    }
    return Join(rows);
}

// Clicks the row, or takes every selection away for -1.
void ClickRow(QTreeView& list, int row) {
    if (row < 0) {
        list.selectionModel()->clearSelection();
        return;
    }
    const QRect rect = list.visualRect(list.model()->index(row, 0));
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, rect.center());
}

QTreeView& SiteList(QWidget& dialog) {
    return *dialog.findChild<QTreeView*>("101");
}

QPushButton* DialogButton(QWidget& dialog, QDialogButtonBox::StandardButton which) {
    return dialog.findChild<QDialogButtonBox*>()->button(which);
}

void Type(QWidget& dialog, const char* id, const std::string& text) {
    dialog.findChild<QLineEdit*>(id)->setText(QString::fromStdString(text));
}

TEST(SiteManager, DeletingSelectsTheRowAtTheSamePlaceElseTheNewLastElseNone) {
    for (const auto& [name, row] : LoadCases("ui/sites/delete.tsv")) {
        Sites sites(Split(row.at(1), '|'));
        sites.ui.AnswerWith(std::stoi(row.at(3)));
        SiteManagerDlg dialog(nullptr, sites.ui, sites.launcher, sites);
        dialog.show();
        ClickRow(SiteList(dialog), std::stoi(row.at(2)));
        QTest::mouseClick(dialog.findChild<QPushButton*>("104"), Qt::LeftButton);
        ASSERT_EQ(sites.ui.alerts.size(), 1u) << name;
        EXPECT_EQ(sites.ui.alerts[0].headline, "Confirm Delete") << name;
        EXPECT_EQ(Join(ListFtpAccountLabels()), row.at(4)) << name;
        EXPECT_EQ(Column(SiteList(dialog), 0), row.at(4)) << name;
        EXPECT_EQ(SelectedRows(SiteList(dialog)), row.at(5)) << name;
        EXPECT_EQ(dialog.findChild<QPushButton*>("103")->isEnabled(), !row.at(5).empty()) << name;
    }
}

// The refresh is what the three-second timer runs; here the test fires it.
TEST(SiteManager, EachRefreshFollowsTheConnectionAndTheStoreAndKeepsTheSelection) {
    Sites sites({"A", "B", "C"});
    sites.connected = "b";
    SiteManagerDlg dialog(nullptr, sites.ui, sites.launcher, sites);
    dialog.show();
    QTreeView& list = SiteList(dialog);
    ClickRow(list, 2);
    dialog.OnTimer(kSiteListRefreshTimer);
    EXPECT_EQ(Column(list, 3), "|Connected|");
    sites.connected.clear();
    ASSERT_TRUE(SaveFtpAccount("", {"D", "192.0.2.10", "", ""}));  // as brindleftp-cli would
    dialog.OnTimer(kSiteListRefreshTimer);
    EXPECT_EQ(Column(list, 3), "|||");
    EXPECT_EQ(Column(list, 0), "A|B|C|D");
    EXPECT_EQ(Column(list, 1), "127.0.0.1|127.0.0.1|127.0.0.1|192.0.2.10");
    EXPECT_EQ(SelectedRows(list), "2");
}

TEST(SiteManager, ConnectMakesTheSelectedSiteCurrentAndDoesNothingWithoutOne) {
    for (const int row : {-1, 1}) {  // nothing selected, then "B"
        const bool connects = row >= 0;
        Sites sites({"A", "B", "C"});
        ASSERT_TRUE(SetCurrentSite("C"));
        bool stayedOpen = false;
        OnModalDialog([&](QDialog& dialog) {
            ClickRow(SiteList(dialog), row);
            QTest::mouseClick(DialogButton(dialog, QDialogButtonBox::Ok), Qt::LeftButton);
            if (dialog.isVisible()) {
                QTest::keyClick(&SiteList(dialog), Qt::Key_Return);
            }
            stayedOpen = dialog.isVisible();
            if (stayedOpen) {
                QTest::mouseClick(DialogButton(dialog, QDialogButtonBox::Cancel), Qt::LeftButton);
            }
        });
        EXPECT_EQ(RunSiteManager(nullptr, sites.ui, sites.launcher, sites), connects) << row;
        EXPECT_EQ(stayedOpen, !connects) << row;
        std::string current;
        GetCurrentSite(current);
        EXPECT_EQ(current, connects ? "B" : "C") << row;
        EXPECT_EQ(Join(sites.connects), connects ? "B" : "") << row;
    }
}

TEST(SiteProperties, TheFirstFailingCheckShowsItsMessageWithTheFocusOnItsField) {
    TempFolder root("brindle-siteprop");
    for (const auto& [name, row] : LoadCases("ui/sites/checks.tsv")) {
        Sites sites;
        std::string focus;
        OnModalDialog([&](QDialog& dialog) {
            dialog.findChild<QRadioButton*>("9616")->setChecked(true);
            Type(dialog, "9600", row.at(1));
            Type(dialog, "9602", row.at(2));
            Type(dialog, "9604", row.at(3));
            Type(dialog, "9617", Substitute(row.at(4), {{"ROOT", root.path()}}));
            QTest::mouseClick(DialogButton(dialog, QDialogButtonBox::Ok), Qt::LeftButton);
            if (dialog.isVisible()) {
                focus = dialog.focusWidget() ? dialog.focusWidget()->objectName().toStdString()
                                             : "none";
                QTest::mouseClick(DialogButton(dialog, QDialogButtonBox::Cancel), Qt::LeftButton);
            }
        });
        const std::optional<std::string> saved =
            SiteProperties(nullptr, sites.ui, sites.launcher, "");
        std::string shown = saved ? "saved:" + *saved : "";
        if (!sites.ui.alerts.empty()) {
            shown = focus + "|" + sites.ui.alerts[0].headline + "|" + sites.ui.alerts[0].text;
        }
        EXPECT_EQ(shown, row.at(5)) << name;
        EXPECT_EQ(Join(ListFtpAccountLabels()), saved ? *saved : "") << name;
    }
}

TEST(SiteProperties, AnExistingAccountIsShownAndRenamedKeepingItsRecentFolders) {
    Sites sites;
    FtpAccount old{"Old", "127.0.0.1:2121", "u", "pw"};
    old.rememberPassword = true;
    old.useRecentRemote = false;
    old.directory = "/pub";
    old.localDirectory = "/";
    ASSERT_TRUE(SaveFtpAccount("", old));
    ASSERT_TRUE(SetCurrentSite("Old"));
    SaveRecentDirectories("/tmp", "/pub/recent");
    std::string shown;
    OnModalDialog([&](QDialog& dialog) {
        auto* password = dialog.findChild<QLineEdit*>("9606");
        shown = dialog.windowTitle().toStdString() + " " +
                dialog.findChild<QLineEdit*>("9602")->text().toStdString() + " " +
                std::to_string(password->echoMode() == QLineEdit::Password) +
                std::to_string(dialog.findChild<QCheckBox*>("9609")->isChecked()) +
                std::to_string(dialog.findChild<QRadioButton*>("9611")->isChecked()) +
                std::to_string(dialog.findChild<QLineEdit*>("9612")->isEnabled()) + " " +
                dialog.findChild<QLineEdit*>("9617")->text().toStdString();
        Type(dialog, "9600", "New");
        QTest::mouseClick(DialogButton(dialog, QDialogButtonBox::Ok), Qt::LeftButton);
    });
    EXPECT_EQ(SiteProperties(nullptr, sites.ui, sites.launcher, "Old"), "New");
    EXPECT_EQ(shown, "Site Properties 127.0.0.1:2121 1111 /");
    FtpAccount renamed;
    LoadFtpAccount("New", renamed);
    EXPECT_EQ(Join(ListFtpAccountLabels()), "New");
    std::string current;
    GetCurrentSite(current);
    EXPECT_EQ(current, "New");
    EXPECT_EQ(renamed.password + " " + renamed.recentRemoteDirectory, "pw /pub/recent");
}

TEST(SiteProperties, TestAsksForTheServerThenShowsTheConnectionTestReport) {
    RealServer server(kPlainServers[0]);
    std::string why;
    ASSERT_TRUE(server.Start(&why)) << why;
    Sites sites;
    std::vector<std::string> focus;
    std::string localFolder;
    OnModalDialog([&](QDialog& dialog) {
        // This home has no Documents folder: a new site starts in the home folder.
        localFolder = dialog.findChild<QLineEdit*>("9617")->text().toStdString();
        auto* test = dialog.findChild<QPushButton*>("9620");
        QTest::mouseClick(test, Qt::LeftButton);
        focus.push_back(dialog.focusWidget()->objectName().toStdString());
        Type(dialog, "9602", server.hostText());
        Type(dialog, "9604", server.user());
        Type(dialog, "9606", server.password());
        QTest::mouseClick(test, Qt::LeftButton);
        QTest::mouseClick(DialogButton(dialog, QDialogButtonBox::Cancel), Qt::LeftButton);
    });
    EXPECT_FALSE(SiteProperties(nullptr, sites.ui, sites.launcher, ""));
    EXPECT_EQ(localFolder, GetHomeFolder());
    EXPECT_EQ(focus, std::vector<std::string>{"9602"});
    ASSERT_EQ(sites.ui.alerts.size(), 2u);
    EXPECT_EQ(sites.ui.alerts[0].headline, "FTP Server Required");
    EXPECT_EQ(sites.ui.alerts[0].text.rfind("Please enter the ftp server. The format", 0), 0u);
    EXPECT_EQ(sites.launcher.titles, std::vector<std::string>{kFtpConnectionTestTitle});
    EXPECT_EQ(sites.ui.alerts[1].headline, "FTP Connection Test Results");
    EXPECT_NE(sites.ui.alerts[1].text.find("Logon details are OK.\r\n"), std::string::npos);
    EXPECT_NE(sites.ui.alerts[1].text.find("File deleted OK.\r\n"), std::string::npos);
    EXPECT_TRUE(ListFtpAccountLabels().empty());
}

}  // namespace
