#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "net/host_address.h"

// Site accounts: one folder per account under "FTPAccounts" in the user's settings store, named
// after the account's label; the label of the account in use is "Settings" / "Current".

inline constexpr char kFtpAccountsFolder[] = "FTPAccounts";

// Everything needed to connect to one server and to pick the folders opened first. Strings keep
// 259 bytes. The password is kept in plain text, and only when rememberPassword is set.
struct FtpAccount {
    std::string label;
    std::string server;  // host, host:port, [IPv6 address] or [IPv6 address]:port
    std::string userName;
    std::string password;
    bool rememberPassword = false;
    bool useSsl = false;
    bool useRecentRemote = true;
    std::string directory = "/";
    std::string recentRemoteDirectory = "/";
    bool useRecentLocal = true;
    std::string localDirectory = "/";
    std::string recentLocalDirectory = "/";
};

// Reads the account; absent values take their defaults, so a missing account gives a record of
// defaults with the label. False only for an empty label.
bool LoadFtpAccount(std::string_view label, FtpAccount& account);
// Renames the account folder of oldLabel (or of the account's label when oldLabel is empty) to the
// account's label when it exists, carrying every value along, then writes the account's values;
// the recent folders stay as they are. One committed change. False for an empty label or when
// the store did not take it.
bool SaveFtpAccount(std::string_view oldLabel, const FtpAccount& account);
bool DeleteFtpAccount(std::string_view label);

// The labels in the store's order.
std::vector<std::string> ListFtpAccountLabels();
// The stored label equal to `label` ignoring case; false when there is none.
bool FindFtpAccountLabel(std::string_view label, std::string& storedLabel);

// The current site's label; false when there is none.
bool GetCurrentSite(std::string& label);
bool SetCurrentSite(std::string_view label);
bool ClearCurrentSite();
// Records the folders in use with the current site; an empty folder is not written, and nothing
// is written without a current site.
void SaveRecentDirectories(std::string_view localFolder, std::string_view remoteFolder);

// Copies every account of the all-users store into the current user's (without the recent
// folders, and with the password only when it was remembered), then deletes them there.
void MigrateSharedAccounts();

// The server text read as every server text is (ParseHostText), with 21 as the default port.
using ServerAddress = HostText;
ServerAddress SplitServerAddress(std::string_view server);

// The folders opened on connecting: the recent ones, or the fixed ones when the account says so.
struct StartFolders {
    std::string remote;
    std::string local;
};
StartFolders ChooseStartFolders(const FtpAccount& account);
