#include "cli/cli_sites.h"

#include <string>

#include "cli/cli_exit.h"
#include "cli/terminal_output.h"
#include "settings/ftp_account.h"
#include "settings/site_checks.h"
#include "settings/store_location.h"

namespace {

constexpr const char* kDefaultUser = "anonymous";

int Failure(const std::string& message) {
    PrintMessageLine("brindleftp-cli: " + message);
    return kExitFailed;
}

int NoSuchSite(const std::string& label) {
    return Failure("no site account named " + label);
}

}  // namespace

int CheckSettingsStore() {
    const LPreferenceStore::Status status = StoreStatusForScope(LRegScope::kCurrentUser);
    switch (status.state) {
        case LPreferenceStore::State::kUnavailable:
            return Failure(status.message);
        case LPreferenceStore::State::kMovedAside:
        case LPreferenceStore::State::kReadOnly:
            PrintMessageLine("brindleftp-cli: warning: " + status.message);
            return kExitDone;
        case LPreferenceStore::State::kOpened:
            break;
    }
    return kExitDone;
}

int RunSitesCommand(const CliOptions&, CliServices&) {
    for (const std::string& label : ListFtpAccountLabels()) {
        FtpAccount account;
        LoadFtpAccount(label, account);
        WriteOutputLine(label + '\t' + account.server + '\t' + account.userName + '\t' +
                        (account.useSsl ? '1' : '0'));
    }
    return kExitDone;
}

int RunSiteSaveCommand(const CliOptions& options, CliServices& services) {
    std::string label = SiteFieldText(options.arguments.at(0));
    std::string storedLabel;
    bool exists = !label.empty() && FindFtpAccountLabel(label, storedLabel);

    FtpAccount account;
    if (exists) {
        LoadFtpAccount(storedLabel, account);
    } else {
        account.userName = kDefaultUser;
    }
    account.label = label;
    if (options.server) {
        account.server = *options.server;
    }
    if (options.user) {
        account.userName = *options.user;
    }
    if (options.password) {
        account.password = *options.password;
    }
    if (options.HasCommandOption(kCliOptionRememberPassword)) {
        account.rememberPassword = true;
    }
    if (options.tls) {
        account.useSsl = true;
    }
    account.server = SiteFieldText(account.server);
    account.userName = SiteFieldText(account.userName);
    account.password = SiteFieldText(account.password);

    SiteCheckFailure failure;
    if (!CheckSiteAccountFields(account.label, account.server, account.userName, failure)) {
        services.ui.MessageBox(nullptr, failure.text, failure.headline);
        return kExitFailed;
    }
    if (!SaveFtpAccount(exists ? storedLabel : std::string(), account)) {
        return Failure("the site account could not be saved");
    }
    return kExitDone;
}

int RunSiteDeleteCommand(const CliOptions& options, CliServices&) {
    const std::string& label = options.arguments.at(0);
    std::string storedLabel;
    if (!FindFtpAccountLabel(label, storedLabel)) {
        return NoSuchSite(label);
    }
    if (!DeleteFtpAccount(storedLabel)) {
        return Failure("the site account could not be deleted");
    }
    return kExitDone;
}

int ApplySiteAccount(const CliOptions& options, CliOptions& effective) {
    effective = options;
    if (!options.site) {
        return kExitDone;
    }
    std::string storedLabel;
    if (!FindFtpAccountLabel(*options.site, storedLabel)) {
        return NoSuchSite(*options.site);
    }
    FtpAccount account;
    LoadFtpAccount(storedLabel, account);
    if (!options.server) {
        effective.server = account.server;
    }
    if (!options.user && !account.userName.empty()) {
        effective.user = account.userName;
    }
    if (options.passwordSource != PasswordSource::kOption && account.rememberPassword) {
        effective.password = account.password;
    }
    effective.tls = options.tls || account.useSsl;
    return kExitDone;
}
