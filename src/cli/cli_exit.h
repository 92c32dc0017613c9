#pragma once

#include <string_view>

#include "process/process_result.h"

// Exit statuses of brindleftp-cli; scripts rely on them.
inline constexpr int kExitDone = 0;
inline constexpr int kExitStopped = 1;
inline constexpr int kExitFailed = 2;
inline constexpr int kExitUsage = 64;

// 0 for LPROCESS_OK, 1 for LPROCESS_STOPPED, 2 for anything else.
int ExitStatusForResult(LProcessResult result);

// Prints "brindleftp-cli: MESSAGE" as one line on stderr and returns kExitUsage.
int UsageError(std::string_view message);
