#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>

// The user-interface thread's queue of deferred work. Post may be called from any thread; the
// front end runs the posted work later on the user-interface thread.
class LEventQueue {
public:
    virtual ~LEventQueue() = default;
    virtual void Post(std::function<void()> work) = 0;
};

// A queue whose owner runs the pending work itself: the command-line program drains it while a
// process asks whether it is stopped, tests drain it when they choose.
class ManualEventQueue final : public LEventQueue {
public:
    void Post(std::function<void()> work) override;
    // Runs the work posted so far (and work posted by it); returns how many items ran.
    int DispatchPending();

private:
    std::mutex mutex_;
    std::deque<std::function<void()>> pending_;
};

// Receives notifications on the user-interface thread. A notification that arrives after its
// handler was destroyed is dropped instead of reaching freed memory.
class LQueuedNotifyDataHandler {
public:
    explicit LQueuedNotifyDataHandler(LEventQueue* queue)
        : queue_(queue), alive_(std::make_shared<char>(0)) {}
    virtual ~LQueuedNotifyDataHandler() = default;
    LQueuedNotifyDataHandler(const LQueuedNotifyDataHandler&) = delete;
    LQueuedNotifyDataHandler& operator=(const LQueuedNotifyDataHandler&) = delete;

    // data is null when the sender gave none; the copy is freed after the call returns.
    virtual void OnQueuedNotify(std::uint32_t code, void* data, std::uint32_t size) = 0;

private:
    friend class LQueuedNotifyDataSender;
    LEventQueue* queue_;
    std::shared_ptr<char> alive_;
};

class LQueuedNotifyDataSender {
public:
    void Attach(LQueuedNotifyDataHandler* handler) { handler_ = handler; }
    void Detach() { handler_ = nullptr; }
    // Copies size bytes of data and has the handler's OnQueuedNotify run later on its queue.
    void PostQueuedNotify(std::uint32_t code, const void* data, std::uint32_t size) const;

private:
    LQueuedNotifyDataHandler* handler_ = nullptr;
};

// An object whose OnThreadNotify runs on the user-interface thread after any thread asked for it.
class LThreadQueuedNotify {
public:
    explicit LThreadQueuedNotify(LEventQueue* queue)
        : queue_(queue), alive_(std::make_shared<char>(0)) {}
    virtual ~LThreadQueuedNotify() = default;
    LThreadQueuedNotify(const LThreadQueuedNotify&) = delete;
    LThreadQueuedNotify& operator=(const LThreadQueuedNotify&) = delete;

    void PostThreadNotify();
    virtual void OnThreadNotify() {}

private:
    LEventQueue* queue_;
    std::shared_ptr<char> alive_;
};
