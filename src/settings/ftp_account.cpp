#include "settings/ftp_account.h"

#include "frame/ascii_case.h"
#include "frame/text_limits.h"
#include "net/host_address.h"
#include "settings/reg_key.h"
#include "settings/section_settings.h"

namespace {

constexpr char kCurrentSite[] = "Current";
constexpr std::uint16_t kDefaultFtpPort = 21;

// Names of the account's values.
constexpr char kServer[] = "Server";
constexpr char kUserName[] = "UserName";
constexpr char kPassword[] = "Password";
constexpr char kRememberPassword[] = "RemP";
constexpr char kUseSsl[] = "UseSSL";
constexpr char kUseRecentRemote[] = "UseRecentRemote";
constexpr char kDirectory[] = "Directory";
constexpr char kRecentRemoteDirectory[] = "RecentRemoteDirectory";
constexpr char kUseRecentLocal[] = "UseRecentLocal";
constexpr char kLocalDirectory[] = "LocalDirectory";
constexpr char kRecentLocalDirectory[] = "RecentLocalDirectory";

LRegKey AccountsKey(LRegScope scope = LRegScope::kCurrentUser) {
    return LRegKey::Open(kFtpAccountsFolder, scope);
}

LRegKey AccountKey(std::string_view label, LRegScope scope = LRegScope::kCurrentUser) {
    return LRegKey::OpenSubKey(AccountsKey(scope), label);
}

std::vector<std::string> ListLabels(LRegScope scope) {
    std::vector<std::string> labels;
    LRegKeyIterator iterator(AccountsKey(scope));
    for (bool more = iterator.First(); more; more = iterator.Next()) {
        labels.push_back(iterator.name());
    }
    return labels;
}

}  // namespace

bool LoadFtpAccount(std::string_view label, FtpAccount& account) {
    if (label.empty()) {
        return false;
    }
    const FtpAccount defaults;
    account = FtpAccount{};
    account.label = CutText(label);
    LRegKey key = AccountKey(label);
    key.GetString(kServer, defaults.server, account.server);
    key.GetString(kUserName, defaults.userName, account.userName);
    key.GetString(kPassword, defaults.password, account.password);
    account.rememberPassword = key.GetBool(kRememberPassword, defaults.rememberPassword);
    account.useSsl = key.GetBool(kUseSsl, defaults.useSsl);
    account.useRecentRemote = key.GetBool(kUseRecentRemote, defaults.useRecentRemote);
    key.GetString(kDirectory, defaults.directory, account.directory);
    key.GetString(kRecentRemoteDirectory, defaults.recentRemoteDirectory,
                  account.recentRemoteDirectory);
    account.useRecentLocal = key.GetBool(kUseRecentLocal, defaults.useRecentLocal);
    key.GetString(kLocalDirectory, defaults.localDirectory, account.localDirectory);
    key.GetString(kRecentLocalDirectory, defaults.recentLocalDirectory,
                  account.recentLocalDirectory);
    return true;
}

bool SaveFtpAccount(std::string_view oldLabel, const FtpAccount& account) {
    if (account.label.empty()) {
        return false;
    }
    LRegTransaction transaction;
    LRegKey key = AccountKey(oldLabel.empty() ? std::string_view(account.label) : oldLabel);
    if (key.Exists()) {
        key.Rename(account.label);
    }
    key = AccountKey(account.label);
    key.SetString(kServer, account.server);
    key.SetString(kUserName, account.userName);
    key.SetString(kPassword, account.rememberPassword ? account.password : std::string());
    key.SetBool(kUseRecentRemote, account.useRecentRemote);
    key.SetString(kDirectory, account.directory);
    key.SetBool(kUseRecentLocal, account.useRecentLocal);
    key.SetString(kLocalDirectory, account.localDirectory);
    key.SetBool(kUseSsl, account.useSsl);
    key.SetBool(kRememberPassword, account.rememberPassword);
    return transaction.Commit();
}

bool DeleteFtpAccount(std::string_view label) {
    if (label.empty()) {
        return false;
    }
    return AccountKey(label).DeleteTree();
}

std::vector<std::string> ListFtpAccountLabels() {
    return ListLabels(LRegScope::kCurrentUser);
}

bool FindFtpAccountLabel(std::string_view label, std::string& storedLabel) {
    for (const std::string& stored : ListFtpAccountLabels()) {
        if (EqualsIgnoringCase(stored, label)) {
            storedLabel = stored;
            return true;
        }
    }
    return false;
}

bool GetCurrentSite(std::string& label) {
    label = GetSetting(kSettingsSection, kCurrentSite, "");
    return !label.empty();
}

bool SetCurrentSite(std::string_view label) {
    return SetSetting(kSettingsSection, kCurrentSite, label);
}

bool ClearCurrentSite() {
    return DeleteSetting(kSettingsSection, kCurrentSite);
}

void SaveRecentDirectories(std::string_view localFolder, std::string_view remoteFolder) {
    std::string label;
    if (!GetCurrentSite(label)) {
        return;
    }
    LRegTransaction transaction;
    LRegKey key = AccountKey(label);
    if (!localFolder.empty()) {
        key.SetString(kRecentLocalDirectory, localFolder);
    }
    if (!remoteFolder.empty()) {
        key.SetString(kRecentRemoteDirectory, remoteFolder);
    }
    transaction.Commit();
}

void MigrateSharedAccounts() {
    std::vector<std::string> labels = ListLabels(LRegScope::kAllUsers);
    for (const std::string& label : labels) {
        LRegKey from = AccountKey(label, LRegScope::kAllUsers);
        LRegKey to = AccountKey(label);
        bool remember = from.GetBool(kRememberPassword, false);
        LRegTransaction transaction;
        to.SetString(kServer, from.GetString(kServer, ""));
        to.SetString(kUserName, from.GetString(kUserName, ""));
        to.SetBool(kRememberPassword, remember);
        to.SetString(kPassword, remember ? from.GetString(kPassword, "") : std::string());
        to.SetString(kDirectory, from.GetString(kDirectory, "/"));
        to.SetString(kLocalDirectory, from.GetString(kLocalDirectory, ""));
        to.SetBool(kUseRecentRemote, false);
        to.SetBool(kUseRecentLocal, false);
        to.SetBool(kUseSsl, from.GetBool(kUseSsl, false));
        transaction.Commit();
    }
    for (const std::string& label : labels) {
        AccountKey(label, LRegScope::kAllUsers).DeleteTree();
    }
}

ServerAddress SplitServerAddress(std::string_view server) {
    return ParseHostText(server, kDefaultFtpPort);
}

StartFolders ChooseStartFolders(const FtpAccount& account) {
    StartFolders folders;
    folders.remote = account.useRecentRemote ? account.recentRemoteDirectory : account.directory;
    folders.local = account.useRecentLocal ? account.recentLocalDirectory : account.localDirectory;
    return folders;
}
