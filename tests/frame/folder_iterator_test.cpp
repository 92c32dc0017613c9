#include "frame/folder_iterator.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <set>
#include <string>

#include "support/temp_folder.h"

namespace {

template <typename Iterator>
std::set<std::string> NamesOf(const std::string& path) {
    std::set<std::string> names;
    Iterator entries(path);
    while (entries.Next()) {
        names.insert(entries.Name());
    }
    return names;
}

class FolderIteratorTest : public testing::Test {
protected:
    void SetUp() override {
        for (const char* name :
             {"Report.txt", "report.TXT", "notes.md", ".hidden", "a[1].txt", "a1.txt"}) {
            ASSERT_TRUE(WriteWholeFile(folder.File(name), name));
        }
        ASSERT_EQ(mkdir(folder.File("Sub").c_str(), 0755), 0);
    }

    TempFolder folder;
};

TEST_F(FolderIteratorTest, FolderGivesEveryEntryButHiddenOnes) {
    EXPECT_EQ(NamesOf<LFile::FolderIterator>(folder.path()),
              (std::set<std::string>{"Report.txt", "report.TXT", "notes.md", "a[1].txt", "a1.txt",
                                     "Sub"}));
}

TEST_F(FolderIteratorTest, FilePathWalksItsFolderWithItsNameIgnoringCase) {
    EXPECT_EQ(NamesOf<LFile::FolderIterator>(folder.File("report.TXT")),
              (std::set<std::string>{"Report.txt", "report.TXT"}));
    EXPECT_EQ(NamesOf<LFile::FolderIterator>(folder.File("notes.md")),
              (std::set<std::string>{"notes.md"}));
}

TEST_F(FolderIteratorTest, FileNameWithWildcardCharactersFindsOnlyItself) {
    EXPECT_EQ(NamesOf<LFile::FolderIterator>(folder.File("a[1].txt")),
              (std::set<std::string>{"a[1].txt"}));
}

TEST_F(FolderIteratorTest, HiddenFilePathGivesNothing) {
    EXPECT_TRUE(NamesOf<LFile::FolderIterator>(folder.File(".hidden")).empty());
}

TEST_F(FolderIteratorTest, PathThatIsNotAFolderGivesNothing) {
    EXPECT_TRUE(NamesOf<LFile::FolderIterator>(folder.File("absent")).empty());
    EXPECT_TRUE(NamesOf<LFile::FolderIteratorAllFiles>(folder.File("absent")).empty());
}

TEST_F(FolderIteratorTest, FilePathReportsItsFolder) {
    LFile::FolderIterator entries(folder.File("notes.md"));
    ASSERT_TRUE(entries.Next());
    EXPECT_EQ(entries.FolderPath(), folder.path());
    EXPECT_EQ(entries.Path(), folder.File("notes.md"));
    EXPECT_FALSE(entries.IsFolder());
    EXPECT_FALSE(entries.Next());
}

TEST_F(FolderIteratorTest, AllFilesGivesHiddenEntriesAndTheDots) {
    std::set<std::string> dots;
    std::set<std::string> folders;
    std::set<std::string> others;
    LFile::FolderIteratorAllFiles entries(folder.path());
    while (entries.Next()) {
        if (entries.IsDots()) {
            dots.insert(entries.Name());
            EXPECT_TRUE(entries.IsFolder());
        } else if (entries.IsFolder()) {
            folders.insert(entries.Name());
        } else {
            others.insert(entries.Name());
        }
    }
    EXPECT_EQ(dots, (std::set<std::string>{".", ".."}));
    EXPECT_EQ(folders, (std::set<std::string>{"Sub"}));
    EXPECT_EQ(others, (std::set<std::string>{"Report.txt", "report.TXT", "notes.md", ".hidden",
                                             "a[1].txt", "a1.txt"}));
}

// Walks that want other entries say so in Accept.
class MarkdownOnly : public LFile::FolderIterator {
public:
    using FolderIterator::FolderIterator;

protected:
    bool Accept(const std::string& name) override {
        return name.size() > 3 && name.compare(name.size() - 3, 3, ".md") == 0;
    }
};

TEST_F(FolderIteratorTest, AcceptOfADerivedWalkDecides) {
    EXPECT_EQ(NamesOf<MarkdownOnly>(folder.path()), (std::set<std::string>{"notes.md"}));
}

}  // namespace
