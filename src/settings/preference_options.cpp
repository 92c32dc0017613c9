#include "settings/preference_options.h"

#include "frame/text_limits.h"
#include "settings/reg_key.h"
#include "settings/section_settings.h"

PreferenceOptions LoadPreferenceOptions() {
    PreferenceOptions options;
    options.ftpRetry = GetSettingBool(kSettingsSection, kFtpRetryKey, kDefaultFtpRetry);
    options.ftpNoSpaces = GetSettingBool(kSettingsSection, kFtpNoSpacesKey, kDefaultFtpNoSpaces);
    options.ftpLowerCase = GetSettingBool(kSettingsSection, kFtpLowerCaseKey, kDefaultFtpLowerCase);
    int units = GetSettingInt(kSettingsSection, kFileSizeUnitsKey, kDefaultFileSizeUnits);
    options.fileSizeUnits =
        units >= kSizeUnitBytes && units <= kSizeUnitMegaBytes ? units : kDefaultFileSizeUnits;
    return options;
}

void SavePreferenceOptions(const PreferenceOptions& options) {
    LRegTransaction transaction;
    SetSettingBool(kSettingsSection, kFtpRetryKey, options.ftpRetry);
    SetSettingBool(kSettingsSection, kFtpNoSpacesKey, options.ftpNoSpaces);
    SetSettingBool(kSettingsSection, kFtpLowerCaseKey, options.ftpLowerCase);
    SetSettingInt(kSettingsSection, kFileSizeUnitsKey, options.fileSizeUnits);
    transaction.Commit();
}

std::string UploadRemoteName(std::string_view localName) {
    std::string name = CutText(localName);
    if (GetSettingBool(kSettingsSection, kFtpNoSpacesKey, kDefaultFtpNoSpaces)) {
        for (char& c : name) {
            if (c == ' ') {
                c = '_';
            }
        }
    }
    if (GetSettingBool(kSettingsSection, kFtpLowerCaseKey, kDefaultFtpLowerCase)) {
        // Byte by byte: bytes of UTF-8 sequences stay as they are.
        for (char& c : name) {
            if (c >= 'A' && c <= 'Z') {
                c = static_cast<char>(c - 'A' + 'a');
            }
        }
    }
    return name;
}

std::string FormatSizeInUnits(std::uint64_t size, int units) {
    std::uint64_t divisor = 1024;
    const char* suffix = "KB";
    if (units == kSizeUnitBytes) {
        divisor = 1;
        suffix = "B";
    } else if (units == kSizeUnitMegaBytes) {
        divisor = 1048576;
        suffix = "MB";
    }
    std::uint64_t amount = size / divisor + (size % divisor != 0 ? 1 : 0);

    std::string digits = std::to_string(amount);
    std::string text;
    std::size_t lead = digits.size() % 3 == 0 ? 3 : digits.size() % 3;
    text = digits.substr(0, lead);
    for (std::size_t at = lead; at < digits.size(); at += 3) {
        text += ',';
        text += digits.substr(at, 3);
    }
    return text + " " + suffix;
}
