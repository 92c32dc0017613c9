#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "support/temp_folder.h"

// Reads the tables of tests/data: C escapes (\r \n \t \\ \0 \xHH), and {N*c} for N times c.
inline std::string Unescape(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const std::size_t star = text.find('*', i);
        if (text[i] == '{' && star != std::string::npos && text.find('}', i) == star + 2) {
            out.append(std::strtoul(text.c_str() + i + 1, nullptr, 10), text[star + 1]);
            i = star + 2;
        } else if (text[i] != '\\' || i + 1 == text.size()) {
            out += text[i];
        } else if (const char c = text[++i]; c == 'x') {
            out += static_cast<char>(std::stoi(text.substr(i + 1, 2), nullptr, 16));
            i += 2;
        } else {
            out += c == 'r' ? '\r' : c == 'n' ? '\n' : c == 't' ? '\t' : c == '0' ? '\0' : c;
        }
    }
    return out;
}

inline std::vector<std::string> Split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    for (std::size_t start = 0, end = 0; end != std::string::npos; start = end + 1) {
        end = text.find(separator, start);
        parts.push_back(text.substr(start, end - start));
    }
    return parts;
}

// The lines of a file under tests/data, without notes ('#') and empty lines.
inline std::vector<std::string> DataLines(const std::string& file) {
    std::vector<std::string> lines;
    for (const std::string& line : Split(ReadWholeFile(BRINDLE_TEST_DATA_DIR "/" + file), '\n')) {
        if (!line.empty() && line[0] != '#') {
            lines.push_back(line);
        }
    }
    EXPECT_FALSE(lines.empty()) << file;
    return lines;
}
