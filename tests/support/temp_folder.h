#pragma once

#include <string>
#include <vector>

// A fresh folder under $TMPDIR (or /tmp), removed with everything in it when the object dies.
class TempFolder {
public:
    explicit TempFolder(const std::string& prefix = "brindle");
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::string& path() const { return path_; }
    std::string File(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

// Reads a whole file; "" when it cannot be read.
std::string ReadWholeFile(const std::string& path);
// Writes (replaces) a whole file; false on failure.
bool WriteWholeFile(const std::string& path, const std::string& bytes);

// The path of a file under the test data folder (tests/data).
std::string TestDataPath(const std::string& relative);
// The rows of a tab-separated table under the test data folder (`file` relative to it), each
// split at its tabs; lines that are empty or start with '#' are left out. A test failure when
// the file cannot be read.
std::vector<std::vector<std::string>> ReadDataTable(const std::string& file);
