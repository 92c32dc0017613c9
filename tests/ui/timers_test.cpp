// Timers and queued notifications on the window thread's event loop.
#include <gtest/gtest.h>

#include <QTest>
#include <string>
#include <thread>
#include <vector>

#include "process/queued_notify.h"
#include "ui/process/qt_event_queue.h"
#include "ui/process/timer_handler.h"

namespace {

// Writes the timers that fire into a log the test owns, so even a destroyed handler's timer
// would show there.
struct TimerLog final : LTimerHandler {
    TimerLog(std::string name, std::vector<std::string>& fired)
        : name(std::move(name)), fired(fired) {}
    void OnTimer(std::int32_t id) override { fired.push_back(name + std::to_string(id)); }
    std::string name;
    std::vector<std::string>& fired;
};

struct NotifyLog final : LQueuedNotifyDataHandler, LThreadQueuedNotify {
    explicit NotifyLog(LEventQueue* queue)
        : LQueuedNotifyDataHandler(queue), LThreadQueuedNotify(queue) {}
    void OnQueuedNotify(std::uint32_t code, void* data, std::uint32_t size) override {
        seen.push_back(std::to_string(code) + " " +
                       (data ? std::string(static_cast<char*>(data), size) : "null") + " " +
                       std::to_string(size) + Where());
    }
    void OnThreadNotify() override { seen.push_back("thread" + Where()); }
    std::string Where() const {
        return std::this_thread::get_id() == windowThread ? "" : " elsewhere";
    }

    std::vector<std::string> seen;
    std::thread::id windowThread = std::this_thread::get_id();
};

}  // namespace

// The sentinel fires after 100 ms: before it only what was armed for 10 ms and kept armed.
TEST(Timers, FireOnceAtTheirLastArmingAndNeverOnceKilledOrDestroyed) {
    std::vector<std::string> fired;
    TimerLog handler("h", fired);
    TimerLog sentinel("s", fired);
    handler.SetTimer(1, 0);    // 0 is 10 ms
    handler.SetTimer(2, 0);    // armed again: moved past the sentinel, still one timer
    handler.SetTimer(2, 300);  // (a second one would fire before the sentinel)
    handler.SetTimer(3, 0);
    handler.KillTimer(3);
    handler.SetTimer(-1, 0);  // ignored
    {
        TimerLog gone("g", fired);
        gone.SetTimer(4, 0);
    }
    sentinel.SetTimer(9, 100);
    // 2 s: only a hang guard.
    EXPECT_TRUE(QTest::qWaitFor([&] { return fired.size() >= 3; }, 2000));
    EXPECT_EQ(fired, (std::vector<std::string>{"h1", "s9", "h2"}));
}

// From another thread: code 0 arrives without data, and data arrives as it was when posted.
TEST(QueuedNotifications, ArriveOnTheWindowThreadWithACopyOfTheirData) {
    QtEventQueue queue;
    NotifyLog log(&queue);
    LQueuedNotifyDataSender sender;
    sender.Attach(&log);
    std::thread([&] {
        char buffer[] = "sent";
        sender.PostQueuedNotify(0, nullptr, 0);
        sender.PostQueuedNotify(7, buffer, 4);
        buffer[0] = 'X';
        log.PostThreadNotify();
    }).join();
    EXPECT_TRUE(log.seen.empty()) << "ran before the window's events did";
    EXPECT_TRUE(QTest::qWaitFor([&] { return log.seen.size() == 3; }, 2000));
    EXPECT_EQ(log.seen, (std::vector<std::string>{"0 null 0", "7 sent 4", "thread"}));
    sender.Detach();
}
