#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

TempFolder::TempFolder(const std::string& prefix) {
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern =
        std::string(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") + "/" + prefix + "-XXXXXX";
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    if (mkdtemp(buffer.data()) != nullptr) {
        path_ = buffer.data();
    }
}

TempFolder::~TempFolder() {
    if (!path_.empty()) {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
}

std::string ReadWholeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

bool WriteWholeFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
    return static_cast<bool>(out);
}

std::string TestDataPath(const std::string& relative) {
    return std::string(BRINDLE_TEST_DATA_DIR) + "/" + relative;
}

std::vector<std::vector<std::string>> ReadDataTable(const std::string& file) {
    std::ifstream in(TestDataPath(file));
    EXPECT_TRUE(in) << "cannot read test data " << file;
    std::vector<std::vector<std::string>> rows;
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line[0] != '#') {
            std::vector<std::string>& row = rows.emplace_back();
            std::istringstream fields(line);
            for (std::string field; std::getline(fields, field, '\t');) {
                row.push_back(field);
            }
            if (line.back() == '\t') {
                row.emplace_back();
            }
        }
    }
    return rows;
}
