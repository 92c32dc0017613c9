// The folder tree over the flat store: markers, listing, renaming, deleting, the read limit and
// the typed reads and writes.
#include "settings/reg_key.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "settings/section_settings.h"
#include "settings_fixture.h"

namespace {

using RegKey = FreshSettings;

std::vector<std::string> Children(const LRegKey& parent) {
    std::vector<std::string> names;
    LRegKeyIterator iterator(parent);
    for (bool more = iterator.First(); more; more = iterator.Next()) {
        names.push_back(iterator.name());
        EXPECT_EQ(iterator.key().path(), parent.path() + iterator.name() + "/");
    }
    EXPECT_FALSE(iterator.valid());
    return names;
}

LRegKey Accounts() {
    return LRegKey::Open("FTPAccounts");
}

TEST_F(RegKey, WritingAValueCreatesTheMarkersOfItsFolders) {
    EXPECT_TRUE(LRegKey::OpenSubKey(Accounts(), "a").SetString("Server", "ftp.example.com"));
    EXPECT_EQ(Entries(), (EntryList{{"FTPAccounts/", "FTPAccounts"},
                                    {"FTPAccounts/a/", "a"},
                                    {"FTPAccounts/a/Server", "ftp.example.com"}}));
    EXPECT_TRUE(Accounts().Exists());
    EXPECT_TRUE(LRegKey::OpenSubKey(Accounts(), "a").Exists());
    EXPECT_FALSE(LRegKey::OpenSubKey(Accounts(), "b").Exists());
}

TEST_F(RegKey, MarkersSkipLeadingSlashesAndTreatRunsOfSlashesAsOne) {
    LRegKey::Open("/top//inner").SetString("v", "1");
    EXPECT_EQ(Entries(),
              (EntryList{{"/top/", "top"}, {"/top//inner/", "inner"}, {"/top//inner/v", "1"}}));
}

TEST_F(RegKey, ExistingMarkersAreLeftAsTheyAre) {
    LRegKey folder = LRegKey::OpenSubKey(Accounts(), "a");
    folder.SetString("Server", "s");
    folder.SetString("UserName", "u");
    EXPECT_EQ(Entries(), (EntryList{{"FTPAccounts/", "FTPAccounts"},
                                    {"FTPAccounts/a/", "a"},
                                    {"FTPAccounts/a/Server", "s"},
                                    {"FTPAccounts/a/UserName", "u"}}));
}

TEST_F(RegKey, WritingWithoutCreatingLeavesNoMarkers) {
    EXPECT_TRUE(LRegKey::Open("Settings").SetStringNoCreate("Current", "x"));
    EXPECT_EQ(Entries(), (EntryList{{"Settings/Current", "x"}}));
    EXPECT_FALSE(LRegKey::Open("Settings").Exists());
}

TEST_F(RegKey, ListingGivesChildFoldersInTheOrderTheyWereFirstWritten) {
    LRegKey::OpenSubKey(Accounts(), "zeta").SetString("Server", "1");
    LRegKey::OpenSubKey(Accounts(), "alpha").SetString("Server", "2");
    LRegKey::OpenSubKey(Accounts(), "mid").SetString("Server", "3");
    // An update keeps the folder's place.
    LRegKey::OpenSubKey(Accounts(), "zeta").SetString("Server", "changed");
    LRegKey::OpenSubKey(LRegKey::OpenSubKey(Accounts(), "alpha"), "deeper").SetString("x", "y");
    EXPECT_EQ(Children(Accounts()), (std::vector<std::string>{"zeta", "alpha", "mid"}));
}

TEST_F(RegKey, ListingIgnoresCaseAndIncludesPlainValuesOfTheParent) {
    LRegKey::OpenSubKey(Accounts(), "a").SetString("Server", "1");
    LRegKey::OpenSubKey(LRegKey::Open("ftpaccounts"), "B").SetString("Server", "2");
    Accounts().SetString("Stray", "value");
    EXPECT_EQ(Children(Accounts()), (std::vector<std::string>{"a", "B", "Stray"}));
    // Writing "ftpaccounts/B/" made that spelling's marker too.
    EXPECT_EQ(Children(LRegKey::Open("ftpaccounts")),
              (std::vector<std::string>{"a", "B", "Stray"}));
    // The parent's own marker is looked up exactly.
    EXPECT_EQ(Children(LRegKey::Open("FTPACCOUNTS")), std::vector<std::string>{});
}

TEST_F(RegKey, ListingNeedsTheParentsMarker) {
    LRegKey::Open("Settings").SetStringNoCreate("Current", "x");
    LRegKey::OpenSubKey(LRegKey::Open("Settings"), "child").SetStringNoCreate("v", "1");
    EXPECT_EQ(Children(LRegKey::Open("Settings")), std::vector<std::string>{});
    EXPECT_EQ(Children(LRegKey::Open("Nothing")), std::vector<std::string>{});
}

TEST_F(RegKey, ListingGoesOnAfterTheCurrentNameIgnoringCase) {
    for (const char* name : {"one", "two", "three"}) {
        LRegKey::OpenSubKey(Accounts(), name).SetString("Server", name);
    }
    LRegKeyIterator iterator(Accounts());
    ASSERT_TRUE(iterator.First());
    EXPECT_EQ(iterator.name(), "one");
    // A child deleted under the iterator ends the walk: its name is not found again.
    LRegKey::OpenSubKey(Accounts(), "one").DeleteTree();
    EXPECT_FALSE(iterator.Next());
    EXPECT_TRUE(iterator.First());
    EXPECT_EQ(iterator.name(), "two");
    EXPECT_TRUE(iterator.Next());
    EXPECT_EQ(iterator.name(), "three");
}

TEST_F(RegKey, RenamingMovesTheFolderAndEverythingBelowIt) {
    LRegKey a = LRegKey::OpenSubKey(Accounts(), "a");
    a.SetString("Server", "s");
    LRegKey::OpenSubKey(a, "sub").SetString("x", "y");
    ASSERT_TRUE(a.Rename("b"));
    EXPECT_EQ(a.name(), "b");
    EXPECT_EQ(a.path(), "FTPAccounts/b/");
    EXPECT_EQ(Entries(), (EntryList{{"FTPAccounts/", "FTPAccounts"},
                                    {"FTPAccounts/b/", "b"},
                                    {"FTPAccounts/b/Server", "s"},
                                    {"FTPAccounts/b/sub/", "sub"},
                                    {"FTPAccounts/b/sub/x", "y"}}));
}

TEST_F(RegKey, RenamingMatchesKeysIgnoringCase) {
    LRegKey::OpenSubKey(Accounts(), "a").SetString("Server", "s");
    LRegKey::Open("ftpaccounts/A").SetStringNoCreate("UserName", "u");
    LRegKey a = LRegKey::OpenSubKey(Accounts(), "a");
    ASSERT_TRUE(a.Rename("c"));
    EXPECT_EQ(Entries(), (EntryList{{"FTPAccounts/", "FTPAccounts"},
                                    {"FTPAccounts/c/", "c"},
                                    {"FTPAccounts/c/Server", "s"},
                                    {"FTPAccounts/c/UserName", "u"}}));
}

TEST_F(RegKey, RenamingToTheSameNameKeepsTheFolderInPlace) {
    for (const char* name : {"a", "b"}) {
        LRegKey::OpenSubKey(Accounts(), name).SetString("Server", name);
    }
    LRegKey a = LRegKey::OpenSubKey(Accounts(), "a");
    ASSERT_TRUE(a.Rename("a"));
    EXPECT_EQ(Children(Accounts()), (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(Raw("FTPAccounts/a/Server"), "a");
}

TEST_F(RegKey, RenamingToAnEmptyNameDoesNothing) {
    LRegKey a = LRegKey::OpenSubKey(Accounts(), "a");
    a.SetString("Server", "s");
    EntryList before = Entries();
    EXPECT_FALSE(a.Rename(""));
    EXPECT_EQ(a.path(), "FTPAccounts/a/");
    EXPECT_EQ(Entries(), before);
}

TEST_F(RegKey, DeletingATreeRemovesItsMarkerAndValuesOnly) {
    LRegKey::OpenSubKey(Accounts(), "b").SetString("Server", "s");
    LRegKey::OpenSubKey(LRegKey::OpenSubKey(Accounts(), "b"), "deep").SetString("x", "y");
    LRegKey::OpenSubKey(Accounts(), "bb").SetString("Server", "kept");
    LRegKey::Open("ftpaccounts/B").SetStringNoCreate("Other", "case");
    EXPECT_TRUE(LRegKey::OpenSubKey(Accounts(), "b").DeleteTree());
    EXPECT_EQ(Entries(), (EntryList{{"FTPAccounts/", "FTPAccounts"},
                                    {"FTPAccounts/bb/", "bb"},
                                    {"FTPAccounts/bb/Server", "kept"}}));
    EXPECT_TRUE(Accounts().DeleteSubTree("bb"));
    EXPECT_EQ(Entries(), (EntryList{{"FTPAccounts/", "FTPAccounts"}}));
}

TEST_F(RegKey, DeletingAValueRemovesThatKeyOnly) {
    LRegKey a = LRegKey::OpenSubKey(Accounts(), "a");
    a.SetString("Server", "s");
    a.SetString("UserName", "u");
    EXPECT_TRUE(a.DeleteValue("Server"));
    EXPECT_EQ(Entries(), (EntryList{{"FTPAccounts/", "FTPAccounts"},
                                    {"FTPAccounts/a/", "a"},
                                    {"FTPAccounts/a/UserName", "u"}}));
}

TEST_F(RegKey, ReadsAndWritesUseTheKeyExactly) {
    LRegKey::Open("Settings").SetStringNoCreate("Name", "x");
    std::string value;
    EXPECT_FALSE(LRegKey::Open("settings").GetString("Name", "default", value));
    EXPECT_EQ(value, "default");
    EXPECT_TRUE(LRegKey::Open("Settings").GetString("Name", "default", value));
    EXPECT_EQ(value, "x");
}

TEST_F(RegKey, AValueLongerThan259BytesReadsAsEmpty) {
    LRegKey key = LRegKey::Open("Settings");
    key.SetStringNoCreate("Fits", std::string(259, 'f'));
    key.SetStringNoCreate("TooLong", std::string(260, 't'));
    std::string value;
    EXPECT_TRUE(key.GetString("Fits", "", value));
    EXPECT_EQ(value, std::string(259, 'f'));
    EXPECT_TRUE(key.GetString("TooLong", "default", value));
    EXPECT_EQ(value, "");
    // A default is cut, not dropped.
    EXPECT_FALSE(key.GetString("Missing", std::string(300, 'd'), value));
    EXPECT_EQ(value, std::string(259, 'd'));
}

TEST_F(RegKey, BooleansAndIntegersReadAsTheirTextSays) {
    struct Case {
        const char* stored;
        bool asBool;  // with default true
        int asInt;    // with default 42
    };
    const Case cases[] = {
        {"1", true, 1}, {"0", false, 0},    {"yes", true, 0}, {"0abc", false, 0},
        {"", true, 42}, {"12px", true, 12}, {"-7", true, -7}, {"  5", true, 5},
    };
    LRegKey key = LRegKey::Open("Settings");
    for (const Case& c : cases) {
        key.SetStringNoCreate("Value", c.stored);
        EXPECT_EQ(key.GetBool("Value", true), c.asBool) << c.stored;
        EXPECT_EQ(key.GetInt("Value", 42), c.asInt) << c.stored;
    }
    EXPECT_FALSE(key.GetBool("Missing", false));
    EXPECT_EQ(key.GetInt("Missing", 920), 920);
}

TEST_F(RegKey, TypedWritesStoreDecimalTextAndOneOrZero) {
    LRegKey key = LRegKey::Open("MainWindow");
    key.SetBool("Maximized", true);
    key.SetBool("Other", false);
    key.SetInt("X", -200);
    EXPECT_EQ(Raw("MainWindow/Maximized"), "1");
    EXPECT_EQ(Raw("MainWindow/Other"), "0");
    EXPECT_EQ(Raw("MainWindow/X"), "-200");
    EXPECT_EQ(Raw("MainWindow/"), "MainWindow");
}

TEST_F(RegKey, ATransactionKeepsItsChangesTogetherOrNotAtAll) {
    {
        LRegTransaction dropped;
        LRegKey::OpenSubKey(Accounts(), "a").SetString("Server", "s");
        LRegKey::Open("Settings").SetStringNoCreate("Current", "a");
    }
    EXPECT_EQ(Entries(), EntryList{});
    {
        LRegTransaction kept;
        LRegKey::OpenSubKey(Accounts(), "a").SetString("Server", "s");
        LRegKey::Open("Settings").SetStringNoCreate("Current", "a");
        EXPECT_TRUE(kept.Commit());
    }
    EXPECT_EQ(Entries().size(), 4u);
}

// --- section functions ----------------------------------------------------------------------

using SectionSettings = FreshSettings;

TEST_F(SectionSettings, WriteWithoutMarkersAndReadWithDefaults) {
    EXPECT_EQ(GetSetting("Settings", "SaveAsFolder", "none"), "none");
    EXPECT_TRUE(GetSettingBool("Settings", "FirstRun", true));
    EXPECT_EQ(GetSettingInt("MainWindow", "Width", 920), 920);

    EXPECT_TRUE(SetSetting("Settings", "SaveAsFolder", "/home/u"));
    EXPECT_TRUE(SetSettingBool("Settings", "FirstRun", false));
    EXPECT_TRUE(SetSettingInt("MainWindow", "Width", 1024));
    EXPECT_EQ(Entries(), (EntryList{{"Settings/SaveAsFolder", "/home/u"},
                                    {"Settings/FirstRun", "0"},
                                    {"MainWindow/Width", "1024"}}));
    EXPECT_EQ(GetSetting("Settings", "SaveAsFolder"), "/home/u");
    EXPECT_FALSE(GetSettingBool("Settings", "FirstRun", true));
    EXPECT_EQ(GetSettingInt("MainWindow", "Width", 920), 1024);
}

TEST_F(SectionSettings, DeletingASettingOrASection) {
    SetSetting("Settings", "A", "1");
    SetSetting("Settings", "B", "2");
    SetSetting("MainWindow", "X", "3");
    EXPECT_TRUE(DeleteSetting("Settings", "A"));
    EXPECT_EQ(GetSetting("Settings", "A", "gone"), "gone");
    EXPECT_TRUE(DeleteSection("settings"));
    EXPECT_EQ(Entries(), (EntryList{{"MainWindow/X", "3"}}));
}

TEST_F(SectionSettings, AllUsersValuesComeFromTheirOwnStoreWhichIsNeverCreated) {
    EXPECT_EQ(GetSettingAllUsers("Settings", "Current", "default"), "default");
    EXPECT_NE(access(allUsersPath().c_str(), F_OK), 0);

    {
        auto store = LPreferenceStore::Open(allUsersPath(), LPreferenceStore::Access::kOwn);
        ASSERT_NE(store, nullptr);
        store->Write("Settings/Current", "shared");
    }
    SetSetting("Settings", "Current", "mine");
    EXPECT_EQ(GetSettingAllUsers("Settings", "Current", "default"), "shared");
    EXPECT_EQ(GetSetting("Settings", "Current", "default"), "mine");
}

}  // namespace
