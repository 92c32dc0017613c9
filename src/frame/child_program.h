#pragma once

#include <string>
#include <vector>

// How a program run by RunChildProgram ended.
enum class ChildProgramEnd {
    kNotStarted,
    kSucceeded,  // exited normally with status 0
    kFailed,     // exited with another status, or was killed
    kUnknown,    // a reaper of finished children took its status first
};

// Runs argv[0] with the other arguments, one by one and without a shell, and waits for it to
// end. argv[0] is looked up on PATH when searchPath, else taken as a path. Standard input and
// error are /dev/null; standard output is too, unless `output` is given: then it collects what
// the program writes there (at most 4096 bytes are kept).
ChildProgramEnd RunChildProgram(const std::vector<std::string>& argv, bool searchPath,
                                std::string* output = nullptr);
