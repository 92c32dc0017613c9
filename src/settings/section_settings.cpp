#include "settings/section_settings.h"

#include "settings/reg_key.h"

namespace {

LRegKey SectionKey(std::string_view section, LRegScope scope = LRegScope::kCurrentUser) {
    return LRegKey::Open(section, scope);
}

}  // namespace

std::string GetSetting(std::string_view section, std::string_view name,
                       std::string_view defaultValue) {
    return SectionKey(section).GetString(name, defaultValue);
}

bool GetSettingBool(std::string_view section, std::string_view name, bool defaultValue) {
    return SectionKey(section).GetBool(name, defaultValue);
}

int GetSettingInt(std::string_view section, std::string_view name, int defaultValue) {
    return SectionKey(section).GetInt(name, defaultValue);
}

bool SetSetting(std::string_view section, std::string_view name, std::string_view value) {
    return SectionKey(section).SetStringNoCreate(name, value);
}

bool SetSettingBool(std::string_view section, std::string_view name, bool value) {
    return SetSetting(section, name, value ? "1" : "0");
}

bool SetSettingInt(std::string_view section, std::string_view name, int value) {
    return SetSetting(section, name, std::to_string(value));
}

bool DeleteSetting(std::string_view section, std::string_view name) {
    return SectionKey(section).DeleteValue(name);
}

bool DeleteSection(std::string_view section) {
    return SectionKey(section).DeleteTree();
}

std::string GetSettingAllUsers(std::string_view section, std::string_view name,
                               std::string_view defaultValue) {
    return SectionKey(section, LRegScope::kAllUsers).GetString(name, defaultValue);
}
