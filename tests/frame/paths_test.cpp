#include "frame/paths.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>

#include "support/temp_folder.h"

namespace {

bool IsFolder(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

TEST(PathJoin, PutsOneSeparatorBetweenTheParts) {
    const std::string longFolder(300, 'f');
    struct Case {
        std::string folder;
        std::string name;
        std::string expected;
    } cases[] = {
        {"/a/", "b", "/a/b"},
        {"/a", "b", "/a/b"},
        {"C:\\x\\", "b", "C:\\x\\b"},
        {"", "b", "b"},
        // At most 258 bytes of folder, and 259 bytes in all.
        {longFolder, "name", std::string(258, 'f') + "/"},
        {std::string(250, 'f'), std::string(20, 'n'),
         std::string(250, 'f') + "/" + std::string(8, 'n')},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(PathJoin(c.folder, c.name), c.expected) << c.folder << " + " << c.name;
    }
}

TEST(CreateFolderPath, CreatesEveryMissingParent) {
    TempFolder temp;
    const std::string nested = temp.File("one/two/three");
    EXPECT_TRUE(CreateFolderPath(nested));
    EXPECT_TRUE(IsFolder(nested));
    EXPECT_TRUE(CreateFolderPath(nested)) << "an existing folder counts as created";
}

TEST(CreateFolderPath, FailsBelowAFile) {
    TempFolder temp;
    ASSERT_TRUE(WriteWholeFile(temp.File("plain"), "x"));
    EXPECT_FALSE(CreateFolderPath(temp.File("plain/sub")));
    EXPECT_FALSE(CreateFolderPath(""));
}

}  // namespace
