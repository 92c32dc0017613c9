#pragma once

#include <ctime>
#include <string>

#include "frame/file_descriptor.h"
#include "frame/file_lock.h"

// The local ends of transfers. Both openers wait a little for another process's advisory lock
// and go on without it; files are created with the user's umask (0666 at most).

// Opens or creates the file for writing under an exclusive lock, then empties it. False, with
// fd not valid, when it cannot be opened.
bool OpenFileForWrite(FileDescriptor& fd, const std::string& path,
                      int patienceMs = kFileLockPatienceMs);
// Opens the file for reading under a shared lock.
bool OpenFileForRead(FileDescriptor& fd, const std::string& path,
                     int patienceMs = kFileLockPatienceMs);
// The file's modification time; 0 when it cannot be examined.
time_t GetLocalFileTime(const std::string& path);
