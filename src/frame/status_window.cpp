#include "frame/status_window.h"

#include <algorithm>

#include "frame/logger.h"
#include "frame/text_limits.h"

LStatusWindow::LStatusWindow(LEventQueue* queue) : LThreadQueuedNotify(queue) {
    buffer_.reserve(kBufferSize);
}

void LStatusWindow::AddLine(std::string_view lineTime, std::string_view text) {
    std::string line;
    line.reserve(lineTime.size() + text.size() + 2);
    line.append(lineTime).append("\t").append(text).append("\n");
    {
        std::lock_guard<std::mutex> lock(mutex_);
        // Room is made in one large step, so the pane is not rewritten for every line; the cut
        // may fall inside a line.
        if (buffer_.size() + kTextLimit + 1 > kBufferSize - 1) {
            buffer_.erase(0, std::min(kDropSize, buffer_.size()));
        }
        buffer_.append(line, 0, kTextLimit);
    }
    PostThreadNotify();
}

std::string LStatusWindow::Text() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return buffer_;
}

LLogWindow::LLogWindow(LLogger& logger, LEventQueue* queue)
    : LStatusWindow(queue), logger_(logger) {
    logger_.SetWindow(this);
}

LLogWindow::~LLogWindow() {
    logger_.SetWindow(nullptr);
}
