// Settings: XML files, the preferences store and its folder tree, site accounts, options and the
// site checks. Cases and expected texts are in tests/data/settings.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <ctime>
#include <deque>
#include <filesystem>
#include <functional>
#include <map>
#include <numeric>
#include <set>
#include <string>

#include "frame/paths.h"
#include "settings/data_folders.h"
#include "settings/ftp_account.h"
#include "settings/preference_options.h"
#include "settings/reg_key.h"
#include "settings/section_settings.h"
#include "settings/site_checks.h"
#include "settings/xml_document.h"
#include "settings/xml_settings.h"
#include "support/case_table.h"
#include "support/temp_folder.h"

namespace {

using Access = LPreferenceStore::Access;

// Points HOME, the XDG folders and the all-users store into a fresh folder: no stores or settings
// files yet.
void FreshSettings(const std::string& root) {
    setenv("HOME", (root + "/home").c_str(), 1);
    setenv("XDG_CONFIG_HOME", (root + "/home/.config").c_str(), 1);
    setenv("XDG_DATA_HOME", (root + "/home/.local/share").c_str(), 1);
    setenv("XDG_DATA_DIRS", (root + "/share").c_str(), 1);
    SetAllUsersStorePath(root + "/all-users.sqlite");
    SetUserStorePath("");
}

class Settings : public testing::Test {
protected:
    Settings() { FreshSettings(root_.path()); }
    ~Settings() override { SetAllUsersStorePath(""); }

    TempFolder root_{"brindle-settings"};
};

// Every entry of a store in its order, a "key=value" line each.
std::string Listed(LPreferenceStore* store) {
    std::string out;
    for (const std::string& key :
         store != nullptr ? store->ListKeys() : std::vector<std::string>{}) {
        out += key + "=" + store->Read(key).value_or("(gone)") + "\n";
    }
    return out;
}

std::string Stored(LRegScope scope = LRegScope::kCurrentUser) {
    return Listed(StoreForScope(scope));
}

mode_t ModeOf(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 ? info.st_mode & 07777 : 0;
}

// The names in a folder, sorted, each followed by a comma.
std::string Names(const std::string& folder) {
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        names.insert(entry.path().filename());
    }
    return std::accumulate(
        names.begin(), names.end(), std::string(),
        [](const std::string& all, const std::string& name) { return all + name + ","; });
}

// --- XML ----------------------------------------------------------------------------------------

// Elements as name[attr=value ...](children), text in quotes; a document as its children.
std::string Dump(const LXmlNode& node) {
    std::string out = node.text ? "'" + *node.text + "'" : node.name.value_or("");
    for (std::size_t i = 0; i < node.attributes.size(); ++i) {
        out += (i == 0 ? "[" : " ") + node.attributes[i].name + "=" + node.attributes[i].value;
    }
    std::string children;
    for (const auto& child : node.children) {
        children += (children.empty() ? "" : ",") + Dump(*child);
    }
    out += node.attributes.empty() ? "" : "]";
    return out + (node.name && !children.empty() ? "(" + children + ")" : children);
}

// --- the preferences store ----------------------------------------------------------------------

TEST_F(Settings, TwoProcessesWritingAtTheSameTimeLoseNothing) {
    pid_t writers[2];
    for (int writer = 0; writer < 2; ++writer) {
        if ((writers[writer] = fork()) == 0) {
            int failures = 0;  // both write into one folder: its marker is contended as well
            for (int i = writer * 2000; i < writer * 2000 + 2000; ++i) {
                failures += LRegKey::Open("Shared").SetString(std::to_string(i), "v") ? 0 : 1;
            }
            _exit(failures > 0 ? 1 : 0);
        }
    }
    for (pid_t writer : writers) {
        int status = -1;
        EXPECT_EQ(waitpid(writer, &status, 0), writer);
        EXPECT_EQ(status, 0);
    }
    int missing = 0;
    for (int i = 0; i < 4000; ++i) {
        missing += GetSetting("Shared", std::to_string(i), "missing") == "v" ? 0 : 1;
    }
    EXPECT_EQ(missing, 0);
    const std::string stored = Stored();
    EXPECT_EQ(std::count(stored.begin(), stored.end(), '\n'), 4001) << "one marker";
}

TEST_F(Settings, ADamagedStoreIsMovedAsideNeverOverAnotherAndAFreshOneStarted) {
    for (const std::string damage : {"not a database", "truncated"}) {
        FreshSettings(root_.File(damage));  // the stores of another folder are opened anew
        const std::string path = UserStorePath();
        const std::string folder = path.substr(0, path.rfind('/'));
        ASSERT_TRUE(  // a store of many pages, which the truncation cuts short
            LPreferenceStore::Open(path, Access::kOwn)->Write("k", std::string(80000, 'v')));
        ASSERT_EQ(truncate(path.c_str(), 3 * 4096), 0);
        ASSERT_TRUE(damage == "truncated" || WriteWholeFile(path, damage + std::string(5000, 'z')));
        const std::string damaged = ReadWholeFile(path);
        for (time_t second = time(nullptr); second < time(nullptr) + 3; ++second) {
            char stamp[32];  // the aside names of this second and the next two are taken
            std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", std::localtime(&second));
            ASSERT_TRUE(WriteWholeFile(path + ".corrupt-" + stamp, "older"));
        }
        EXPECT_TRUE(SetSetting("Settings", "Current", "fresh"));
        EXPECT_EQ(Stored(), "Settings/Current=fresh\n");
        EXPECT_EQ(ModeOf(path), 0600u);
        std::multiset<std::string> asides;  // by what they hold
        for (const auto& entry : std::filesystem::directory_iterator(folder)) {
            if (entry.path().filename().string().starts_with("preferences.sqlite.corrupt-")) {
                const std::string bytes = ReadWholeFile(entry.path());
                asides.insert(bytes == damaged ? "damaged" : bytes);
            }
        }
        EXPECT_EQ(asides, (std::multiset<std::string>{"damaged", "older", "older", "older"}))
            << damage;
    }
}

// --- steps on fresh stores (settings/steps.tsv) ------------------------------------------------

using Args = std::vector<std::string>;

// An account as label|server|user|password|remember|ssl|use recent remote|directory|recent remote|
// use recent local|local directory|recent local.
std::string AccountText(const FtpAccount& a) {
    return a.label + "|" + a.server + "|" + a.userName + "|" + a.password + "|" +
           "01"[a.rememberPassword] + "|" + "01"[a.useSsl] + "|" + "01"[a.useRecentRemote] + "|" +
           a.directory + "|" + a.recentRemoteDirectory + "|" + "01"[a.useRecentLocal] + "|" +
           a.localDirectory + "|" + a.recentLocalDirectory;
}

// The account of the twelve arguments from `at` on, in the order of AccountText.
FtpAccount Account(const Args& f, std::size_t at) {
    const Args s(f.begin() + at, f.begin() + at + 12);
    return {s[0],        s[1], s[2], s[3],        s[4] == "1", s[5] == "1",
            s[6] == "1", s[7], s[8], s[9] == "1", s[10],       s[11]};
}

LRegKey Key(const std::string& path) {
    return LRegKey::Open(path);
}

std::deque<LRegTransaction> transactions;  // the innermost last
int held = -1;                             // a file locked by another writer
std::unique_ptr<LPreferenceStore> opened;

// Parses the text as the settings files are read, trimmed.
std::unique_ptr<LXmlNode> Trimmed(const std::string& text) {
    auto document = std::make_unique<LXmlNode>();
    std::string error;
    document->keepSpace = false;
    EXPECT_TRUE(document->Parse(text, error)) << error;
    return document;
}

const std::map<std::string, std::function<std::string(const Args&)>> kSteps = {
    {"set", [](const Args& a) { return Text(Key(a[0]).SetString(a[1], a[2])); }},
    {"set-no-markers", [](const Args& a) { return Text(Key(a[0]).SetStringNoCreate(a[1], a[2])); }},
    {"set-bool", [](const Args& a) { return Text(Key(a[0]).SetBool(a[1], a[2] == "1")); }},
    {"set-int", [](const Args& a) { return Text(Key(a[0]).SetInt(a[1], std::stoi(a[2]))); }},
    {"get",
     [](const Args& a) {
         std::string value;
         return Text(Key(a[0]).GetString(a[1], a[2], value)) + " " + value;
     }},
    {"read-as",
     [](const Args& a) {
         SetSetting(kSettingsSection, kFileSizeUnitsKey, a[0]);
         const LRegKey key = Key(kSettingsSection);
         return Text(key.GetBool(kFileSizeUnitsKey, true)) + " " +
                std::to_string(key.GetInt(kFileSizeUnitsKey, 42)) + " " +
                std::to_string(LoadPreferenceOptions().fileSizeUnits);
     }},
    {"exists", [](const Args& a) { return Text(Key(a[0]).Exists()); }},
    {"list",
     [](const Args& a) {
         std::string names;
         LRegKeyIterator walk(Key(a[0]));
         for (bool more = walk.First(); more; more = walk.Next()) {
             names += walk.name() + (walk.key().path() == Key(a[0]).path() + walk.name() + "/"
                                         ? ","
                                         : " at " + walk.key().path() + ",");
         }
         return names;
     }},
    {"rename",
     [](const Args& a) {
         LRegKey key = Key(a[0]);
         return Text(key.Rename(a[1])) + " " + key.path();
     }},
    {"delete-tree", [](const Args& a) { return Text(Key(a[0]).DeleteTree()); }},
    {"delete-subtree", [](const Args& a) { return Text(Key(a[0]).DeleteSubTree(a[1])); }},
    {"delete-value", [](const Args& a) { return Text(Key(a[0]).DeleteValue(a[1])); }},
    {"store", [](const Args&) { return Stored(); }},
    {"store-status",
     [](const Args&) {
         const LPreferenceStore::Status status = StoreStatusForScope();
         std::string message = status.message;  // with the time in an aside name left out
         if (std::size_t at = message.find(".corrupt-"); at != std::string::npos) {
             message.replace(at + 9, message.find(' ', at) - at - 9, "TIME");
         }
         const char* const kStates[] = {"opened", "moved-aside", "read-only", "unavailable"};
         return kStates[static_cast<int>(status.state)] + (" " + message);
     }},
    {"all-users", [](const Args&) { return Stored(LRegScope::kAllUsers); }},
    {"all-users-write",
     [](const Args& a) {
         return Text(LPreferenceStore::Open(AllUsersStorePath(), Access::kOwn)->Write(a[0], a[1]));
     }},
    {"begin", [](const Args&) { return transactions.emplace_back(), ""; }},
    {"commit", [](const Args&) { return Text(transactions.back().Commit()); }},
    {"end-transaction", [](const Args&) { return transactions.pop_back(), ""; }},
    {"setting", [](const Args& a) { return Text(SetSetting(a[0], a[1], a[2])); }},
    {"get-setting", [](const Args& a) { return GetSetting(a[0], a[1], a[2]); }},
    {"get-setting-all-users", [](const Args& a) { return GetSettingAllUsers(a[0], a[1], a[2]); }},
    {"delete-setting", [](const Args& a) { return Text(DeleteSetting(a[0], a[1])); }},
    {"delete-section", [](const Args& a) { return Text(DeleteSection(a[0])); }},
    {"env",
     [](const Args& a) {
         return (a[1] == "-" ? unsetenv(a[0].c_str()) : setenv(a[0].c_str(), a[1].c_str(), 1)), "";
     }},
    {"user-store", [](const Args&) { return UserStorePath(); }},
    {"set-user-store", [](const Args& a) { return SetUserStorePath(a[0]), ""; }},
    {"file-exists", [](const Args& a) { return Text(std::filesystem::exists(a[0])); }},
    {"open",
     [](const Args& a) {
         opened = LPreferenceStore::Open(a[0], a[1] == "own" ? Access::kOwn : Access::kExisting);
         return opened != nullptr ? "opened" : "none";
     }},
    {"store-write", [](const Args& a) { return Text(opened->Write(a[0], a[1])); }},
    {"store-remove", [](const Args& a) { return Text(opened->Remove(a[0])); }},
    {"store-read", [](const Args& a) { return opened->Read(a[0]).value_or("none"); }},
    {"store-list", [](const Args&) { return Listed(opened.get()); }},
    {"close", [](const Args&) { return opened.reset(), ""; }},
    {"mode",
     [](const Args& a) {
         char mode[16];
         std::snprintf(mode, sizeof mode, "%o", ModeOf(a[0]));
         return std::string(mode);
     }},
    {"names", [](const Args& a) { return Names(a[0]); }},
    {"xml-save",
     [](const Args& a) {
         const mode_t mask = umask(static_cast<mode_t>(std::stoul(a[2], nullptr, 8)));
         const bool saved = Trimmed(a[1])->SaveFile(a[0]);
         umask(mask);
         return Text(saved);
     }},
    {"xml-save-read-only",
     [](const Args& a) {
         const int readOnly = open(a[0].c_str(), O_RDONLY | O_CLOEXEC);
         const bool saved = Trimmed(a[1])->Save(readOnly);
         return close(readOnly), Text(saved);
     }},
    {"xml-read",
     [](const Args& a) {
         static LXmlNode document;  // one for all: every parse replaces the children
         std::string error = "stale";
         document.keepSpace = a[0] == "keep";
         const bool parsed = document.Parse(a[1], error);
         return (parsed == error.empty() ? "" : "wrong result ") + Dump(document) + "|" + error;
     }},
    {"xml-write",
     [](const Args& a) {
         LXmlNode document;
         std::string out;
         document.Parse(a[1], out);
         out.clear();
         return std::to_string(document.Write(out, std::stoi(a[0]))) + "|" + out;
     }},
    {"xml-set", [](const Args& a) { return Text(XmlSettingsSet(a[0], a[1], a[2])); }},
    {"xml-get", [](const Args& a) { return XmlSettingsGet(a[0], a[1], a[2]); }},
    {"shared-xml-get", [](const Args& a) { return SharedXmlSettingsGet(a[0], a[1], a[2]); }},
    {"xml-file", [](const Args&) { return GetPerUserXmlFile(); }},
    {"shared-xml-file", [](const Args&) { return GetSharedXmlFile(); }},
    {"shared-data-folder", [](const Args&) { return GetSharedDataFolder(); }},
    {"data-folder", [](const Args&) { return GetDataFolder(); }},
    {"folder", [](const Args& a) { return Text(std::filesystem::create_directories(a[0])); }},
    {"read", [](const Args& a) { return ReadWholeFile(a[0]); }},
    {"write",
     [](const Args& a) {
         std::filesystem::create_directories(a[0].substr(0, a[0].rfind('/')));
         return Text(WriteWholeFile(a[0], a[1]));
     }},
    {"lock",
     [](const Args& a) { return Text(flock(held = open(a[0].c_str(), O_RDONLY), LOCK_EX) == 0); }},
    {"unlock", [](const Args&) { return Text(close(held) == 0); }},
    {"save", [](const Args& a) { return Text(SaveFtpAccount(a[0], Account(a, 1))); }},
    {"load",
     [](const Args& a) {
         FtpAccount account =
             Account({"x", "x", "x", "x", "1", "1", "0", "x", "x", "0", "x", "x"}, 0);
         return LoadFtpAccount(a[0], account) ? "true " + AccountText(account) : "false";
     }},
    {"delete-account", [](const Args& a) { return Text(DeleteFtpAccount(a[0])); }},
    {"labels",
     [](const Args&) {
         const std::vector<std::string> labels = ListFtpAccountLabels();
         return std::accumulate(
             labels.begin(), labels.end(), std::string(),
             [](const std::string& all, const std::string& label) { return all + label + ","; });
     }},
    {"find",
     [](const Args& a) {
         std::string stored;
         return Text(FindFtpAccountLabel(a[0], stored)) + " " + stored;
     }},
    {"current",
     [](const Args&) {
         std::string label = "left over";
         return Text(GetCurrentSite(label)) + " " + label;
     }},
    {"set-current", [](const Args& a) { return Text(SetCurrentSite(a[0])); }},
    {"clear-current", [](const Args&) { return Text(ClearCurrentSite()); }},
    {"recent", [](const Args& a) { return SaveRecentDirectories(a[0], a[1]), ""; }},
    {"migrate", [](const Args&) { return MigrateSharedAccounts(), ""; }},
    {"start",
     [](const Args& a) {
         const StartFolders folders = ChooseStartFolders(Account(a, 0));
         return folders.remote + "|" + folders.local;
     }},
    {"split",
     [](const Args& a) {
         const ServerAddress address = SplitServerAddress(a[0]);
         return address.host + "|" + std::to_string(address.port);
     }},
    {"options",
     [](const Args&) {
         const PreferenceOptions o = LoadPreferenceOptions();
         return std::string() + "01"[o.ftpRetry] + "|" + "01"[o.ftpNoSpaces] + "|" +
                "01"[o.ftpLowerCase] + "|" + std::to_string(o.fileSizeUnits);
     }},
    {"save-options",
     [](const Args& a) {
         const std::string& o = a[0];
         return SavePreferenceOptions({o[0] == '1', o[2] == '1', o[4] == '1', o[6] - '0'}), "";
     }},
    {"upload-name",
     [](const Args& a) {
         SetSettingBool(kSettingsSection, kFtpNoSpacesKey, a[0] == "1");
         SetSettingBool(kSettingsSection, kFtpLowerCaseKey, a[1] == "1");
         return UploadRemoteName(a[2]);
     }},
    {"size", [](const Args& a) { return FormatSizeInUnits(std::stoull(a[0]), std::stoi(a[1])); }},
    {"field-text", [](const Args& a) { return SiteFieldText(a[0]); }},
    {"check",
     [](const Args& a) {
         SiteCheckFailure failure;
         return CheckSiteAccountFields(SiteFieldText(a[0]), SiteFieldText(a[1]),
                                       SiteFieldText(a[2]), failure)
                    ? "passed"
                    : std::to_string(failure.field) + "|" + failure.headline + "|" + failure.text;
     }},
};

TEST_F(Settings, TablesOfStepsGiveTheirResults) {
    for (const char* table : {"settings/xml_read.tsv", "settings/xml_write.tsv",
                              "settings/steps.tsv", "settings/store_status.tsv"}) {
        RunSteps(table, kSteps, [](const std::string& root) {
            while (!transactions.empty()) {
                transactions.pop_back();
            }
            opened.reset();
            FreshSettings(root);
        });
    }
}

}  // namespace
