#pragma once

// How long the program waits for another process's advisory lock on a file it opens.
inline constexpr int kFileLockPatienceMs = 500;

// A non-blocking flock (LOCK_EX or LOCK_SH) tried while another holder blocks it, with waits of
// patience / 32 + 1 ms doubling after each try until the wait reaches the patience (16, 32, 64,
// 128 and 256 ms for 500). True when the lock was obtained; callers go on without it.
bool LockFileWithPatience(int fd, int operation, int patienceMs = kFileLockPatienceMs);
