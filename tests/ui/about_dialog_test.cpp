// "About BrindleFTP": what it tells and where its link leads, read from the open dialog.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

#include "support/scripted_ui.h"
#include "support/temp_folder.h"
#include "ui/main/about_dialog.h"

namespace {

// Sets an environment variable for one scope.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const std::string& value) : name_(name) {
        if (const char* old = std::getenv(name)) {
            old_ = old;
        }
        setenv(name, value.c_str(), 1);
    }
    ~ScopedEnv() { old_ ? (void)setenv(name_, old_->c_str(), 1) : (void)unsetenv(name_); }

private:
    const char* name_;
    std::optional<std::string> old_;
};

struct Seen {
    QString name, version, link, linkName;
};

// Opens the dialog, reads it, follows its link and closes it with its Close button.
Seen ShowAndFollowLink(ScriptedUiServices& ui) {
    Seen seen;
    QTimer::singleShot(0, [&seen] {
        QPointer<QDialog> dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        ASSERT_TRUE(dialog) << "no modal window";
        EXPECT_EQ(dialog->windowTitle(), QStringLiteral("About BrindleFTP"));
        seen.name = dialog->findChild<QLabel*>(QStringLiteral("ProgramName"))->text();
        seen.version = dialog->findChild<QLabel*>(QStringLiteral("ProgramVersion"))->text();
        if (auto* link = dialog->findChild<QLabel*>(QStringLiteral("DistributorLink"))) {
            seen.link = link->text();
            seen.linkName = link->accessibleName();
            emit link->linkActivated(QStringLiteral("link"));
        }
        auto* buttons = dialog->findChild<QDialogButtonBox*>();
        QTest::mouseClick(buttons->button(QDialogButtonBox::Close), Qt::LeftButton);
        if (dialog && dialog->isVisible()) {
            ADD_FAILURE() << "Close left the dialog open";
            dialog->reject();
        }
    });
    ShowAboutDialog(nullptr, ui);
    return seen;
}

TEST(AboutDialog, ShowsNameAndVersionAndOpensTheDistributorsLinkThroughTheServices) {
    struct Row {
        const char* name;
        const char* distributorUrl;  // nullptr: no shared settings file
        const char* expectedText;
        const char* expectedOpenedSuffix;
    } const rows[] = {
        {"the distributor's address", "https://downloads.example.org/brindleftp/",
         "https://downloads.example.org/brindleftp/", "https://downloads.example.org/brindleftp/"},
        {"no distributor: the help contents", nullptr, "BrindleFTP Help", "/help/index.html"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        TempFolder root("brindle-about");
        const std::string shared = root.File("share/brindleftp");
        std::filesystem::create_directories(shared);
        if (row.distributorUrl != nullptr) {
            WriteWholeFile(shared + "/SharedSettings.xml",
                           std::string("<Distributor>\n\t<URL value=\"") + row.distributorUrl +
                               "\"/>\n</Distributor>\n");
        }
        const ScopedEnv dataDirs("XDG_DATA_DIRS", root.File("share"));
        const ScopedEnv dataHome("XDG_DATA_HOME", root.File("data"));

        ScriptedUiServices ui;
        const Seen seen = ShowAndFollowLink(ui);
        EXPECT_EQ(seen.name, QStringLiteral("BrindleFTP"));
        EXPECT_EQ(seen.version, QStringLiteral("Version 2.13"));
        EXPECT_TRUE(seen.link.contains(QLatin1String(row.expectedText))) << seen.link.toStdString();
        EXPECT_EQ(seen.linkName, QLatin1String(row.expectedText));
        ASSERT_EQ(ui.openedPaths.size(), 1u);
        EXPECT_TRUE(ui.openedPaths[0].ends_with(row.expectedOpenedSuffix)) << ui.openedPaths[0];
    }
}

}  // namespace
