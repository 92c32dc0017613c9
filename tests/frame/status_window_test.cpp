#include "frame/status_window.h"

#include <gtest/gtest.h>

#include <string>

namespace {

class CountingStatusWindow : public LStatusWindow {
public:
    using LStatusWindow::LStatusWindow;
    void UpdateView() override {
        ++updates;
        shown = Text();
    }
    int updates = 0;
    std::string shown;
};

TEST(LStatusWindow, AppendsTimeTabTextAndCutsLinesAt259Bytes) {
    // "12:00:00" + tab is 9 bytes, so a text of 249 bytes makes a whole 259-byte line.
    struct Case {
        std::size_t textLength;
        std::string expectedTail;
        std::size_t expectedLength;
    } cases[] = {
        {5, "xxxxx\n", 15},
        {249, "x\n", 259},
        {250, "xx", 259},  // one byte too many: the line break is lost
        {400, "xx", 259},
    };
    for (const Case& c : cases) {
        LStatusWindow window(nullptr);
        window.AddLine("12:00:00", std::string(c.textLength, 'x'));
        std::string text = window.Text();
        EXPECT_EQ(text.size(), c.expectedLength) << c.textLength;
        EXPECT_EQ(text.substr(0, 9), "12:00:00\t");
        EXPECT_TRUE(text.ends_with(c.expectedTail)) << c.textLength;
    }
}

TEST(LStatusWindow, DropsTheOldest2048BytesAtOnceNearFourKilobytes) {
    LStatusWindow window(nullptr);
    std::string all;
    std::string previous;
    // Lines of 100 bytes, each unique, so the check sees exactly which bytes went.
    for (int i = 0;; ++i) {
        std::string message = std::to_string(1000 + i) + std::string(86, '.');
        std::string line = "12:00:00\t" + message + "\n";
        ASSERT_EQ(line.size(), 100u);
        previous = window.Text();
        window.AddLine("12:00:00", message);
        all += line;
        if (window.Text() != all) {
            // 3900 bytes held: adding 260 more would pass 4095.
            EXPECT_EQ(previous.size(), 3900u);
            EXPECT_EQ(window.Text(), previous.substr(2048) + line);
            break;
        }
        ASSERT_LT(all.size(), 4096u) << "the buffer never dropped anything";
    }
}

TEST(LStatusWindow, RefreshesOnlyThroughTheQueueOncePerLine) {
    ManualEventQueue queue;
    CountingStatusWindow window(&queue);
    window.AddLine("01:02:03", "one");
    window.AddLine("01:02:04", "two");
    EXPECT_EQ(window.updates, 0);
    EXPECT_EQ(queue.DispatchPending(), 2);
    EXPECT_EQ(window.updates, 2);
    EXPECT_EQ(window.shown, "01:02:03\tone\n01:02:04\ttwo\n");
}

}  // namespace
