#include "ui/dialogs/crash_question.h"

#include <QDesktopServices>
#include <QMessageBox>
#include <QString>
#include <QUrl>
#include <cstdlib>
#include <string_view>

#include "frame/crash_handler.h"
#include "ui/accessible_names.h"
#include "ui/help_pages.h"

namespace {

bool IsSet(const char* variable) {
    const char* value = std::getenv(variable);
    return value != nullptr && *value != '\0';
}

// The platform Qt would try first: "offscreen" of "offscreen:fontengine=freetype;xcb".
std::string_view FirstPlatform(std::string_view platforms) {
    return platforms.substr(0, platforms.find_first_of(":;"));
}

}  // namespace

bool CrashQuestionCanBeShown() {
    const char* chosen = std::getenv("QT_QPA_PLATFORM");
    const std::string_view platform = FirstPlatform(chosen != nullptr ? chosen : "");
    if (platform == "offscreen" || platform == "minimal" || platform == "minimalegl") {
        return false;
    }
    if (IsSet("DISPLAY") || IsSet("WAYLAND_DISPLAY")) {
        return true;
    }
    // Platforms that need no display server: the console's framebuffer, or a VNC viewer.
    return platform == "eglfs" || platform == "linuxfb" || platform == "vkkhrdisplay" ||
           platform == "vnc";
}

bool AskCrashQuestion(int signal, QWidget* parent) {
    QString text = QString::fromStdString(CrashQuestionText(signal));
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    QMessageBox box(QMessageBox::Question, QString::fromUtf8(kCrashQuestionTitle), text,
                    QMessageBox::Yes | QMessageBox::No, parent);
    box.setTextFormat(Qt::PlainText);
    box.setDefaultButton(QMessageBox::Yes);
    box.setEscapeButton(QMessageBox::No);
    NameControlsForAccessibility(&box);
    return box.exec() == QMessageBox::Yes;
}

std::string CrashReportPagePath() {
    return HelpPagePath(kCrashReportHelpPage);
}

bool OpenCrashReportPage() {
    const std::string path = CrashReportPagePath();
    return !path.empty() &&
           QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(path)));
}
