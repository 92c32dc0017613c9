#include "frame/file_lock.h"

#include <sys/file.h>

#include <cerrno>
#include <chrono>
#include <thread>

bool LockFileWithPatience(int fd, int operation, int patienceMs) {
    for (int waitMs = patienceMs / 32 + 1;; waitMs *= 2) {
        if (flock(fd, operation | LOCK_NB) == 0) {
            return true;
        }
        if (errno != EWOULDBLOCK && errno != EINTR) {
            return false;
        }
        if (waitMs >= patienceMs) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(waitMs));
    }
}
