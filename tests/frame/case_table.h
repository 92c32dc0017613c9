#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "support/temp_folder.h"

// Tables of cases in tests/data: a case a line, tab-separated fields, the first naming the case,
// '#' starting a comment; escapes \t \n \r \0 \\ \xHH, and {N*text} for text written N times.
struct CaseRow {
    std::string name;  // "file:line name", for failure messages
    std::vector<std::string> fields;
};

inline std::string Unescape(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        char* end = nullptr;
        const unsigned long count = std::strtoul(text.c_str() + i + 1, &end, 10);
        const std::size_t star = static_cast<std::size_t>(end - text.c_str());
        const std::size_t close = text.find('}', star);
        const char c = i + 1 < text.size() ? text[i + 1] : '\\';
        const std::size_t known = std::string("ntr0").find(c);  // "0": the literal's own NUL
        if (text[i] == '{' && star > i + 1 && text[star] == '*' && close != std::string::npos) {
            const std::string unit = Unescape(text.substr(star + 1, close - star - 1));
            for (unsigned long n = 0; n < count; ++n) {
                out += unit;
            }
            i = close;
        } else if (text[i] == '\\') {
            out += c == 'x' ? static_cast<char>(std::stoi(text.substr(i + 2, 2), nullptr, 16))
                   : known != std::string::npos ? "\n\t\r"[known]
                                                : c;
            i += c == 'x' ? 3 : 1;
        } else {
            out += text[i];
        }
    }
    return out;
}

// The rows of tests/data/<file>.
inline std::vector<CaseRow> LoadCases(const std::string& file) {
    std::ifstream in(std::string(BRINDLE_TEST_DATA_DIR) + "/" + file);
    std::vector<CaseRow> rows;
    int number = 0;
    for (std::string line; std::getline(in, line) && ++number > 0;) {
        std::istringstream cells(line + "\t");  // so that an empty last field counts
        CaseRow row{file + ":" + std::to_string(number) + " ", {}};
        for (std::string cell; line[0] != '#' && std::getline(cells, cell, '\t');) {
            row.fields.push_back(Unescape(cell));
        }
        if (!row.fields.empty() && !line.empty()) {
            row.name += row.fields.front();
            row.fields.erase(row.fields.begin());
            rows.push_back(row);
        }
    }
    EXPECT_FALSE(rows.empty()) << "no cases in " << file;
    return rows;
}

inline std::string Text(bool value) {
    return value ? "true" : "false";
}

using Steps = std::map<std::string, std::function<std::string(const std::vector<std::string>&)>>;

// Runs a table of steps: rows of one case follow each other, each naming the step, its arguments
// and what the step gives. Each case starts with fresh(folder) for a new folder, which {ROOT}
// in its rows stands for.
inline void RunSteps(const std::string& file, const Steps& steps,
                     const std::function<void(const std::string&)>& fresh) {
    TempFolder temp;
    std::string current;
    int cases = 0;
    for (const CaseRow& row : LoadCases(file)) {
        if (row.name.substr(row.name.find(' ')) != current) {
            current = row.name.substr(row.name.find(' '));
            fresh(temp.File(std::to_string(++cases)));
        }
        std::vector<std::string> values = row.fields;
        for (std::string& value : values) {
            for (std::size_t at; (at = value.find("{ROOT}")) != std::string::npos;) {
                value.replace(at, 6, temp.File(std::to_string(cases)));
            }
        }
        ASSERT_TRUE(values.size() >= 2 && steps.contains(values[0])) << row.name;
        const std::vector<std::string> args(values.begin() + 1, values.end() - 1);
        EXPECT_EQ(steps.at(values[0])(args), values.back()) << row.name;
    }
}
