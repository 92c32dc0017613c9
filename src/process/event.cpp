#include "process/event.h"

#include <fcntl.h>
#include <sys/select.h>
#include <unistd.h>

#include <cerrno>

bool LEvent::Create() {
    int ends[2];
    if (pipe2(ends, O_NONBLOCK | O_CLOEXEC) != 0) {
        readEnd = writeEnd = -1;
        return false;
    }
    readEnd = ends[0];
    writeEnd = ends[1];
    return true;
}

void LEvent::Signal() const {
    if (writeEnd < 0) {
        return;
    }
    const char byte = 1;
    // A full pipe is already signalled; nothing is lost by a failed write.
    [[maybe_unused]] ssize_t written = write(writeEnd, &byte, 1);
}

void LEvent::Reset() const {
    if (readEnd < 0) {
        return;
    }
    char byte;
    for (;;) {
        ssize_t n = read(readEnd, &byte, 1);
        if (n == 1) {
            continue;
        }
        if (n < 0 && errno == EINTR) {
            continue;
        }
        break;
    }
}

void LEvent::Close() {
    if (readEnd >= 0) {
        close(readEnd);
    }
    if (writeEnd >= 0) {
        close(writeEnd);
    }
    readEnd = writeEnd = -1;
}

bool LEvent::IsSignalled() const {
    if (readEnd < 0 || readEnd >= FD_SETSIZE) {
        return false;
    }
    fd_set readSet;
    FD_ZERO(&readSet);
    FD_SET(readEnd, &readSet);
    timeval zero{0, 0};
    return select(readEnd + 1, &readSet, nullptr, nullptr, &zero) > 0;
}
