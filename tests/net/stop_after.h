#pragma once

#include <chrono>

#include "process/process_interface.h"

// A silent process interface whose user presses Cancel after the given time.
class StopAfter final : public LProcessInterfaceVoid {
public:
    explicit StopAfter(std::chrono::milliseconds delay)
        : stopAt_(std::chrono::steady_clock::now() + delay) {}
    bool IsStopped() override { return std::chrono::steady_clock::now() >= stopAt_; }
    std::chrono::steady_clock::time_point stopAt() const { return stopAt_; }

private:
    std::chrono::steady_clock::time_point stopAt_;
};

inline double SecondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}
