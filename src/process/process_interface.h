#pragma once

#include <cstdint>

#include "process/event.h"
#include "process/process_result.h"
#include "process/socket_set.h"

// The only channel between a long operation and the user: cancel requests, waits that keep
// the user interface alive, status texts, progress and errors. Objects are never deleted
// through this interface, so it has no virtual destructor on purpose.
class LProcessInterface {
public:
    virtual bool IsStopped() = 0;
    virtual LProcessResult Sleep(std::uint32_t ms) = 0;
    virtual LProcessResult WaitForEvent(LEvent event, std::uint32_t timeoutMs) = 0;
    virtual LProcessResult WaitForSocket(LSocketSet* set, std::uint32_t timeoutMs) = 0;
    virtual void ReportError(const char* text) = 0;
    virtual void SetStatusText(const char* text, std::int32_t line) = 0;
    virtual void SetProgress(double fraction) = 0;
    virtual void SetProgressIndeterminate() = 0;
    virtual void SetProgressDeterminate() = 0;

protected:
    ~LProcessInterface() = default;
};

// The non-pumping form of IsStopped: reads the stop flag without dispatching events.
class LProcessEventsHandler {
public:
    virtual bool IsStopped() = 0;

protected:
    ~LProcessEventsHandler() = default;
};

// Shows nothing: texts, errors and progress are dropped. Its stop and its waits are those of the
// interface it forwards to, so a quiet look-up inside a running operation ends at that
// operation's Cancel, and a window whose stop check runs its events stays alive while it waits.
// Forwarding to none, it can never be stopped and waits in the system's own calls (for runs
// without a user interface).
class LProcessInterfaceVoid : public LProcessInterface {
public:
    LProcessInterfaceVoid() = default;
    explicit LProcessInterfaceVoid(LProcessInterface& forwardTo) : forwardTo_(&forwardTo) {}

    bool IsStopped() override { return forwardTo_ != nullptr && forwardTo_->IsStopped(); }
    LProcessResult Sleep(std::uint32_t ms) override;
    LProcessResult WaitForEvent(LEvent event, std::uint32_t timeoutMs) override;
    LProcessResult WaitForSocket(LSocketSet* set, std::uint32_t timeoutMs) override;
    void ReportError(const char*) override {}
    void SetStatusText(const char*, std::int32_t) override {}
    void SetProgress(double) override {}
    void SetProgressIndeterminate() override {}
    void SetProgressDeterminate() override {}

protected:
    ~LProcessInterfaceVoid() = default;
    // Null: the system's own waits.
    void ForwardTo(LProcessInterface* target) { forwardTo_ = target != this ? target : nullptr; }

private:
    LProcessInterface* forwardTo_ = nullptr;
};

// A Void interface that can be created on its own; given an interface, the silent form of it.
class LProcessInterfaceVoidInstance final : public LProcessInterfaceVoid {
public:
    using LProcessInterfaceVoid::LProcessInterfaceVoid;
};

// Runs one item of a list process: its progress fills the item's share of the parent's bar,
// and its line-0 texts are dropped so the parent keeps its per-item counter on that line.
class ChildInterface final : public LProcessInterface {
public:
    ChildInterface(LProcessInterface* parent, std::int32_t count, std::int32_t index)
        : parent(parent), count(count), index(index) {}

    bool IsStopped() override { return parent->IsStopped(); }
    LProcessResult Sleep(std::uint32_t ms) override { return parent->Sleep(ms); }
    LProcessResult WaitForEvent(LEvent event, std::uint32_t timeoutMs) override {
        return parent->WaitForEvent(event, timeoutMs);
    }
    LProcessResult WaitForSocket(LSocketSet* set, std::uint32_t timeoutMs) override {
        return parent->WaitForSocket(set, timeoutMs);
    }
    void ReportError(const char*) override {}
    void SetStatusText(const char* text, std::int32_t line) override;
    void SetProgress(double fraction) override;
    void SetProgressIndeterminate() override {}
    void SetProgressDeterminate() override {}

    LProcessInterface* parent;
    std::int32_t count;
    std::int32_t index;
};

// select() with a millisecond time-out, where kWaitForever waits without limit.
int SelectWithTimeout(int maxFd, fd_set* readSet, fd_set* writeSet, fd_set* exceptSet,
                      std::uint32_t timeoutMs);
