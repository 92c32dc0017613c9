#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

// File and program helpers. None of them follows a symbolic link found
// inside a folder, and none of them runs a shell: programs get their arguments one by one.

// Runs the program (argv[0], an absolute path) with the other arguments, its standard streams
// on /dev/null, and waits for it. True when it exited normally with status 0.
bool RunProgram(const std::vector<std::string>& argv);

// An argument that a program cannot take for an option ("./" before a leading '-').
std::string PathArgument(const std::string& path);

// The most of `mode` the user's file-creation mask allows: the program keeps the umask, so
// nothing it opens up becomes writable by other users unless the user wants that.
mode_t ModeWithinUmask(mode_t mode);

bool PathExists(const std::string& path);
bool IsFolderPath(const std::string& path);

// Gives the path and, when it is a folder, everything below it exactly `mode`. Returns the
// items whose mode could not be changed.
std::vector<std::string> SetModeRecursively(const std::string& path, mode_t mode);
// The plain files at or below the path that lack one of the execute bits in `bits`.
std::vector<std::string> FilesLackingExecuteBits(const std::string& path, mode_t bits);

// Copies a plain file in blocks of 8192 bytes; the copy gets `mode`. No partial copy is left.
bool CopyFileBytes(const std::string& source, const std::string& target, mode_t mode);

// Deletes whatever lies at the path, a folder with everything in it included.
void RemovePath(const std::string& path);
