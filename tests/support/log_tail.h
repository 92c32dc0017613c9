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
    LogTail() : folder_(GetLogFolder()) {
        LFile::FolderIterator files(folder_);
        while (files.Next()) {
            seen_[files.Name()] = ReadWholeFile(files.Path()).size();
        }
    }

    // The new text of every daily file, oldest day first.
    std::string Text() const {
        std::map<std::string, std::string> days;  // by file name, which sorts by day
        LFile::FolderIterator files(folder_);
        while (files.Next()) {
            std::string text = ReadWholeFile(files.Path());
            auto known = seen_.find(files.Name());
            std::size_t from = known == seen_.end() ? 0 : std::min(known->second, text.size());
            days[files.Name()] = text.substr(from);
        }
        std::string text;
        for (const auto& [name, part] : days) {
            text += part;
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
    std::string folder_;
    std::map<std::string, std::size_t> seen_;
};
