#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// The checks the site properties page makes on OK before an account is saved (label, server,
// user name), shared by the dialog and the command line. No connection is made.

// Fields of the site properties page that a failed check points at.
inline constexpr int kSiteLabelField = 9600;
inline constexpr int kSiteServerField = 9602;
inline constexpr int kSiteUserNameField = 9604;

// The headline of every server message, and the sentence on the server's form that the
// server messages share.
inline constexpr char kFtpServerRequiredHeadline[] = "FTP Server Required";
inline constexpr char kServerFormatSentence[] =
    "The format can be the domain form, such as ftp.example.com, or a dotted IP address, such as "
    "192.0.2.10.";

// A label names a folder of the settings store: with "FTPAccounts/", the "/" after the label
// and the longest value name, it must stay within the store's 259-byte key.
inline constexpr std::size_t kMaxSiteLabelBytes = 225;

struct SiteCheckFailure {
    int field = 0;
    std::string headline;
    std::string text;
};

// A field's text as the page reads it: 259 bytes kept, leading and trailing white space removed.
std::string SiteFieldText(std::string_view text);

// The checks in their order: label given, no '/' in the label, label at most kMaxSiteLabelBytes,
// server given, no '/' in the server, a port (when given) of 1 to 65535, the server's host
// resolves (dotted address or name; an IPv6 address in brackets is taken as it is), user name
// given. Takes texts made by SiteFieldText. True when all pass; else the first failure.
bool CheckSiteAccountFields(std::string_view label, std::string_view server,
                            std::string_view userName, SiteCheckFailure& failure);
