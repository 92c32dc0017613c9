#include "ui/explorer/explorer_placement.h"

#include <QGuiApplication>
#include <QRect>
#include <QScreen>
#include <QWidget>

#include "settings/section_settings.h"

namespace {

constexpr char kSection[] = "FtpExplorer";
constexpr int kDefaultWidth = 800;
constexpr int kDefaultHeight = 850;

bool OnAScreen(const QRect& frame) {
    for (const QScreen* screen : QGuiApplication::screens()) {
        if (screen->availableGeometry().intersects(frame)) {
            return true;
        }
    }
    return false;
}

}  // namespace

void RestoreExplorerPlacement(QWidget& dialog, const QWidget* parent) {
    const QRect stored(GetSettingInt(kSection, "X", 0), GetSettingInt(kSection, "Y", 0),
                       GetSettingInt(kSection, "Width", 0), GetSettingInt(kSection, "Height", 0));
    if (stored.width() > 0 && stored.height() > 0 && OnAScreen(stored)) {
        dialog.setGeometry(stored);
    } else {
        QRect frame(0, 0, kDefaultWidth, kDefaultHeight);
        const QScreen* screen = parent != nullptr ? parent->screen() : dialog.screen();
        const QRect area = parent != nullptr   ? parent->frameGeometry()
                           : screen != nullptr ? screen->availableGeometry()
                                               : frame;
        frame.moveCenter(area.center());
        dialog.setGeometry(frame);
    }
    if (GetSettingBool(kSection, "Maximized", false)) {
        dialog.setWindowState(dialog.windowState() | Qt::WindowMaximized);
    }
}

void SaveExplorerPlacement(const QWidget& dialog) {
    // A maximised window keeps the size it goes back to.
    const QRect frame =
        dialog.normalGeometry().isValid() ? dialog.normalGeometry() : dialog.geometry();
    SetSettingInt(kSection, "X", frame.x());
    SetSettingInt(kSection, "Y", frame.y());
    SetSettingInt(kSection, "Width", frame.width());
    SetSettingInt(kSection, "Height", frame.height());
    SetSettingBool(kSection, "Maximized", dialog.isMaximized());
}
