#pragma once

#include <string>
#include <string_view>

#include "process/process_interface.h"

// The online version check: the update host announces the newest version in a small text with
// "version=<decimal number>" and "info=<address of the page about it>".

// The program's own version, "2.13", compared as a decimal number (2.2 is newer).
inline constexpr double kProgramVersion = 2.13;
inline constexpr char kVersionTextPath[] = "/versions/brindleftp_mac.txt";
inline constexpr char kCheckForUpdatesTitle[] = "Checking for Updates";

struct VersionInfo {
    double version = 0.0;
    std::string infoUrl;  // at most 259 bytes
};

// The decimal number at the start of the text as atof reads it in the "C" locale, whatever the
// user's locale: leading blanks, a sign, digits with '.', an exponent; 0 when there is none.
double ReadDecimal(std::string_view text);

// Finds the first "version=" and the first "info=" anywhere in the response (headers included);
// the address runs to the next '&' or the end of the response. False when either is missing.
bool ParseVersionInfo(std::string_view response, VersionInfo& info);

// Fetches the version text from the update host (5 s for connecting, sending and each wait).
LProcessResult FetchVersionInfo(LProcessInterface& iface, VersionInfo& info);

// An equal version counts as current.
bool IsNewerVersion(double announced);

// The process run under "Checking for Updates"; keeps what it fetched.
class LProcessCheckForVersionUpdates {
public:
    LProcessResult Run(LProcessInterface& iface) {
        result_ = FetchVersionInfo(iface, info_);
        return result_;
    }
    LProcessResult result() const { return result_; }
    const VersionInfo& info() const { return info_; }

private:
    VersionInfo info_;
    LProcessResult result_ = LPROCESS_FAILED;
};
