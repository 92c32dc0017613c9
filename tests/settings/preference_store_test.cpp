// The SQLite file under the settings: order of keys, permissions, whole operations, several
// writers at once, and what happens to a file that is not a sound database.
#include "settings/preference_store.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <ctime>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "settings/reg_key.h"
#include "settings/section_settings.h"
#include "settings_fixture.h"
#include "support/temp_folder.h"

namespace {

using Access = LPreferenceStore::Access;

std::unique_ptr<LPreferenceStore> OpenOwn(const std::string& path) {
    return LPreferenceStore::Open(path, Access::kOwn);
}

std::vector<std::string> FilesStartingWith(const std::string& folder, const std::string& prefix) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        std::string name = entry.path().filename().string();
        if (name.rfind(prefix, 0) == 0) {
            names.push_back(name);
        }
    }
    return names;
}

mode_t PermissionsOf(const std::string& path) {
    struct stat info {};
    EXPECT_EQ(stat(path.c_str(), &info), 0) << path;
    return info.st_mode & 07777;
}

TEST(PreferenceStore, ListsKeysInTheOrderTheyWereFirstWritten) {
    TempFolder folder;
    auto store = OpenOwn(folder.File("p.sqlite"));
    ASSERT_NE(store, nullptr);
    for (const char* key : {"b", "a", "c"}) {
        EXPECT_TRUE(store->Write(key, std::string("first ") + key));
    }
    EXPECT_TRUE(store->Write("b", "updated"));  // keeps its place
    EXPECT_TRUE(store->Remove("a"));
    EXPECT_TRUE(store->Write("a", "again"));  // written anew: last
    EXPECT_EQ(store->ListKeys(), (std::vector<std::string>{"b", "c", "a"}));
    EXPECT_EQ(store->Read("b"), "updated");
    EXPECT_EQ(store->Read("missing"), std::nullopt);
}

TEST(PreferenceStore, KeepsEveryByteOfKeysAndValuesAcrossReopening) {
    TempFolder folder;
    const std::string path = folder.File("p.sqlite");
    const std::string utf8 =
        "Gr\xc3\xbc\xc3\x9f"
        "e/\xe2\x82\xac";
    {
        auto store = OpenOwn(path);
        ASSERT_NE(store, nullptr);
        store->Write("empty", "");
        store->Write(utf8, utf8);
        store->Write("Case", "upper");
        store->Write("case", "lower");
    }
    auto store = OpenOwn(path);
    ASSERT_NE(store, nullptr);
    EXPECT_EQ(store->Read("empty"), "");
    EXPECT_EQ(store->Read(utf8), utf8);
    EXPECT_EQ(store->Read("Case"), "upper");
    EXPECT_EQ(store->Read("case"), "lower");
    EXPECT_EQ(store->ListKeys().size(), 4u);
}

TEST(PreferenceStore, TheFileAndItsFolderAreTheUsersAlone) {
    TempFolder folder;
    const std::string storeFolder = folder.File("config/brindleftp");
    const std::string path = storeFolder + "/preferences.sqlite";
    auto store = OpenOwn(path);
    ASSERT_NE(store, nullptr);
    store->Write("k", "v");
    EXPECT_EQ(PermissionsOf(storeFolder), 0700u);
    EXPECT_EQ(PermissionsOf(path), 0600u);
    // The journal beside it carries the file's permissions.
    if (access((path + "-wal").c_str(), F_OK) == 0) {
        EXPECT_EQ(PermissionsOf(path + "-wal"), 0600u);
    }
}

TEST(PreferenceStore, SomebodyElsesStoreIsNeverCreated) {
    TempFolder folder;
    EXPECT_EQ(LPreferenceStore::Open(folder.File("absent.sqlite"), Access::kExisting), nullptr);
    EXPECT_NE(access(folder.File("absent.sqlite").c_str(), F_OK), 0);
}

TEST(PreferenceStore, SomebodyElsesDamagedStoreIsLeftAlone) {
    TempFolder folder;
    const std::string path = folder.File("other.sqlite");
    ASSERT_TRUE(WriteWholeFile(path, std::string(5000, 'x')));
    EXPECT_EQ(LPreferenceStore::Open(path, Access::kExisting), nullptr);
    EXPECT_EQ(ReadWholeFile(path), std::string(5000, 'x'));
    EXPECT_EQ(FilesStartingWith(folder.path(), "other.sqlite.corrupt").size(), 0u);
}

TEST(PreferenceStore, AnOperationIsKeptWholeOrNotAtAll) {
    TempFolder folder;
    auto store = OpenOwn(folder.File("p.sqlite"));
    ASSERT_NE(store, nullptr);
    store->Write("before", "1");
    {
        LPreferenceStore::Operation operation(*store);
        store->Write("a", "1");
        store->Remove("before");
        // Inside the operation its own changes are seen.
        EXPECT_EQ(store->Read("a"), "1");
    }
    EXPECT_EQ(store->ListKeys(), (std::vector<std::string>{"before"}));
    {
        LPreferenceStore::Operation outer(*store);
        store->Write("a", "1");
        {
            LPreferenceStore::Operation inner(*store);
            store->Write("b", "2");
            EXPECT_TRUE(inner.Flush());  // only the outermost commits
        }
    }
    EXPECT_EQ(store->ListKeys(), (std::vector<std::string>{"before"}));
    {
        LPreferenceStore::Operation outer(*store);
        store->Write("a", "1");
        {
            LPreferenceStore::Operation inner(*store);
            store->Write("b", "2");
        }  // an inner operation given up spoils the outer one
        EXPECT_FALSE(outer.Flush());
    }
    EXPECT_EQ(store->ListKeys(), (std::vector<std::string>{"before"}));
    {
        LPreferenceStore::Operation outer(*store);
        store->Write("a", "1");
        {
            LPreferenceStore::Operation inner(*store);
            store->Write("b", "2");
            inner.Flush();
        }
        EXPECT_TRUE(outer.Flush());
    }
    EXPECT_EQ(store->ListKeys(), (std::vector<std::string>{"before", "a", "b"}));
}

TEST(PreferenceStore, AWriterWaitsForAnotherConnectionsOperation) {
    TempFolder folder;
    const std::string path = folder.File("p.sqlite");
    auto first = OpenOwn(path);
    auto second = OpenOwn(path);
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);

    std::atomic<bool> flushed{false};
    std::atomic<bool> wroteBeforeFlush{false};
    bool written = false;
    auto operation = std::make_unique<LPreferenceStore::Operation>(*first);
    first->Write("first", "1");
    std::thread other([&] {
        // Not seen until the operation is committed.
        EXPECT_EQ(second->Read("first"), std::nullopt);
        written = second->Write("second", "2");
        wroteBeforeFlush = !flushed;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    flushed = true;
    EXPECT_TRUE(operation->Flush());
    other.join();
    EXPECT_TRUE(written);
    EXPECT_FALSE(wroteBeforeFlush);
    EXPECT_EQ(first->ListKeys(), (std::vector<std::string>{"first", "second"}));
}

TEST(PreferenceStore, AProcessKilledInTheMiddleOfAnOperationLeavesNoneOfIt) {
    TempFolder folder;
    const std::string path = folder.File("p.sqlite");
    {
        auto store = OpenOwn(path);
        ASSERT_NE(store, nullptr);
        store->Write("kept", "1");
    }
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        auto store = OpenOwn(path);
        if (store != nullptr) {
            LPreferenceStore::Operation operation(*store);
            store->Remove("kept");
            for (int i = 0; i < 200; ++i) {
                store->Write("half" + std::to_string(i), std::string(100, 'h'));
            }
            raise(SIGKILL);
        }
        _exit(3);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status));
    auto store = OpenOwn(path);
    ASSERT_NE(store, nullptr);
    EXPECT_EQ(store->ListKeys(), (std::vector<std::string>{"kept"}));
    EXPECT_EQ(FilesStartingWith(folder.path(), "p.sqlite.corrupt").size(), 0u);
}

// --- two processes ---------------------------------------------------------------------------

using SharedStore = FreshSettings;

TEST_F(SharedStore, TwoProcessesWritingAtTheSameTimeLoseNothing) {
    constexpr int kWrites = 3000;
    std::vector<pid_t> children;
    for (int writer = 0; writer < 2; ++writer) {
        pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            // Both write into one folder, so its marker is contended as well.
            LRegKey shared = LRegKey::Open("Shared");
            int failures = 0;
            for (int i = 0; i < kWrites; ++i) {
                std::string name = "w" + std::to_string(writer) + "-" + std::to_string(i);
                if (!shared.SetString(name, std::to_string(i * (writer + 1)))) {
                    ++failures;
                }
            }
            _exit(failures == 0 ? 0 : 1);
        }
        children.push_back(child);
    }
    for (pid_t child : children) {
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    }

    LRegKey shared = LRegKey::Open("Shared");
    int missing = 0;
    for (int writer = 0; writer < 2; ++writer) {
        for (int i = 0; i < kWrites; ++i) {
            std::string name = "w" + std::to_string(writer) + "-" + std::to_string(i);
            if (shared.GetString(name, "missing") != std::to_string(i * (writer + 1))) {
                ++missing;
            }
        }
    }
    EXPECT_EQ(missing, 0);
    EXPECT_EQ(Entries().size(), 1u + 2 * kWrites);
}

// --- damaged files ---------------------------------------------------------------------------

using DamagedStore = FreshSettings;

TEST_F(DamagedStore, AFileThatIsNotADatabaseIsMovedAsideAndAFreshStoreStarted) {
    const std::string path = UserStorePath();
    const std::string folder = path.substr(0, path.rfind('/'));
    std::filesystem::create_directories(folder);
    const std::string garbage = "not a database\n" + std::string(6000, 'g');
    ASSERT_TRUE(WriteWholeFile(path, garbage));

    EXPECT_TRUE(SetSetting("Settings", "Current", "fresh"));
    EXPECT_EQ(GetSetting("Settings", "Current"), "fresh");

    std::vector<std::string> aside = FilesStartingWith(folder, "preferences.sqlite.corrupt-");
    ASSERT_EQ(aside.size(), 1u);
    EXPECT_EQ(ReadWholeFile(folder + "/" + aside[0]), garbage);
    EXPECT_EQ(PermissionsOf(path), 0600u);
}

TEST_F(DamagedStore, ATruncatedStoreIsMovedAsideWithItsBytesKept) {
    const std::string path = UserStorePath();
    {
        auto store = OpenOwn(path);
        ASSERT_NE(store, nullptr);
        LPreferenceStore::Operation operation(*store);
        for (int i = 0; i < 400; ++i) {
            store->Write("key" + std::to_string(i), std::string(200, 'v'));
        }
        ASSERT_TRUE(operation.Flush());
    }
    ASSERT_EQ(truncate(path.c_str(), 3 * 4096), 0);
    const std::string truncated = ReadWholeFile(path);

    auto store = OpenOwn(path);
    ASSERT_NE(store, nullptr);
    EXPECT_EQ(store->ListKeys(), std::vector<std::string>{});
    EXPECT_TRUE(store->Write("new", "1"));
    const std::string folder = path.substr(0, path.rfind('/'));
    std::vector<std::string> aside = FilesStartingWith(folder, "preferences.sqlite.corrupt-");
    ASSERT_EQ(aside.size(), 1u);
    EXPECT_EQ(ReadWholeFile(folder + "/" + aside[0]), truncated);
}

TEST_F(DamagedStore, AnAsideNameAlreadyInUseIsNeverOverwritten) {
    const std::string path = UserStorePath();
    const std::string folder = path.substr(0, path.rfind('/'));
    std::filesystem::create_directories(folder);
    // The names of this second and the next few are taken already.
    std::time_t now = std::time(nullptr);
    std::vector<std::string> taken;
    for (int ahead = 0; ahead < 3; ++ahead) {
        std::time_t when = now + ahead;
        std::tm local{};
        localtime_r(&when, &local);
        char stamp[32];
        std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &local);
        taken.push_back(path + ".corrupt-" + stamp);
        ASSERT_TRUE(WriteWholeFile(taken.back(), "older"));
    }
    ASSERT_TRUE(WriteWholeFile(path, std::string(5000, 'z')));

    auto store = OpenOwn(path);
    ASSERT_NE(store, nullptr);
    for (const std::string& name : taken) {
        EXPECT_EQ(ReadWholeFile(name), "older") << name;
    }
    int holdingTheDamagedFile = 0;
    for (const std::string& name : FilesStartingWith(folder, "preferences.sqlite.corrupt-")) {
        holdingTheDamagedFile += ReadWholeFile(folder + "/" + name) == std::string(5000, 'z');
    }
    EXPECT_EQ(holdingTheDamagedFile, 1);
}

}  // namespace

// --- where the stores are --------------------------------------------------------------------

using StoreLocation = FreshSettings;

TEST_F(StoreLocation, TheUsersStoreFollowsXdgConfigHomeElseTheHomesConfigFolder) {
    EXPECT_EQ(UserStorePath(), home() + "/.config/brindleftp/preferences.sqlite");
    setenv("XDG_CONFIG_HOME", (home() + "/elsewhere").c_str(), 1);
    EXPECT_EQ(UserStorePath(), home() + "/elsewhere/brindleftp/preferences.sqlite");
    // The XDG rules ignore a relative folder.
    setenv("XDG_CONFIG_HOME", "relative", 1);
    EXPECT_EQ(UserStorePath(), home() + "/.config/brindleftp/preferences.sqlite");
    unsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ(UserStorePath(), home() + "/.config/brindleftp/preferences.sqlite");

    SetSetting("Settings", "Current", "here");
    EXPECT_EQ(access(UserStorePath().c_str(), F_OK), 0);
}

TEST_F(StoreLocation, TheUsersScopeCanBePointedAtAnotherUsersFile) {
    const std::string other = home() + "/other-user/preferences.sqlite";
    SetUserStorePath(other);
    SetSetting("Settings", "Current", "theirs");
    SetUserStorePath("");
    EXPECT_EQ(GetSetting("Settings", "Current", "none"), "none");
    auto store = LPreferenceStore::Open(other, Access::kExisting);
    ASSERT_NE(store, nullptr);
    EXPECT_EQ(store->Read("Settings/Current"), "theirs");
}
