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
