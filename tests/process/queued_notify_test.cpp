// Deferred notifications: what arrives, when, and what is dropped.
#include "process/queued_notify.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace {

struct Delivery {
    std::uint32_t code;
    bool dataWasNull;
    std::string bytes;
    std::uint32_t size;
    std::thread::id thread;
};

class RecordingHandler final : public LQueuedNotifyDataHandler {
public:
    RecordingHandler(LEventQueue* queue, std::vector<Delivery>& deliveries)
        : LQueuedNotifyDataHandler(queue), deliveries_(deliveries) {}

    void OnQueuedNotify(std::uint32_t code, void* data, std::uint32_t size) override {
        Delivery delivery{code, data == nullptr, {}, size, std::this_thread::get_id()};
        if (data != nullptr) {
            delivery.bytes.assign(static_cast<const char*>(data), size);
        }
        deliveries_.push_back(delivery);
    }

private:
    std::vector<Delivery>& deliveries_;
};

// A handler attached to a sender, both on one queue the test drains.
class PostQueuedNotify : public testing::Test {
protected:
    void SetUp() override { sender.Attach(&handler); }

    ManualEventQueue queue;
    std::vector<Delivery> deliveries;
    RecordingHandler handler{&queue, deliveries};
    LQueuedNotifyDataSender sender;
};

TEST_F(PostQueuedNotify, CodeZeroWithoutDataArrivesAsZeroNullZero) {
    sender.PostQueuedNotify(0, nullptr, 0);
    EXPECT_TRUE(deliveries.empty()) << "delivered only when the queue is drained";
    EXPECT_EQ(queue.DispatchPending(), 1);

    ASSERT_EQ(deliveries.size(), 1u);
    EXPECT_EQ(deliveries[0].code, 0u);
    EXPECT_TRUE(deliveries[0].dataWasNull);
    EXPECT_EQ(deliveries[0].size, 0u);
}

TEST_F(PostQueuedNotify, DeliversCodesInOrder) {
    sender.PostQueuedNotify(0, nullptr, 0);
    sender.PostQueuedNotify(1, nullptr, 0);
    queue.DispatchPending();
    ASSERT_EQ(deliveries.size(), 2u);
    EXPECT_EQ(deliveries[0].code, 0u);
    EXPECT_EQ(deliveries[1].code, 1u);
}

TEST_F(PostQueuedNotify, CopiesTheDataWhenPosting) {
    char buffer[] = "before";
    sender.PostQueuedNotify(7, buffer, sizeof buffer);
    std::memcpy(buffer, "after!", sizeof buffer);
    queue.DispatchPending();

    ASSERT_EQ(deliveries.size(), 1u);
    EXPECT_EQ(deliveries[0].code, 7u);
    EXPECT_FALSE(deliveries[0].dataWasNull);
    EXPECT_EQ(deliveries[0].size, sizeof buffer);
    EXPECT_EQ(deliveries[0].bytes, std::string("before", sizeof buffer));
}

TEST_F(PostQueuedNotify, NothingIsDeliveredWithoutAnAttachedHandler) {
    LQueuedNotifyDataSender neverAttached;
    neverAttached.PostQueuedNotify(1, nullptr, 0);

    sender.Detach();
    sender.PostQueuedNotify(1, "x", 1);

    EXPECT_EQ(queue.DispatchPending(), 0);
    EXPECT_TRUE(deliveries.empty());
}

TEST_F(PostQueuedNotify, FromAnotherThreadRunsOnlyWhenTheQueueIsDrained) {
    std::thread poster([&] { sender.PostQueuedNotify(1, "abc", 3); });
    poster.join();
    EXPECT_TRUE(deliveries.empty());

    queue.DispatchPending();
    ASSERT_EQ(deliveries.size(), 1u);
    EXPECT_EQ(deliveries[0].bytes, "abc");
    EXPECT_EQ(deliveries[0].thread, std::this_thread::get_id());
}

TEST(PostQueuedNotifyLifetime, NotificationForADestroyedHandlerIsDropped) {
    ManualEventQueue queue;
    std::vector<Delivery> deliveries;
    auto handler = std::make_unique<RecordingHandler>(&queue, deliveries);
    LQueuedNotifyDataSender sender;
    sender.Attach(handler.get());
    sender.PostQueuedNotify(1, "data", 4);
    handler.reset();

    queue.DispatchPending();
    EXPECT_TRUE(deliveries.empty());
}

class CountingThreadNotify final : public LThreadQueuedNotify {
public:
    CountingThreadNotify(LEventQueue* queue, std::vector<std::thread::id>& calls)
        : LThreadQueuedNotify(queue), calls_(calls) {}
    void OnThreadNotify() override { calls_.push_back(std::this_thread::get_id()); }

private:
    std::vector<std::thread::id>& calls_;
};

TEST(PostThreadNotify, ReachesOnThreadNotifyOnTheDrainingThread) {
    ManualEventQueue queue;
    std::vector<std::thread::id> calls;
    CountingThreadNotify notify(&queue, calls);

    std::thread poster([&] { notify.PostThreadNotify(); });
    poster.join();
    EXPECT_TRUE(calls.empty());

    queue.DispatchPending();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0], std::this_thread::get_id());
}

TEST(PostThreadNotify, DroppedAfterTheObjectIsDestroyed) {
    ManualEventQueue queue;
    std::vector<std::thread::id> calls;
    auto notify = std::make_unique<CountingThreadNotify>(&queue, calls);
    notify->PostThreadNotify();
    notify.reset();

    queue.DispatchPending();
    EXPECT_TRUE(calls.empty());
}

}  // namespace
