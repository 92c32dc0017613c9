#include "settings/site_checks.h"

#include "frame/text_limits.h"
#include "net/host_address.h"
#include "settings/ftp_account.h"

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

bool Fail(SiteCheckFailure& failure, int field, std::string headline, std::string text) {
    failure.field = field;
    failure.headline = std::move(headline);
    failure.text = std::move(text);
    return false;
}

}  // namespace

std::string SiteFieldText(std::string_view text) {
    text = text.substr(0, kTextLimit);
    while (!text.empty() && IsBlank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && IsBlank(text.back())) {
        text.remove_suffix(1);
    }
    return std::string(text);
}

bool CheckSiteAccountFields(std::string_view label, std::string_view server,
                            std::string_view userName, SiteCheckFailure& failure) {
    if (label.empty()) {
        return Fail(failure, kSiteLabelField, "Label Required",
                    "Please enter the display label for the site.");
    }
    if (label.find('/') != std::string_view::npos) {
        return Fail(failure, kSiteLabelField, "Label Required",
                    "The label cannot contain the / character.");
    }
    if (label.size() > kMaxSiteLabelBytes) {
        return Fail(failure, kSiteLabelField, "Label Required", "The label is too long.");
    }
    if (server.empty()) {
        return Fail(failure, kSiteServerField, kFtpServerRequiredHeadline,
                    std::string("Please enter the ftp server to transfer files to. ") +
                        kServerFormatSentence);
    }
    if (server.find('/') != std::string_view::npos) {
        return Fail(failure, kSiteServerField, kFtpServerRequiredHeadline,
                    "Server data invalid. The server should not contain the / character. "
                    "Correct forms are, for example, ftp.example.com or 192.0.2.10.");
    }
    const ServerAddress address = SplitServerAddress(server);
    if (address.status == HostTextStatus::kBadPort) {
        return Fail(failure, kSiteServerField, kFtpServerRequiredHeadline, kPortRangeText);
    }
    AddressList addresses;
    if (address.status == HostTextStatus::kOk) {
        ResolveHostList(address.host, addresses);
    }
    if (address.status != HostTextStatus::kOk || addresses.count == 0) {
        return Fail(failure, kSiteServerField, kFtpServerRequiredHeadline,
                    "Unable to validate Ftp Server. Connection failed. Please check the server "
                    "details and try again.");
    }
    if (userName.empty()) {
        return Fail(failure, kSiteUserNameField, "FTP User Name Required",
                    "Please enter a valid user name for the ftp account. If you don't know what it "
                    "is, speak to the administrator of the FTP server.");
    }
    return true;
}
