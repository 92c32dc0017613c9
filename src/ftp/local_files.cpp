#include "ftp/local_files.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool OpenLocked(FileDescriptor& fd, const std::string& path, int flags, int lockOperation,
                int patienceMs) {
    fd = FileDescriptor(open(path.c_str(), flags | O_CLOEXEC, 0666));
    if (!fd.valid()) {
        return false;
    }
    LockFileWithPatience(fd.get(), lockOperation, patienceMs);
    return true;
}

}  // namespace

bool OpenFileForWrite(FileDescriptor& fd, const std::string& path, int patienceMs) {
    if (!OpenLocked(fd, path, O_RDWR | O_CREAT, LOCK_EX, patienceMs)) {
        return false;
    }
    // Emptied only now, so that a reader holding the lock is not cut short mid-file.
    [[maybe_unused]] int truncated = ftruncate(fd.get(), 0);
    return true;
}

bool OpenFileForRead(FileDescriptor& fd, const std::string& path, int patienceMs) {
    if (!OpenLocked(fd, path, O_RDONLY, LOCK_SH, patienceMs)) {
        return false;
    }
    // A folder opens for reading too, but would be sent as an empty file.
    struct stat info {};
    if (fstat(fd.get(), &info) != 0 || S_ISDIR(info.st_mode)) {
        fd.Close();
        return false;
    }
    return true;
}

time_t GetLocalFileTime(const std::string& path) {
    struct stat info {};
    if (stat(path.c_str(), &info) != 0) {
        return 0;
    }
    return info.st_mtime;
}
