#pragma once

#include <QPlainTextEdit>
#include <memory>
#include <string>

#include "ui/process/qt_event_queue.h"

class LLogger;

// The main window's log pane: a read-only view of the newest lines the logger wrote, from any
// thread, kept scrolled to the end. It feeds from the logger from construction to destruction.
class LogPane : public QPlainTextEdit {
    Q_OBJECT

public:
    explicit LogPane(LLogger& logger, QWidget* parent = nullptr);
    // Fed by the process-wide logger.
    explicit LogPane(QWidget* parent = nullptr);
    ~LogPane() override;

private:
    class Feed;

    void ShowText(const std::string& text);

    QtEventQueue queue_;
    std::unique_ptr<Feed> feed_;  // after queue_: unregistered before the queue goes
};
