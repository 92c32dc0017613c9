// Site accounts: loading with defaults, saving (and renaming) in the stored order of values, the
// current site, recent folders, the move from the all-users store, the server address and the
// folders opened first.
#include "settings/ftp_account.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "settings/reg_key.h"
#include "settings/section_settings.h"
#include "settings_fixture.h"

namespace {

using FtpAccounts = FreshSettings;

FtpAccount SampleAccount(const std::string& label) {
    FtpAccount account;
    account.label = label;
    account.server = "ftp.example.com:2121";
    account.userName = "user";
    account.password = "secret";
    account.rememberPassword = true;
    account.useSsl = true;
    account.useRecentRemote = false;
    account.directory = "/pub";
    account.useRecentLocal = false;
    account.localDirectory = "/home/user/site";
    return account;
}

void ExpectSameStoredFields(const FtpAccount& loaded, const FtpAccount& saved) {
    EXPECT_EQ(loaded.label, saved.label);
    EXPECT_EQ(loaded.server, saved.server);
    EXPECT_EQ(loaded.userName, saved.userName);
    EXPECT_EQ(loaded.password, saved.rememberPassword ? saved.password : "");
    EXPECT_EQ(loaded.rememberPassword, saved.rememberPassword);
    EXPECT_EQ(loaded.useSsl, saved.useSsl);
    EXPECT_EQ(loaded.useRecentRemote, saved.useRecentRemote);
    EXPECT_EQ(loaded.directory, saved.directory);
    EXPECT_EQ(loaded.useRecentLocal, saved.useRecentLocal);
    EXPECT_EQ(loaded.localDirectory, saved.localDirectory);
}

TEST_F(FtpAccounts, AnAccountHoldingOnlyItsServerLoadsWithDefaults) {
    LRegKey::Open("FTPAccounts/only").SetString("Server", "host");
    FtpAccount account;
    ASSERT_TRUE(LoadFtpAccount("only", account));
    EXPECT_EQ(account.label, "only");
    EXPECT_EQ(account.server, "host");
    EXPECT_EQ(account.userName, "");
    EXPECT_EQ(account.password, "");
    EXPECT_FALSE(account.rememberPassword);
    EXPECT_FALSE(account.useSsl);
    EXPECT_TRUE(account.useRecentRemote);
    EXPECT_TRUE(account.useRecentLocal);
    EXPECT_EQ(account.directory, "/");
    EXPECT_EQ(account.recentRemoteDirectory, "/");
    EXPECT_EQ(account.localDirectory, "/");
    EXPECT_EQ(account.recentLocalDirectory, "/");
}

TEST_F(FtpAccounts, AMissingAccountLoadsAsDefaultsAndAnEmptyLabelNotAtAll) {
    FtpAccount account;
    account.server = "left over";
    ASSERT_TRUE(LoadFtpAccount("nobody", account));
    EXPECT_EQ(account.label, "nobody");
    EXPECT_EQ(account.server, "");
    EXPECT_FALSE(LoadFtpAccount("", account));
}

TEST_F(FtpAccounts, SavingWritesTheValuesInTheirOrder) {
    ASSERT_TRUE(SaveFtpAccount("", SampleAccount("Home")));
    EXPECT_EQ(Entries(), (EntryList{{"FTPAccounts/", "FTPAccounts"},
                                    {"FTPAccounts/Home/", "Home"},
                                    {"FTPAccounts/Home/Server", "ftp.example.com:2121"},
                                    {"FTPAccounts/Home/UserName", "user"},
                                    {"FTPAccounts/Home/Password", "secret"},
                                    {"FTPAccounts/Home/UseRecentRemote", "0"},
                                    {"FTPAccounts/Home/Directory", "/pub"},
                                    {"FTPAccounts/Home/UseRecentLocal", "0"},
                                    {"FTPAccounts/Home/LocalDirectory", "/home/user/site"},
                                    {"FTPAccounts/Home/UseSSL", "1"},
                                    {"FTPAccounts/Home/RemP", "1"}}));
    FtpAccount loaded;
    LoadFtpAccount("Home", loaded);
    ExpectSameStoredFields(loaded, SampleAccount("Home"));
}

TEST_F(FtpAccounts, APasswordThatIsNotRememberedIsNotStored) {
    FtpAccount account = SampleAccount("Home");
    account.rememberPassword = false;
    ASSERT_TRUE(SaveFtpAccount("", account));
    EXPECT_EQ(Raw("FTPAccounts/Home/Password"), "");
    EXPECT_EQ(Raw("FTPAccounts/Home/RemP"), "0");
}

TEST_F(FtpAccounts, RenamingKeepsTheRecentFolders) {
    SaveFtpAccount("", SampleAccount("A"));
    SetCurrentSite("A");
    SaveRecentDirectories("/local/recent", "/remote/recent");
    FtpAccount renamed = SampleAccount("B");
    renamed.server = "other.example.com";
    ASSERT_TRUE(SaveFtpAccount("A", renamed));

    EXPECT_EQ(ListFtpAccountLabels(), std::vector<std::string>{"B"});
    FtpAccount loaded;
    LoadFtpAccount("B", loaded);
    ExpectSameStoredFields(loaded, renamed);
    EXPECT_EQ(loaded.recentLocalDirectory, "/local/recent");
    EXPECT_EQ(loaded.recentRemoteDirectory, "/remote/recent");
    EXPECT_EQ(Raw("FTPAccounts/A/Server"), std::nullopt);
}

TEST_F(FtpAccounts, SavingAnAccountAgainKeepsItsPlaceInTheList) {
    for (const char* label : {"first", "second", "third"}) {
        SaveFtpAccount("", SampleAccount(label));
    }
    FtpAccount changed = SampleAccount("first");
    changed.userName = "changed";
    ASSERT_TRUE(SaveFtpAccount("first", changed));
    EXPECT_EQ(ListFtpAccountLabels(), (std::vector<std::string>{"first", "second", "third"}));
    FtpAccount loaded;
    LoadFtpAccount("first", loaded);
    EXPECT_EQ(loaded.userName, "changed");
}

TEST_F(FtpAccounts, AnAccountWithoutALabelIsNeverSaved) {
    EXPECT_FALSE(SaveFtpAccount("", SampleAccount("")));
    EXPECT_FALSE(SaveFtpAccount("old", SampleAccount("")));
    EXPECT_EQ(Entries(), EntryList{});
}

TEST_F(FtpAccounts, DeletingRemovesTheWholeFolder) {
    SaveFtpAccount("", SampleAccount("A"));
    SaveFtpAccount("", SampleAccount("B"));
    ASSERT_TRUE(DeleteFtpAccount("A"));
    EXPECT_EQ(ListFtpAccountLabels(), std::vector<std::string>{"B"});
    for (const auto& [key, value] : Entries()) {
        EXPECT_EQ(key.find("FTPAccounts/A/"), std::string::npos) << key;
    }
}

TEST_F(FtpAccounts, LabelsAreFoundIgnoringCase) {
    SaveFtpAccount("", SampleAccount("My Site"));
    std::string stored;
    EXPECT_TRUE(FindFtpAccountLabel("my site", stored));
    EXPECT_EQ(stored, "My Site");
    EXPECT_FALSE(FindFtpAccountLabel("other", stored));
}

TEST_F(FtpAccounts, TheCurrentSiteIsAPlainSetting) {
    std::string label = "left over";
    EXPECT_FALSE(GetCurrentSite(label));
    EXPECT_EQ(label, "");
    ASSERT_TRUE(SetCurrentSite("Home"));
    EXPECT_TRUE(GetCurrentSite(label));
    EXPECT_EQ(label, "Home");
    EXPECT_EQ(Entries(), (EntryList{{"Settings/Current", "Home"}}));
    ASSERT_TRUE(ClearCurrentSite());
    EXPECT_FALSE(GetCurrentSite(label));
    EXPECT_EQ(Entries(), EntryList{});
}

TEST_F(FtpAccounts, RecentFoldersAreWrittenOnlyWhenGivenAndOnlyForTheCurrentSite) {
    SaveRecentDirectories("/l", "/r");
    EXPECT_EQ(Entries(), EntryList{});

    SetCurrentSite("Home");
    SaveRecentDirectories("", "/remote");
    EXPECT_EQ(Entries(), (EntryList{{"Settings/Current", "Home"},
                                    {"FTPAccounts/", "FTPAccounts"},
                                    {"FTPAccounts/Home/", "Home"},
                                    {"FTPAccounts/Home/RecentRemoteDirectory", "/remote"}}));
    SaveRecentDirectories("/local", "");
    EXPECT_EQ(Raw("FTPAccounts/Home/RecentLocalDirectory"), "/local");
    EXPECT_EQ(Raw("FTPAccounts/Home/RecentRemoteDirectory"), "/remote");
}

TEST_F(FtpAccounts, SharedAccountsMoveIntoTheUsersStore) {
    {
        auto shared = LPreferenceStore::Open(allUsersPath(), LPreferenceStore::Access::kOwn);
        ASSERT_NE(shared, nullptr);
        const EntryList entries = {
            {"FTPAccounts/", "FTPAccounts"},
            {"FTPAccounts/Kept/", "Kept"},
            {"FTPAccounts/Kept/Server", "kept.example.com"},
            {"FTPAccounts/Kept/UserName", "k"},
            {"FTPAccounts/Kept/Password", "kpass"},
            {"FTPAccounts/Kept/RemP", "1"},
            {"FTPAccounts/Kept/UseSSL", "1"},
            {"FTPAccounts/Kept/Directory", "/pub"},
            {"FTPAccounts/Kept/LocalDirectory", "/data"},
            {"FTPAccounts/Kept/RecentRemoteDirectory", "/not/copied"},
            {"FTPAccounts/Forgot/", "Forgot"},
            {"FTPAccounts/Forgot/Server", "forgot.example.com"},
            {"FTPAccounts/Forgot/Password", "must not move"},
            {"FTPAccounts/Forgot/RemP", "0"},
            {"Settings/Other", "stays"},
        };
        for (const auto& [key, value] : entries) {
            shared->Write(key, value);
        }
    }
    MigrateSharedAccounts();

    EXPECT_EQ(Entries(), (EntryList{{"FTPAccounts/", "FTPAccounts"},
                                    {"FTPAccounts/Kept/", "Kept"},
                                    {"FTPAccounts/Kept/Server", "kept.example.com"},
                                    {"FTPAccounts/Kept/UserName", "k"},
                                    {"FTPAccounts/Kept/RemP", "1"},
                                    {"FTPAccounts/Kept/Password", "kpass"},
                                    {"FTPAccounts/Kept/Directory", "/pub"},
                                    {"FTPAccounts/Kept/LocalDirectory", "/data"},
                                    {"FTPAccounts/Kept/UseRecentRemote", "0"},
                                    {"FTPAccounts/Kept/UseRecentLocal", "0"},
                                    {"FTPAccounts/Kept/UseSSL", "1"},
                                    {"FTPAccounts/Forgot/", "Forgot"},
                                    {"FTPAccounts/Forgot/Server", "forgot.example.com"},
                                    {"FTPAccounts/Forgot/UserName", ""},
                                    {"FTPAccounts/Forgot/RemP", "0"},
                                    {"FTPAccounts/Forgot/Password", ""},
                                    {"FTPAccounts/Forgot/Directory", "/"},
                                    {"FTPAccounts/Forgot/LocalDirectory", ""},
                                    {"FTPAccounts/Forgot/UseRecentRemote", "0"},
                                    {"FTPAccounts/Forgot/UseRecentLocal", "0"},
                                    {"FTPAccounts/Forgot/UseSSL", "0"}}));
    EXPECT_EQ(Entries(LRegScope::kAllUsers),
              (EntryList{{"FTPAccounts/", "FTPAccounts"}, {"Settings/Other", "stays"}}));
}

TEST_F(FtpAccounts, WithoutAnAllUsersStoreNothingMoves) {
    MigrateSharedAccounts();
    EXPECT_EQ(Entries(), EntryList{});
    EXPECT_NE(access(allUsersPath().c_str(), F_OK), 0);
}

TEST(ServerAddress, SplitsAtTheFirstColon) {
    struct Case {
        const char* server;
        const char* host;
        std::uint16_t port;
    };
    const Case cases[] = {
        {"host", "host", 21},
        {"host:2121", "host", 2121},
        {"host:", "host", 0},
        {"host:70000", "host", 4464},
        {"10.0.0.1:990", "10.0.0.1", 990},
        {"a:12:34", "a", 12},
        {"host:21abc", "host", 21},
        {"", "", 21},
    };
    for (const Case& c : cases) {
        ServerAddress address = SplitServerAddress(c.server);
        EXPECT_EQ(address.host, c.host) << c.server;
        EXPECT_EQ(address.port, c.port) << c.server;
    }
}

TEST(StartFolders, RecentFoldersUnlessTheAccountFixesThem) {
    FtpAccount account;
    account.directory = "/fixed/remote";
    account.recentRemoteDirectory = "/recent/remote";
    account.localDirectory = "/fixed/local";
    account.recentLocalDirectory = "/recent/local";
    StartFolders folders = ChooseStartFolders(account);
    EXPECT_EQ(folders.remote, "/recent/remote");
    EXPECT_EQ(folders.local, "/recent/local");
    account.useRecentRemote = false;
    folders = ChooseStartFolders(account);
    EXPECT_EQ(folders.remote, "/fixed/remote");
    EXPECT_EQ(folders.local, "/recent/local");
    account.useRecentLocal = false;
    EXPECT_EQ(ChooseStartFolders(account).local, "/fixed/local");
}

}  // namespace
