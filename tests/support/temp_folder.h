#pragma once

#include <string>

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

// "" when the file cannot be read.
std::string ReadWholeFile(const std::string& path);
bool WriteWholeFile(const std::string& path, const std::string& bytes);
