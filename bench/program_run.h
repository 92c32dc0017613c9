#pragma once

#include <sys/types.h>

#include <chrono>
#include <string>
#include <vector>

// What the benches share to run another program and time it.
using Clock = std::chrono::steady_clock;

inline double SecondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// Starts args[0] with args, its stdout on outFd (-1: this program's); -1 when it could not start.
pid_t Spawn(std::vector<std::string> args, int outFd);

struct ProgramRun {
    int status = -1;  // the exit status; -1 when it did not exit normally
    long lines = 0;   // lines printed on stdout
    double seconds = 0;
};

// Runs program with args to its end, counting the lines it prints on stdout.
ProgramRun RunCountingLines(const std::string& program, std::vector<std::string> args);
