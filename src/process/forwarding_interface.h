#pragma once

#include "process/process_interface.h"

// Passes every operation on to another interface; a subclass overrides what it watches.
class ForwardingProcessInterface : public LProcessInterface {
public:
    explicit ForwardingProcessInterface(LProcessInterface& inner) : inner_(inner) {}

    bool IsStopped() override { return inner_.IsStopped(); }
    LProcessResult Sleep(std::uint32_t ms) override { return inner_.Sleep(ms); }
    LProcessResult WaitForEvent(LEvent event, std::uint32_t timeoutMs) override {
        return inner_.WaitForEvent(event, timeoutMs);
    }
    LProcessResult WaitForSocket(LSocketSet* set, std::uint32_t timeoutMs) override {
        return inner_.WaitForSocket(set, timeoutMs);
    }
    void ReportError(const char* text) override { inner_.ReportError(text); }
    void SetStatusText(const char* text, std::int32_t line) override {
        inner_.SetStatusText(text, line);
    }
    void SetProgress(double fraction) override { inner_.SetProgress(fraction); }
    void SetProgressIndeterminate() override { inner_.SetProgressIndeterminate(); }
    void SetProgressDeterminate() override { inner_.SetProgressDeterminate(); }

protected:
    ~ForwardingProcessInterface() = default;

private:
    LProcessInterface& inner_;
};

// Shows nothing, but stops when `stopFrom` stops and waits through it, so that a quiet look-up
// still ends at a Cancel or Ctrl+C and a window stays alive meanwhile. Without `stopFrom` it
// is as silent and unstoppable as LProcessInterfaceVoid.
class QuietProcessInterface final : public ForwardingProcessInterface {
public:
    explicit QuietProcessInterface(LProcessInterface* stopFrom)
        : ForwardingProcessInterface(stopFrom != nullptr ? *stopFrom : Unstoppable()) {}

    void ReportError(const char*) override {}
    void SetStatusText(const char*, std::int32_t) override {}
    void SetProgress(double) override {}
    void SetProgressIndeterminate() override {}
    void SetProgressDeterminate() override {}

private:
    // Keeps no state, so one serves every thread.
    static LProcessInterface& Unstoppable() {
        static LProcessInterfaceVoidInstance unstoppable;
        return unstoppable;
    }
};
