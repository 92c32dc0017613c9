#include <gtest/gtest.h>

#include <QTimer>

#include "ui/process/event_pump.h"

// A queued event posted before a wait runs during the wait's pumping.
TEST(EventPump, RunsAQueuedEvent) {
    bool ran = false;
    QTimer::singleShot(0, [&ran] { ran = true; });
    PumpPendingEventsNow();
    EXPECT_TRUE(ran);
}
