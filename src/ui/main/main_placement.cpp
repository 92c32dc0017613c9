// Where the window was, its divider and its toolbar, kept under "MainWindow" and "ToolBar".
#include <QGuiApplication>
#include <QScreen>
#include <QSplitter>
#include <QTimer>
#include <QToolBar>
#include <algorithm>

#include "settings/section_settings.h"
#include "ui/main/main_commands.h"
#include "ui/main/main_window.h"

namespace {

constexpr char kSection[] = "MainWindow";
constexpr char kToolBarSection[] = "ToolBar";
constexpr int kDefaultPosition = 200;

bool OnAScreen(const QRect& frame) {
    const QList<QScreen*> screens = QGuiApplication::screens();
    return std::any_of(screens.begin(), screens.end(), [&frame](const QScreen* screen) {
        return screen->availableGeometry().intersects(frame);
    });
}

}  // namespace

void MainDialog::RestorePlacement() {
    setMinimumSize(kMainWindowWidth, kMainWindowHeight);
    const QSize size(std::max(GetSettingInt(kSection, "Width", 0), kMainWindowWidth),
                     std::max(GetSettingInt(kSection, "Height", 0), kMainWindowHeight));
    resize(size);
    const QPoint position(GetSettingInt(kSection, "X", kDefaultPosition),
                          GetSettingInt(kSection, "Y", kDefaultPosition));
    // A position on a screen that is gone would hide the window.
    if (OnAScreen(QRect(position, size))) {
        move(position);
    }

    const std::string toolBar = GetSetting(kToolBarSection, toolBar_->objectName().toStdString());
    if (!toolBar.empty()) {
        restoreState(QByteArray::fromBase64(QByteArray::fromStdString(toolBar)));
    }
    // The divider goes where it was once the window has its final layout, on the first show.
    dividerY_ = GetSettingInt(kSection, "DividerY", 0);
    if (GetSettingBool(kSection, "Maximized", false)) {
        setWindowState(windowState() | Qt::WindowMaximized);
    }
}

void MainDialog::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (dividerY_ > 0) {
        QTimer::singleShot(0, this, [this] {
            const int total = divider_->sizes().value(0) + divider_->sizes().value(1);
            if (dividerY_ > 0 && dividerY_ < total) {
                divider_->setSizes({dividerY_, total - dividerY_});
            }
            dividerY_ = 0;
        });
    }
}

void MainDialog::SavePlacement() {
    // A maximised window keeps the place it goes back to.
    const bool maximized = isMaximized();
    const QRect normal = normalGeometry();
    const QPoint position = maximized && normal.isValid() ? normal.topLeft() : pos();
    const QSize size = maximized && normal.isValid() ? normal.size() : this->size();
    SetSettingBool(kSection, "Maximized", maximized);
    SetSettingInt(kSection, "X", position.x());
    SetSettingInt(kSection, "Y", position.y());
    SetSettingInt(kSection, "Width", size.width());
    SetSettingInt(kSection, "Height", size.height());
    SetSettingInt(kSection, "DividerY", divider_->sizes().value(0));
    SetSetting(kToolBarSection, toolBar_->objectName().toStdString(),
               saveState().toBase64().toStdString());
}
