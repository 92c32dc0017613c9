#include "frame/file_helpers.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <string>

#include "support/temp_folder.h"

namespace {

mode_t ModeOf(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 ? info.st_mode & 07777 : 0;
}

bool IsFolder(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// Sets the file-creation mask for one test.
class ScopedUmask {
public:
    explicit ScopedUmask(mode_t mask) : previous_(umask(mask)) {}
    ~ScopedUmask() { umask(previous_); }

private:
    mode_t previous_;
};

TEST(FormatFileSize, UsesTheLargestWholeUnitRoundedDown) {
    const std::uint64_t kKb = 1024;
    struct Case {
        std::uint64_t bytes;
        const char* expected;
    } cases[] = {
        {0, "0 Bytes"},
        {1023, "1023 Bytes"},
        {1024, "1 KB"},
        {1048575, "1023 KB"},
        {1048576, "1 MB"},
        {5 * kKb * kKb * kKb + 1, "5 GB"},
        {1099511627775ULL, "1023 GB"},
        {1099511627776ULL, "1 TB"},
        {UINT64_MAX, "16777215 TB"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(FormatFileSize(c.bytes), c.expected) << c.bytes;
    }
}

TEST(FileTitle, IsTheLastComponentWithoutItsLastExtension) {
    struct Case {
        std::string path;
        std::string expected;
    } cases[] = {
        {"/x/y/report.final.txt", "report.final"},
        {"/x/.profile", ".profile"},
        {"C:\\Docs\\letter.doc", "letter"},
        {"plain", "plain"},
        {"archive.tar.gz", "archive.tar"},
        {"/x/y/", ""},
        // At most 259 bytes of the name are looked at: the extension past them is gone anyway.
        {"/x/" + std::string(300, 'n') + ".txt", std::string(259, 'n')},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(FileTitle(c.path), c.expected) << c.path;
    }
}

TEST(CopyFolderTree, CopiesNestedFoldersAndFilesWithTheirBytes) {
    TempFolder temp;
    const std::string source = temp.File("source");
    ASSERT_TRUE(IsFolder(temp.path()));
    ASSERT_EQ(mkdir(source.c_str(), 0755), 0);
    ASSERT_EQ(mkdir((source + "/sub").c_str(), 0755), 0);
    ASSERT_EQ(mkdir((source + "/sub/deeper").c_str(), 0755), 0);
    ASSERT_EQ(mkdir((source + "/empty").c_str(), 0755), 0);
    std::string big;
    for (int i = 0; i < 20000; ++i) {
        big += static_cast<char>('a' + i % 26);
    }
    ASSERT_TRUE(WriteWholeFile(source + "/top.txt", "top"));
    ASSERT_TRUE(WriteWholeFile(source + "/.hidden", "hidden"));
    ASSERT_TRUE(WriteWholeFile(source + "/sub/deeper/big.bin", big));

    const std::string target = temp.File("made/for/target");
    EXPECT_TRUE(CopyFolderTree(source, target));

    EXPECT_EQ(ReadWholeFile(target + "/top.txt"), "top");
    EXPECT_EQ(ReadWholeFile(target + "/.hidden"), "hidden");
    EXPECT_EQ(ReadWholeFile(target + "/sub/deeper/big.bin"), big);
    EXPECT_TRUE(IsFolder(target + "/empty"));
}

TEST(CopyFolderTree, CopiesGetEverythingTheUmaskAllows) {
    TempFolder temp;
    const std::string source = temp.File("source");
    ASSERT_EQ(mkdir(source.c_str(), 0700), 0);
    ASSERT_EQ(mkdir((source + "/sub").c_str(), 0700), 0);
    ASSERT_TRUE(WriteWholeFile(source + "/sub/file", "x"));
    ASSERT_EQ(chmod((source + "/sub/file").c_str(), 0600), 0);

    for (mode_t mask : {mode_t{022}, mode_t{027}, mode_t{077}}) {
        ScopedUmask scoped(mask);
        const std::string target = temp.File("target" + std::to_string(mask));
        ASSERT_TRUE(CopyFolderTree(source, target));
        EXPECT_EQ(ModeOf(target + "/sub/file"), 0777 & ~mask) << std::oct << mask;
        EXPECT_EQ(ModeOf(target + "/sub"), 0777 & ~mask) << std::oct << mask;
        EXPECT_EQ(ModeOf(target), 0777 & ~mask) << std::oct << mask;
    }
}

TEST(CopyFolderTree, ReplacesExistingFilesOfTheTarget) {
    TempFolder temp;
    ASSERT_EQ(mkdir(temp.File("source").c_str(), 0755), 0);
    ASSERT_EQ(mkdir(temp.File("target").c_str(), 0755), 0);
    ASSERT_TRUE(WriteWholeFile(temp.File("source/settings"), "new"));
    ASSERT_TRUE(WriteWholeFile(temp.File("target/settings"), "the old, longer text"));
    ASSERT_TRUE(WriteWholeFile(temp.File("target/other"), "kept"));
    EXPECT_TRUE(CopyFolderTree(temp.File("source"), temp.File("target")));
    EXPECT_EQ(ReadWholeFile(temp.File("target/settings")), "new");
    EXPECT_EQ(ReadWholeFile(temp.File("target/other")), "kept");
}

TEST(CopyFolderTree, MissingSourceCopiesNothingAndMakesNoTarget) {
    TempFolder temp;
    EXPECT_FALSE(CopyFolderTree(temp.File("absent"), temp.File("target")));
    EXPECT_FALSE(IsFolder(temp.File("target")));
}

TEST(CopyFolderTree, NeverWritesThroughASymbolicLinkInTheTarget) {
    TempFolder temp;
    ASSERT_EQ(mkdir(temp.File("source").c_str(), 0755), 0);
    ASSERT_EQ(mkdir(temp.File("target").c_str(), 0755), 0);
    ASSERT_TRUE(WriteWholeFile(temp.File("source/settings"), "copied"));
    ASSERT_TRUE(WriteWholeFile(temp.File("elsewhere"), "untouched"));
    ASSERT_EQ(symlink(temp.File("elsewhere").c_str(), temp.File("target/settings").c_str()), 0);

    EXPECT_FALSE(CopyFolderTree(temp.File("source"), temp.File("target")));
    EXPECT_EQ(ReadWholeFile(temp.File("elsewhere")), "untouched");
}

TEST(CopyFolderTree, DoesNotFollowALinkToAFolderOfTheSource) {
    TempFolder temp;
    ASSERT_EQ(mkdir(temp.File("source").c_str(), 0755), 0);
    ASSERT_TRUE(WriteWholeFile(temp.File("source/file"), "x"));
    // A link back to the source would make the copy endless if it were followed.
    ASSERT_EQ(symlink(temp.File("source").c_str(), temp.File("source/loop").c_str()), 0);
    EXPECT_TRUE(CopyFolderTree(temp.File("source"), temp.File("target")));
    EXPECT_EQ(ReadWholeFile(temp.File("target/file")), "x");
    EXPECT_FALSE(IsFolder(temp.File("target/loop")));
}

}  // namespace
