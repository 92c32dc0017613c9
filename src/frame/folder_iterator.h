#pragma once

#include <dirent.h>

#include <memory>
#include <string>

// The framework's file helpers.
namespace LFile {

// Walks the entries of one folder. Opened on a plain file, it walks that file's folder with the
// file's name as the pattern; opened on anything else, it walks the path as a folder with the
// pattern "*" (a path that is not a folder gives no entries).
//
//     LFile::FolderIterator entries(path);
//     while (entries.Next()) { ... entries.Name() ... }
class FolderIterator {
public:
    explicit FolderIterator(const std::string& path);
    virtual ~FolderIterator();
    FolderIterator(const FolderIterator&) = delete;
    FolderIterator& operator=(const FolderIterator&) = delete;

    // Moves to the next entry that Accept takes; false when there is none left.
    bool Next();

    const std::string& Name() const { return name_; }
    const std::string& FolderPath() const { return folder_; }
    const std::string& Pattern() const { return pattern_; }
    // The folder path joined with the name.
    std::string Path() const;
    // The name is "." or "..".
    bool IsDots() const;
    // Path() is a folder (symbolic links followed).
    bool IsFolder() const;

protected:
    // Hidden names are skipped; other names are taken when they match the pattern by shell
    // wildcard rules, ignoring case.
    virtual bool Accept(const std::string& name);

private:
    struct CloseFolder {
        void operator()(DIR* folder) const { closedir(folder); }
    };

    std::string folder_;
    std::string pattern_;
    std::string name_;
    std::unique_ptr<DIR, CloseFolder> stream_;
};

// The same walk taking every entry: hidden ones, "." and ".." included (skip those two with
// IsDots()). The pattern is not looked at.
class FolderIteratorAllFiles : public FolderIterator {
public:
    using FolderIterator::FolderIterator;

protected:
    bool Accept(const std::string& name) override;
};

}  // namespace LFile
