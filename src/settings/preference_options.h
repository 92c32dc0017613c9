#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// The transfer options of the Preferences dialog, kept in section "Settings".

inline constexpr char kFtpRetryKey[] = "FtpRetry";            // retry a failed connection
inline constexpr char kFtpNoSpacesKey[] = "FtpNoSpaces";      // spaces of uploaded names become '_'
inline constexpr char kFtpLowerCaseKey[] = "FtpLowerCase";    // uploaded names in lower case
inline constexpr char kFileSizeUnitsKey[] = "FileSizeUnits";  // unit of remote sizes

inline constexpr bool kDefaultFtpRetry = false;
inline constexpr bool kDefaultFtpNoSpaces = false;
inline constexpr bool kDefaultFtpLowerCase = false;

// Units of FormatSizeInUnits and of "FileSizeUnits".
inline constexpr int kSizeUnitBytes = 0;
inline constexpr int kSizeUnitKiloBytes = 1;
inline constexpr int kSizeUnitMegaBytes = 2;
inline constexpr int kDefaultFileSizeUnits = kSizeUnitKiloBytes;

struct PreferenceOptions {
    bool ftpRetry = kDefaultFtpRetry;
    bool ftpNoSpaces = kDefaultFtpNoSpaces;
    bool ftpLowerCase = kDefaultFtpLowerCase;
    int fileSizeUnits = kDefaultFileSizeUnits;  // 0, 1 or 2
};

// The stored options with their defaults; a stored unit outside 0 to 2 reads as KiloBytes.
PreferenceOptions LoadPreferenceOptions();
// Writes "FtpRetry", "FtpNoSpaces", "FtpLowerCase" and "FileSizeUnits", in that order.
void SavePreferenceOptions(const PreferenceOptions& options);

// The remote name of an uploaded file: the local name (259 bytes kept), spaces made '_' when
// "FtpNoSpaces" is set, then ASCII letters lowered when "FtpLowerCase" is set. Reads both
// settings at every call.
std::string UploadRemoteName(std::string_view localName);

// A byte count in the unit: 0 bytes "B", 2 "MB", anything else "KB"; rounded up, with ","
// between groups of three digits: (1025, 1) gives "2 KB", (1234567, 0) "1,234,567 B".
std::string FormatSizeInUnits(std::uint64_t size, int units);
