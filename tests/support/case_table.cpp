#include "support/case_table.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

#include "support/temp_folder.h"

std::string Unescape(const std::string& text) {
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

std::string Substitute(std::string text, const std::map<std::string, std::string>& values) {
    for (const auto& [key, value] : values) {
        const std::string marker = "{" + key + "}";
        for (auto at = text.find(marker); at != std::string::npos;
             at = text.find(marker, at + value.size())) {
            text.replace(at, marker.size(), value);
        }
    }
    return text;
}

std::vector<std::string> Split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    for (std::size_t start = 0, end = 0; end != std::string::npos; start = end + 1) {
        end = text.find(separator, start);
        parts.push_back(text.substr(start, end - start));
    }
    return parts;
}

std::string TestDataPath(const std::string& relative) {
    return std::string(BRINDLE_TEST_DATA_DIR) + "/" + relative;
}

std::vector<CaseRow> LoadCases(const std::string& file) {
    std::ifstream in(TestDataPath(file));
    std::vector<CaseRow> rows;
    int number = 0;
    for (std::string line; std::getline(in, line);) {
        ++number;
        if (!line.empty() && line[0] != '#') {
            CaseRow& row = rows.emplace_back(CaseRow{{}, Split(line, '\t')});
            for (std::string& field : row.fields) {
                field = Unescape(field);
            }
            row.name = file + ":" + std::to_string(number) + " " + row.fields[0];
        }
    }
    EXPECT_FALSE(rows.empty()) << "no cases in " << file;
    return rows;
}

void RunSteps(const std::string& file, const Steps& steps,
              const std::function<void(const std::string&)>& fresh) {
    TempFolder temp;
    std::string current;
    int cases = 0;
    for (const CaseRow& row : LoadCases(file)) {
        if (row.fields[0] != current) {
            current = row.fields[0];
            fresh(temp.File(std::to_string(++cases)));
        }
        std::vector<std::string> values(row.fields.begin() + 1, row.fields.end());
        for (std::string& value : values) {
            value = Substitute(value, {{"ROOT", temp.File(std::to_string(cases))}});
        }
        ASSERT_TRUE(values.size() >= 2 && steps.contains(values[0])) << row.name;
        const std::vector<std::string> args(values.begin() + 1, values.end() - 1);
        EXPECT_EQ(steps.at(values[0])(args), values.back()) << row.name;
    }
}
