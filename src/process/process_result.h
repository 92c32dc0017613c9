#pragma once

#include <cstdint>

// Outcome of every process, wait, socket and engine operation. A dropped result is a missed
// failure or stop, so every function that returns one must have it looked at.
// clang-format 14 takes the brace after an attributed enum for an initialiser.
// clang-format off
enum [[nodiscard]] LProcessResult : std::int32_t {
    LPROCESS_OK = 0,
    LPROCESS_STOPPED = 1,
    LPROCESS_FAILED = 2,
};
// clang-format on

// A wait with this time-out has no time limit.
inline constexpr std::uint32_t kWaitForever = 0xFFFFFFFFu;

// The texts that list processes write into the status field of each item.
const char* ProcessResultText(LProcessResult result);
