#pragma once

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "frame/folder_iterator.h"
#include "frame/paths.h"
#include "support/temp_folder.h"

// What the daily log files received since this object was made, across a change of day.
class LogTail {
public:
    LogTail() {
        for (const auto& [path, text] : Files()) {
            seen_[path] = text.size();
        }
    }

    // The new text of every daily file, oldest day first (file names sort by day).
    std::string Text() const {
        std::string text;
        for (const auto& [path, all] : Files()) {
            text += all.substr(seen_.contains(path) ? std::min(seen_.at(path), all.size()) : 0);
        }
        return text;
    }
    bool Contains(const std::string& piece) const {
        return Text().find(piece) != std::string::npos;
    }
    // The new lines without their "hh:mm:ss " time stamps.
    std::vector<std::string> Lines() const {
        std::vector<std::string> lines;
        const std::string text = Text();
        for (std::size_t at = 0, end; at < text.size(); at = end + 2) {
            end = std::min(text.find("\r\n", at), text.size());
            const std::string line = text.substr(at, end - at);
            lines.push_back(line.size() > 9 ? line.substr(9) : line);
        }
        return lines;
    }

private:
    static std::map<std::string, std::string> Files() {
        std::map<std::string, std::string> files;
        LFile::FolderIterator file(GetLogFolder());
        while (file.Next()) {
            files[file.Path()] = ReadWholeFile(file.Path());
        }
        return files;
    }

    std::map<std::string, std::size_t> seen_;
};
