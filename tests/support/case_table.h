#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

// Tables of cases in tests/data: a case a line, tab-separated cells, the first naming the case,
// '#' starting a comment. Cells and scripts share one set of escapes: \r \n \t \\ \0 \xHH, and
// {N*text} for text written N times.
struct CaseRow {
    std::string name;                 // "file:line first-cell", for failure messages
    std::vector<std::string> fields;  // every cell unescaped, the first included
};

std::string Unescape(const std::string& text);
// `text` with every {KEY} replaced by the value of KEY.
std::string Substitute(std::string text, const std::map<std::string, std::string>& values);
std::vector<std::string> Split(const std::string& text, char separator);
std::string TestDataPath(const std::string& relative);
// The rows of tests/data/<file>; a test failure when there are none.
std::vector<CaseRow> LoadCases(const std::string& file);

inline std::string Text(bool value) {
    return value ? "true" : "false";
}

using Steps = std::map<std::string, std::function<std::string(const std::vector<std::string>&)>>;

// Runs a table of steps: rows of one case follow each other, each naming the step, its arguments
// and what the step gives. Each case starts with fresh(folder) for a new folder, which {ROOT}
// in its rows stands for.
void RunSteps(const std::string& file, const Steps& steps,
              const std::function<void(const std::string&)>& fresh);
