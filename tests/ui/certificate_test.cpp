// The desktop program's certificate question, answered as a user would from its own event loop.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTimer>

#include "ui/process/qt_ui_services.h"

namespace {

QString Plain(QString text) {
    return text.remove(QLatin1Char('&'));
}

// Each button gives its answer; the text, fingerprint included, can be selected for copying;
// a changed certificate offers no "Trust Once" and Return means Cancel.
TEST(CertificateQuestion, ItsButtonsGiveTheThreeAnswers) {
    struct Case {
        CertificateQuestionKind kind;
        const char* button;
        CertificateTrust answer;
        const char* buttons;  // as shown, the default one in brackets
    };
    const Case cases[] = {
        {CertificateQuestionKind::kUnknown, "Trust Always", CertificateTrust::kAlways,
         "Trust Always|[Trust Once]|Cancel"},
        {CertificateQuestionKind::kUnknown, "Trust Once", CertificateTrust::kOnce,
         "Trust Always|[Trust Once]|Cancel"},
        {CertificateQuestionKind::kUnknown, "Cancel", CertificateTrust::kCancel,
         "Trust Always|[Trust Once]|Cancel"},
        {CertificateQuestionKind::kChanged, "Trust Always", CertificateTrust::kAlways,
         "Trust Always|[Cancel]"},
        {CertificateQuestionKind::kChanged, "Cancel", CertificateTrust::kCancel,
         "Trust Always|[Cancel]"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.button);
        CertificateQuestion question;
        question.kind = c.kind;
        question.server = "ftp.example.com:21";
        question.reason = "self-signed certificate";
        question.fingerprint = "AB:CD:EF";
        QString shown;
        bool selectable = false;
        QTimer::singleShot(0, [&] {
            QPointer<QMessageBox> box =
                qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            ASSERT_TRUE(box) << "no question";
            const auto* label = box->findChild<QLabel*>(QStringLiteral("qt_msgbox_label"));
            selectable = label != nullptr && label->text().contains(QLatin1String("AB:CD:EF")) &&
                         (label->textInteractionFlags() & Qt::TextSelectableByMouse);
            QAbstractButton* chosen = nullptr;
            for (QAbstractButton* button : box->buttons()) {
                const QString text = Plain(button->text());
                const bool isDefault = button == box->defaultButton();
                shown += (shown.isEmpty() ? "" : "|") + (isDefault ? "[" + text + "]" : text);
                chosen = text == QLatin1String(c.button) ? button : chosen;
            }
            ASSERT_TRUE(chosen) << shown.toStdString();
            chosen->click();
        });
        QtUserInterfaceServices qt;
        EXPECT_EQ(qt.AskCertificateTrust(question), c.answer);
        EXPECT_EQ(shown.toStdString(), c.buttons);
        EXPECT_TRUE(selectable);
    }
}

}  // namespace
