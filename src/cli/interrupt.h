#pragma once

#include <termios.h>

// Ctrl+C in brindleftp-cli. While a process runs under a progress line, Ctrl+C only asks it to
// stop, as the Cancel button of a progress dialog does. Elsewhere (the walks that build a
// transfer queue run without a progress dialog and cannot be cancelled) it ends the program at
// once with status 1.

// Installs the SIGINT handler. Blocking calls are not restarted after it ran, so a wait sees
// the request at once.
bool InstallInterruptHandler();

// The stop flag, which only counts inside an interruptible scope. RequestStop is what Ctrl+C
// does there; it may be called from any thread and from a signal handler.
bool StopRequested();
void RequestStop();

// While one exists, Ctrl+C sets the stop flag instead of ending the program. The outermost
// scope starts with a cleared flag; scopes nest.
class InterruptibleScope {
public:
    InterruptibleScope();
    ~InterruptibleScope();
    InterruptibleScope(const InterruptibleScope&) = delete;
    InterruptibleScope& operator=(const InterruptibleScope&) = delete;
};

// While one exists, a Ctrl+C that ends the program first puts the terminal's settings back
// (the password prompt turns echo off).
class TerminalRestoreScope {
public:
    TerminalRestoreScope(int fd, const termios& settings);
    ~TerminalRestoreScope();
    TerminalRestoreScope(const TerminalRestoreScope&) = delete;
    TerminalRestoreScope& operator=(const TerminalRestoreScope&) = delete;
};
