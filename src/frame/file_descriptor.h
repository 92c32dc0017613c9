#pragma once

#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <utility>

// Owns one open file descriptor and closes it when it goes out of scope.
class FileDescriptor {
public:
    explicit FileDescriptor(int fd = -1) : fd_(fd) {}
    ~FileDescriptor() { Close(); }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    FileDescriptor(FileDescriptor&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
    FileDescriptor& operator=(FileDescriptor&& other) noexcept {
        if (this != &other) {
            Close();
            fd_ = std::exchange(other.fd_, -1);
        }
        return *this;
    }

    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }
    // Gives the descriptor up without closing it.
    int release() { return std::exchange(fd_, -1); }
    // Closes now; false when the close reports an error (data may not have reached the file).
    bool Close() {
        int fd = std::exchange(fd_, -1);
        return fd < 0 || close(fd) == 0;
    }

private:
    int fd_;
};

// Writes all `length` bytes, again after an interrupted write; false when a write fails (a full
// disk, a closed pipe), with part of the bytes perhaps written.
inline bool WriteAll(int fd, const void* bytes, std::size_t length) {
    const char* next = static_cast<const char*>(bytes);
    while (length > 0) {
        ssize_t written = write(fd, next, length);
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            return false;
        }
        next += written;
        length -= static_cast<std::size_t>(written);
    }
    return true;
}
