#pragma once

#include <cstdint>

// Outcome of every process, wait, socket and engine operation.
using LProcessResult = std::int32_t;

inline constexpr LProcessResult LPROCESS_OK = 0;
inline constexpr LProcessResult LPROCESS_STOPPED = 1;
inline constexpr LProcessResult LPROCESS_FAILED = 2;

// A wait with this time-out has no time limit.
inline constexpr std::uint32_t kWaitForever = 0xFFFFFFFFu;

// The texts that list processes write into the status field of each item.
const char* ProcessResultText(LProcessResult result);
