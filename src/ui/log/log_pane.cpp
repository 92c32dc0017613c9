#include "ui/log/log_pane.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QScrollBar>
#include <QTextCursor>

#include "frame/logger.h"
#include "frame/status_window.h"

class LogPane::Feed final : public LLogWindow {
public:
    Feed(LLogger& logger, LEventQueue* queue, LogPane& pane)
        : LLogWindow(logger, queue), pane_(pane) {}
    void UpdateView() override { pane_.ShowText(Text()); }

private:
    LogPane& pane_;
};

LogPane::LogPane(LLogger& logger, QWidget* parent) : QPlainTextEdit(parent) {
    setReadOnly(true);
    setUndoRedoEnabled(false);
    setLineWrapMode(QPlainTextEdit::NoWrap);
    // Server replies line up in columns in a fixed font.
    setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    setTabStopDistance(QFontMetrics(font()).horizontalAdvance(QStringLiteral("00:00:00  ")));
    setAccessibleName(tr("Log"));
    setObjectName(QStringLiteral("401"));
    feed_ = std::make_unique<Feed>(logger, &queue_, *this);
}

LogPane::LogPane(QWidget* parent) : LogPane(TheLogger(), parent) {}

LogPane::~LogPane() = default;

void LogPane::ShowText(const std::string& text) {
    // The buffer's cut may fall inside a character; it shows as a replacement mark.
    setPlainText(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
    moveCursor(QTextCursor::End);
    QScrollBar* bar = verticalScrollBar();
    bar->setValue(bar->maximum());
}
