#pragma once

#include <chrono>

// Seconds from `start` until now, on the monotonic clock.
inline double SecondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}
