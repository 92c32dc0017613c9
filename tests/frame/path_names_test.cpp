#include "frame/path_names.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct PathCase {
    std::string path;
    std::string fileName;
    std::string parent;
};

TEST(PathNames, SplitAtTheLastSeparator) {
    const PathCase cases[] = {
        {"notes.txt", "notes.txt", ""},
        {"/notes.txt", "notes.txt", "/"},
        {"/pub/notes.txt", "notes.txt", "/pub"},
        {"pub/sub/notes.txt", "notes.txt", "pub/sub"},
        {"C:\\Users\\me\\notes.txt", "notes.txt", "C:\\Users\\me"},
        {"pub\\mixed/notes.txt", "notes.txt", "pub\\mixed"},
        {"/pub/", "", "/pub"},
        {"", "", ""},
    };
    for (const PathCase& c : cases) {
        EXPECT_EQ(PathFileName(c.path), c.fileName) << c.path;
        EXPECT_EQ(ParentPath(c.path), c.parent) << c.path;
    }
}

TEST(PathNames, KeepAtMost259Bytes) {
    const std::string longName(300, 'n');
    EXPECT_EQ(PathFileName("/pub/" + longName), std::string(259, 'n'));
    EXPECT_EQ(ParentPath(longName + "/x"), std::string(259, 'n'));
}

}  // namespace
