#pragma once

#include <string>
#include <string_view>

// Values addressed by section and name: the folder `section` + "/" of the current user's
// settings store. These write without folder markers.

inline constexpr char kSettingsSection[] = "Settings";

std::string GetSetting(std::string_view section, std::string_view name,
                       std::string_view defaultValue = "");
bool GetSettingBool(std::string_view section, std::string_view name, bool defaultValue);
int GetSettingInt(std::string_view section, std::string_view name, int defaultValue);

bool SetSetting(std::string_view section, std::string_view name, std::string_view value);
bool SetSettingBool(std::string_view section, std::string_view name, bool value);
bool SetSettingInt(std::string_view section, std::string_view name, int value);

bool DeleteSetting(std::string_view section, std::string_view name);
bool DeleteSection(std::string_view section);

// The same value in the all-users store.
std::string GetSettingAllUsers(std::string_view section, std::string_view name,
                               std::string_view defaultValue = "");
