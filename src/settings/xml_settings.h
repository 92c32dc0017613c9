#pragma once

#include <string>
#include <string_view>

// The few values kept in XML files: section elements at the top level, one empty element per key
// inside, the value in its attribute "value". Every call reads the file again; results keep 259
// bytes. A missing file, section or key, or an unreadable file, gives the default.

// From the per-user file (GetPerUserXmlFile).
std::string XmlSettingsGet(std::string_view section, std::string_view key,
                           std::string_view defaultValue);
// Sets the value in the per-user file, adding the section and the key at the end when absent.
// False when the file could not be written, also when another process is writing it.
bool XmlSettingsSet(std::string_view section, std::string_view key, std::string_view value);
// From the shared file (GetSharedXmlFile).
std::string SharedXmlSettingsGet(std::string_view section, std::string_view key,
                                 std::string_view defaultValue);

// The same on a named file.
std::string XmlFileSettingsGet(const std::string& path, std::string_view section,
                               std::string_view key, std::string_view defaultValue);
bool XmlFileSettingsSet(const std::string& path, std::string_view section, std::string_view key,
                        std::string_view value);
