#pragma once

#include <optional>

#include "ui/explorer/explorer_dialog.h"

// One piece of work with the server: the explorer is busy (its commands wait, the keep-alive
// skips), the session is held, and the busy cursor shows unless a progress dialog shows the
// work. Without the session (another operation holds it) it holds nothing and is false. An
// operation that holds the session itself (the open action) gets the busy mark alone.
class LFtpExplorer::Busy {
public:
    enum class Cursor { kShown, kNone };
    enum class Session { kHold, kLeave };

    explicit Busy(LFtpExplorer& explorer, Cursor cursor = Cursor::kShown,
                  Session session = Session::kHold)
        : explorer_(explorer), wasBusy_(explorer.busy_) {
        if (session == Session::kHold) {
            use_.emplace(explorer.session_);
        }
        held_ = !use_ || static_cast<bool>(*use_);
        cursor_ = held_ && cursor == Cursor::kShown;
        if (held_) {
            explorer_.busy_ = true;
        }
        if (cursor_) {
            explorer_.ui_.SetBusy(true);
        }
    }
    ~Busy() {
        if (cursor_) {
            explorer_.ui_.SetBusy(false);
        }
        if (held_) {
            explorer_.busy_ = wasBusy_;
        }
    }
    Busy(const Busy&) = delete;
    Busy& operator=(const Busy&) = delete;

    explicit operator bool() const { return held_; }

private:
    LFtpExplorer& explorer_;
    bool wasBusy_;
    std::optional<SessionInUse> use_;
    bool held_ = false;
    bool cursor_ = false;
};
