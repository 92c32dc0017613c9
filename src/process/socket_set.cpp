#include "process/socket_set.h"

bool LSocketSet::Add(int fd) {
    if (fd < 0 || fd >= FD_SETSIZE) {
        return false;
    }
    FD_SET(fd, &set);
    if (fd > maxFd) {
        maxFd = fd;
    }
    return true;
}
