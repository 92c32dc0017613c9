// The desktop's alerts, login prompt and file choosers, answered as a user would: from the event
// loop of the modal window they show.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <functional>

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

QString Plain(QString text) {
    return text.remove(QLatin1Char('&'));
}

QAbstractButton* ButtonWithText(const QMessageBox& box, const QString& text) {
    for (QAbstractButton* button : box.buttons()) {
        if (Plain(button->text()) == text) {
            return button;
        }
    }
    return nullptr;
}

// Runs each alert on the Qt services and keeps what they answered.
class RecordingAlerts final : public UserInterfaceServices {
public:
    void RunAlert(LAlertParams& params) override {
        qt.RunAlert(params);
        last = params;
    }
    bool AskLogin(LWindow, LoginPromptRequest&) override { return false; }
    void SetBusy(bool) override {}
    bool OpenWithDefaultApplication(const std::string&) override { return false; }
    bool ChooseFolder(LWindow, const std::string&, const std::string&, std::string&) override {
        return false;
    }
    bool ChooseSaveFile(LWindow, const std::string&, const std::string&, std::string&) override {
        return false;
    }

    QtUserInterfaceServices qt;
    LAlertParams last;
};

constexpr int kNothing = -1;  // the operation returns nothing

using Operation = std::function<int(UserInterfaceServices&)>;
const Operation kMessageBox = [](auto& u) { return u.MessageBox(nullptr, "t", "Head"), kNothing; };
const Operation kNoteBox = [](auto& u) { return u.NoteBox(nullptr, "t", "Head"), kNothing; };
const Operation kCautionBox = [](auto& u) { return u.CautionBox(nullptr, "t", "Head"), kNothing; };
const Operation kErrorBox = [](auto& u) { return u.ErrorBox("t"), kNothing; };
const Operation kAlertBox = [](auto& u) {
    return u.AlertBox("Head", "t", kAlertCaution), kNothing;
};
const Operation kYesNoBox = [](auto& u) -> int { return u.YesNoBox(nullptr, "t", "Head"); };
const Operation kYesNoBoxAlone = [](auto& u) -> int { return u.YesNoBox("t", "Head"); };
const Operation kOkCancelBox = [](auto& u) -> int { return u.OkCancelBox(nullptr, "t", "Head"); };
const Operation kYesNoCancelBox = [](auto& u) { return u.YesNoCancelBox(nullptr, "t", "Head"); };
const Operation kAskBox = [](auto& u) -> int {
    return u.AskBox(nullptr, "t", "Head", "Delete", "Cancel");
};
// A caution with two buttons, as a question about a risky action would be.
const Operation kCautionQuestion = [](auto& u) -> int {
    LAlertParams params =
        MakeAlertParams(nullptr, kAlertCaution, "t", "Head",
                        {{"Replace", LAlertRole::kAccept}, {"Keep", LAlertRole::kReject}});
    u.RunAlert(params);
    return params.result;
};

const QMessageBox::Icon kStop = QMessageBox::Critical;
const QMessageBox::Icon kNote = QMessageBox::Information;
const QMessageBox::Icon kCaution = QMessageBox::Warning;
const QMessageBox::Icon kAsk = QMessageBox::Question;

TEST(QtAlerts, EachOperationShowsItsButtonsAndAnswersByThem) {
    struct Case {
        const char* name;
        Operation run;
        QString headline;
        QMessageBox::Icon icon;
        QStringList buttons;       // button 1 first
        std::vector<int> returns;  // what the operation returns when each button is pressed
        int onReturn, onEscape;    // the button the key presses
    };
    const Case cases[] = {
        {"MessageBox", kMessageBox, "Head", kStop, {"OK"}, {kNothing}, 1, 1},
        {"NoteBox", kNoteBox, "Head", kNote, {"OK"}, {kNothing}, 1, 1},
        {"CautionBox", kCautionBox, "Head", kCaution, {"OK"}, {kNothing}, 1, 1},
        {"ErrorBox", kErrorBox, "Error", kStop, {"OK"}, {kNothing}, 1, 1},
        {"AlertBox", kAlertBox, "Head", kCaution, {"OK"}, {kNothing}, 1, 1},
        {"YesNoBox", kYesNoBox, "Head", kAsk, {"Yes", "No"}, {1, 0}, 1, 2},
        {"YesNoBox, no parent", kYesNoBoxAlone, "Head", kAsk, {"Yes", "No"}, {1, 0}, 1, 2},
        {"OkCancelBox", kOkCancelBox, "Head", kAsk, {"OK", "Cancel"}, {1, 0}, 1, 2},
        {"YesNoCancelBox", kYesNoCancelBox, "Head", kAsk, {"Yes", "Cancel", "No"}, {1, 2, 3}, 1, 2},
        {"AskBox", kAskBox, "Head", kAsk, {"Delete", "Cancel"}, {1, 0}, 1, 2},
        {"caution question", kCautionQuestion, "Head", kCaution, {"Replace", "Keep"}, {1, 2}, 2, 2},
    };
    RecordingAlerts ui;
    for (const Case& c : cases) {
        // Each button in turn, then Return, then Escape.
        const int count = static_cast<int>(c.buttons.size());
        for (int press = 0; press < count + 2; ++press) {
            const std::string row = std::string(c.name) + ", press " + std::to_string(press + 1);
            WhenShown<QMessageBox>([&c, count, press, row](QMessageBox& box) {
                QStringList shown;
                for (QAbstractButton* button : box.buttons()) {
                    shown.append(Plain(button->text()));
                }
                QStringList expected = c.buttons;
                shown.sort();
                expected.sort();
                EXPECT_EQ(shown, expected) << row;
                EXPECT_TRUE(box.text().contains(c.headline)) << row;
                EXPECT_EQ(box.icon(), c.icon) << row;
                if (press < count) {
                    QAbstractButton* button = ButtonWithText(box, c.buttons[press]);
                    ASSERT_NE(button, nullptr) << row;
                    QTest::mouseClick(button, Qt::LeftButton);
                } else {
                    QTest::keyClick(&box, press == count ? Qt::Key_Return : Qt::Key_Escape);
                }
            });
            const int returned = c.run(ui);
            if (press < count) {
                EXPECT_EQ(ui.last.result, press + 1) << row;
                EXPECT_EQ(returned, c.returns[press]) << row;
            } else {
                EXPECT_EQ(ui.last.result, press == count ? c.onReturn : c.onEscape) << row;
            }
        }
    }
}

TEST(QtAlerts, ReturnsTheCheckBoxState) {
    struct Case {
        const char* checkBox;
        bool tick;
    };
    for (const Case& c : {Case{"Do this for all", true}, Case{"Do not ask again.", false}}) {
        QtUserInterfaceServices ui;
        WhenShown<QMessageBox>([&c](QMessageBox& box) {
            ASSERT_NE(box.checkBox(), nullptr) << c.checkBox;
            EXPECT_EQ(box.checkBox()->text(), c.checkBox);
            if (c.tick) {
                QTest::keyClick(box.checkBox(), Qt::Key_Space);
            }
            QTest::mouseClick(ButtonWithText(box, "Yes"), Qt::LeftButton);
        });
        bool checked = !c.tick;
        EXPECT_TRUE(ui.YesNoBox(nullptr, "t", "Head", c.checkBox, checked)) << c.checkBox;
        EXPECT_EQ(checked, c.tick) << c.checkBox;
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
    struct Case {
        const char* name;
        bool save;
        std::string start, typed;  // typed replaces the name field unless empty
        bool accept;
        std::string chosen;  // "" when cancelled
    };
    const Case cases[] = {
        {"folder", false, folder.path(), "sub", true, folder.File("sub")},
        {"save file, suggested name", true, folder.File("copy.txt"), "", true,
         folder.File("copy.txt")},
        {"cancelled", false, folder.path(), "", false, ""},
    };
    QtUserInterfaceServices ui;
    for (const Case& c : cases) {
        WhenShown<QFileDialog>([&c](QFileDialog& dialog) {
            if (!c.typed.empty()) {
                auto* name = dialog.findChild<QLineEdit*>("fileNameEdit");
                ASSERT_NE(name, nullptr) << c.name;
                name->clear();
                QTest::keyClicks(name, QString::fromStdString(c.typed));
            }
            // Pressing Return in the name field, or Escape.
            QDialog& asked = dialog;
            c.accept ? asked.accept() : asked.reject();
        });
        std::string chosen;
        const bool answered = c.save ? ui.ChooseSaveFile(nullptr, "Save", c.start, chosen)
                                     : ui.ChooseFolder(nullptr, "Folder", c.start, chosen);
        EXPECT_EQ(answered, c.accept) << c.name;
        EXPECT_EQ(std::filesystem::weakly_canonical(chosen),
                  std::filesystem::weakly_canonical(c.chosen))
            << c.name;
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
