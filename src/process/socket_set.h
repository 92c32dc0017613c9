#pragma once

#include <sys/select.h>

#include <cstdint>

// A descriptor set for select() together with the highest descriptor it holds.
struct LSocketSet {
    fd_set set;
    std::int32_t maxFd = -1;

    LSocketSet() { FD_ZERO(&set); }

    // Descriptors at or above FD_SETSIZE cannot be waited on with select(); Add refuses them.
    bool Add(int fd);
    bool Contains(int fd) const { return fd >= 0 && fd < FD_SETSIZE && FD_ISSET(fd, &set); }
};
