#pragma once

// The process's signal dispositions, installed by the programs' mains (never by tests):
// SIGQUIT, SIGILL, SIGFPE and SIGSEGV go to the crash handler with every signal blocked while it
// runs and interrupted calls restarted; SIGPIPE is ignored, so a peer closing a socket cannot end
// the process; SIGCHLD may reap finished children.

struct SignalDispositionOptions {
    // Reaping takes the exit status of any finished child, so it is only for a program whose
    // children nobody waits for. A program that waits for the children it starts (waitpid on
    // their pid) must leave it off, or its waits fail with ECHILD.
    bool reapChildren = true;
};

// True when every disposition was installed.
bool InstallSignalDispositions(const SignalDispositionOptions& options = {});

// The SIGCHLD handler: collects every finished child without waiting; errno is kept.
void ReapFinishedChildren(int signal);
