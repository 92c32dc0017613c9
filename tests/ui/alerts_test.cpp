// The desktop's alerts, login prompt and file choosers, answered as a user would: from the event
// loop of the modal window they show.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMetaEnum>
#include <QMultiMap>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <functional>
#include <map>

#include "support/case_table.h"
#include "support/scripted_ui.h"
#include "support/temp_folder.h"
#include "ui/dialogs/user_login_dialog.h"
#include "ui/process/qt_ui_services.h"

namespace {

// Answers the modal window the caller is about to show. A window the answer left open is a
// failure and is closed, so that a broken answer never hangs the run.
template <typename Window>
void WhenShown(std::function<void(Window&)> answer) {
    QTimer::singleShot(0, [answer] {
        QPointer<Window> window = qobject_cast<Window*>(QApplication::activeModalWidget());
        ASSERT_TRUE(window) << "no modal window";
        answer(*window);
        if (window && window->isVisible()) {
            ADD_FAILURE() << "the window stayed open";
            window->reject();
        }
    });
}

// The alert's buttons by their text without the mnemonic's '&'.
QMultiMap<QString, QAbstractButton*> Buttons(const QMessageBox& box) {
    QMultiMap<QString, QAbstractButton*> buttons;
    for (QAbstractButton* button : box.buttons()) {
        buttons.insert(button->text().remove('&'), button);
    }
    return buttons;
}

// Runs each alert on the Qt services and keeps what they answered.
struct RecordingAlerts final : UserInterfaceServices {
    using Text = const std::string&;
    void RunAlert(LAlertParams& params) override {
        qt.RunAlert(params);
        last = params;
    }
    bool AskLogin(LWindow, LoginPromptRequest&) override { return false; }
    void SetBusy(bool) override {}
    bool OpenWithDefaultApplication(Text) override { return false; }
    bool ChooseFolder(LWindow, Text, Text, std::string&) override { return false; }
    bool ChooseSaveFile(LWindow, Text, Text, std::string&) override { return false; }

    QtUserInterfaceServices qt;
    LAlertParams last;
};

constexpr int kNothing = -1;  // the operation returns nothing

// The operations of operations.tsv, each on "t" under "Head".
const std::map<std::string, std::function<int(UserInterfaceServices&)>> kOperations = {
    {"MessageBox", [](auto& u) { return u.MessageBox(nullptr, "t", "Head"), kNothing; }},
    {"NoteBox", [](auto& u) { return u.NoteBox(nullptr, "t", "Head"), kNothing; }},
    {"CautionBox", [](auto& u) { return u.CautionBox(nullptr, "t", "Head"), kNothing; }},
    {"ErrorBox", [](auto& u) { return u.ErrorBox("t"), kNothing; }},
    {"AlertBox", [](auto& u) { return u.AlertBox("Head", "t", kAlertCaution), kNothing; }},
    {"YesNoBox", [](auto& u) -> int { return u.YesNoBox(nullptr, "t", "Head"); }},
    {"YesNoBox, no parent", [](auto& u) -> int { return u.YesNoBox("t", "Head"); }},
    {"OkCancelBox", [](auto& u) -> int { return u.OkCancelBox(nullptr, "t", "Head"); }},
    {"YesNoCancelBox", [](auto& u) { return u.YesNoCancelBox(nullptr, "t", "Head"); }},
    {"AskBox", [](auto& u) -> int { return u.AskBox(nullptr, "t", "Head", "Delete", "Cancel"); }},
    {"caution question",
     [](auto& u) -> int {
         LAlertParams params =
             MakeAlertParams(nullptr, kAlertCaution, "t", "Head",
                             {{"Replace", LAlertRole::kAccept}, {"Keep", LAlertRole::kReject}});
         u.RunAlert(params);
         return params.result;
     }},
};

TEST(QtAlerts, EachOperationShowsItsButtonsAndAnswersByThem) {
    RecordingAlerts ui;
    for (const auto& [name, row] : LoadCases("ui/alerts/operations.tsv")) {
        WhenShown<QMessageBox>([&](QMessageBox& box) {
            EXPECT_TRUE(box.text().contains(QString::fromStdString(row.at(1)))) << name;
            EXPECT_STREQ(QMetaEnum::fromType<QMessageBox::Icon>().valueToKey(box.icon()),
                         row.at(2).c_str())
                << name;
            QStringList buttons = QString::fromStdString(row.at(3)).split(',');
            buttons.sort();
            ASSERT_EQ(Buttons(box).keys(), buttons) << name;
            const QString press = QString::fromStdString(row.at(4));
            Buttons(box).contains(press)
                ? QTest::mouseClick(Buttons(box).value(press), Qt::LeftButton)
                : QTest::keySequence(&box, QKeySequence(press));
        });
        const int returned = kOperations.at(row.at(0))(ui);
        EXPECT_EQ(ui.last.result, std::stoi(row.at(5))) << name;
        EXPECT_EQ(returned == kNothing ? "-" : std::to_string(returned), row.at(6)) << name;
    }
}

TEST(QtAlerts, ReturnsTheCheckBoxState) {
    for (const bool tick : {true, false}) {
        const QString text = tick ? "Do this for all" : "Do not ask again.";
        QtUserInterfaceServices ui;
        WhenShown<QMessageBox>([&](QMessageBox& box) {
            ASSERT_NE(box.checkBox(), nullptr) << tick;
            EXPECT_EQ(box.checkBox()->text(), text);
            if (tick) {
                QTest::keyClick(box.checkBox(), Qt::Key_Space);
            }
            QTest::mouseClick(Buttons(box).value("Yes"), Qt::LeftButton);
        });
        bool checked = !tick;
        EXPECT_TRUE(ui.YesNoBox(nullptr, "t", "Head", text.toStdString(), checked)) << tick;
        EXPECT_EQ(checked, tick);
    }
}

QPushButton* DialogButton(QDialog& dialog, QDialogButtonBox::StandardButton which) {
    auto* buttons = dialog.findChild<QDialogButtonBox*>();
    return buttons != nullptr ? buttons->button(which) : nullptr;
}

TEST(UserLoginDlg, ShowsHelpAsksForAUserNameAndGivesBackWhatWasTyped) {
    ScriptedUiServices ui;
    LoginPromptRequest request{"ftp.example.com", "", "", false};
    WhenShown<UserLoginDlg>([&ui](UserLoginDlg& dialog) {
        auto* server = dialog.findChild<QLabel*>("101");
        ASSERT_NE(server, nullptr);
        EXPECT_TRUE(server->text().endsWith("ftp.example.com"));
        QTest::mouseClick(DialogButton(dialog, QDialogButtonBox::Help), Qt::LeftButton);
        ASSERT_EQ(ui.openedPaths.size(), 1u);
        EXPECT_TRUE(QString::fromStdString(ui.openedPaths[0]).endsWith("/help/userlogin.html"));
        QTest::mouseClick(DialogButton(dialog, QDialogButtonBox::Ok), Qt::LeftButton);
        ASSERT_EQ(ui.alerts.size(), 1u);
        EXPECT_EQ(ui.alerts[0].headline, "FTP User Name Required");
        EXPECT_TRUE(dialog.isVisible());

        QTest::keyClicks(dialog.findChild<QLineEdit*>("102"), "alice");
        QTest::keyClicks(dialog.findChild<QLineEdit*>("104"), "s3cret word");
        QTest::keyClick(dialog.findChild<QCheckBox*>(), Qt::Key_Space);
        QTest::mouseClick(DialogButton(dialog, QDialogButtonBox::Ok), Qt::LeftButton);
    });
    ASSERT_TRUE(UserLoginDlg::Ask(ui, nullptr, request));
    EXPECT_EQ(request.user, "alice");
    EXPECT_EQ(request.password, "s3cret word");
    EXPECT_TRUE(request.rememberPassword);
}

TEST(UserLoginDlg, CancelGivesBackNothing) {
    QtUserInterfaceServices ui;
    LoginPromptRequest request{"ftp.example.com", "bob", "", false};
    WhenShown<UserLoginDlg>([](UserLoginDlg& dialog) {
        QTest::keyClicks(dialog.findChild<QLineEdit*>("104"), "typed");
        QTest::mouseClick(DialogButton(dialog, QDialogButtonBox::Cancel), Qt::LeftButton);
    });
    EXPECT_FALSE(ui.AskLogin(nullptr, request));
    EXPECT_EQ(request.user, "bob");
    EXPECT_EQ(request.password, "");
}

TEST(QtFileChoosers, GiveBackTheAnsweredPath) {
    TempFolder folder("brindle-choosers");
    std::filesystem::create_directory(folder.File("sub"));
    QtUserInterfaceServices ui;
    for (const auto& [name, row] : LoadCases("ui/alerts/choosers.tsv")) {
        const bool accept = row.at(5) == "true";
        WhenShown<QFileDialog>([&](QFileDialog& dialog) {
            if (!row.at(3).empty()) {
                auto* field = dialog.findChild<QLineEdit*>("fileNameEdit");
                ASSERT_NE(field, nullptr) << name;
                field->clear();
                QTest::keyClicks(field, QString::fromStdString(row.at(3)));
            }
            // Pressing Return in the name field, or Escape.
            QDialog& asked = dialog;
            accept ? asked.accept() : asked.reject();
        });
        auto path = [&](int cell) { return Substitute(row.at(cell), {{"ROOT", folder.path()}}); };
        std::string chosen;
        EXPECT_EQ(row.at(1) == "save" ? ui.ChooseSaveFile(nullptr, "Save", path(2), chosen)
                                      : ui.ChooseFolder(nullptr, "Folder", path(2), chosen),
                  accept)
            << name;
        EXPECT_EQ(std::filesystem::weakly_canonical(chosen),
                  std::filesystem::weakly_canonical(path(4)))
            << name;
    }
}

// The busy cursor nests, never takes away a cursor it did not set, and gives way to a question.
TEST(QtUserInterfaceServices, BusyCursorNestsAndGivesWayToQuestions) {
    QApplication::setOverrideCursor(Qt::CrossCursor);  // someone else's
    auto shape = [] { return QApplication::overrideCursor()->shape(); };
    {
        QtUserInterfaceServices ui;
        ui.SetBusy(true);
        ui.SetBusy(true);
        ui.SetBusy(false);
        WhenShown<QMessageBox>([&shape](QMessageBox& box) {
            EXPECT_EQ(shape(), Qt::ArrowCursor);
            QTest::keyClick(&box, Qt::Key_Return);
        });
        ui.NoteBox(nullptr, "t", "Head");
        EXPECT_EQ(shape(), Qt::WaitCursor);
        ui.SetBusy(false);
        ui.SetBusy(false);
        EXPECT_EQ(shape(), Qt::CrossCursor);
        ui.SetBusy(true);
    }
    EXPECT_EQ(shape(), Qt::CrossCursor);
    QApplication::restoreOverrideCursor();
}

}  // namespace
