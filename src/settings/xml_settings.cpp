#include "settings/xml_settings.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <memory>

#include "frame/file_descriptor.h"
#include "frame/text_limits.h"
#include "settings/data_folders.h"
#include "settings/xml_document.h"

namespace {

constexpr std::string_view kValueAttribute = "value";

// The child element named `name`, appended at the end when there is none.
LXmlNode* FindOrAppend(LXmlNode& parent, std::string_view name) {
    if (LXmlNode* found = parent.FindChild(name)) {
        return found;
    }
    auto child = std::make_unique<LXmlNode>();
    child->SetName(name);
    return parent.AppendChild(std::move(child));
}

}  // namespace

std::string XmlFileSettingsGet(const std::string& path, std::string_view section,
                               std::string_view key, std::string_view defaultValue) {
    LXmlNode document;
    std::string error;
    document.LoadFile(path, error);  // a damaged file gives what could be read
    const LXmlNode* sectionNode = document.FindChild(section);
    const LXmlNode* keyNode = sectionNode != nullptr ? sectionNode->FindChild(key) : nullptr;
    if (keyNode == nullptr) {
        return CutText(defaultValue);
    }
    return CutText(keyNode->GetAttribute(kValueAttribute, defaultValue));
}

bool XmlFileSettingsSet(const std::string& path, std::string_view section, std::string_view key,
                        std::string_view value) {
    LXmlNode document;
    // The file's own indentation is layout, not text: dropping it on reading keeps the
    // one-element-per-line layout on every rewrite.
    document.keepSpace = false;
    std::string error;
    document.LoadFile(path, error);
    FindOrAppend(*FindOrAppend(document, section), key)->SetAttribute(kValueAttribute, value);

    FileDescriptor file(open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666));
    if (file.get() < 0) {
        return false;
    }
    // Another writer holds the file: give up rather than wait.
    if (flock(file.get(), LOCK_EX | LOCK_NB) != 0) {
        return false;
    }
    // Emptied only once the lock is ours, so a writer at work never loses its file.
    if (ftruncate(file.get(), 0) != 0) {
        return false;
    }
    return document.Save(file.get()) && file.Close();
}

std::string XmlSettingsGet(std::string_view section, std::string_view key,
                           std::string_view defaultValue) {
    return XmlFileSettingsGet(GetPerUserXmlFile(), section, key, defaultValue);
}

bool XmlSettingsSet(std::string_view section, std::string_view key, std::string_view value) {
    return XmlFileSettingsSet(GetPerUserXmlFile(), section, key, value);
}

std::string SharedXmlSettingsGet(std::string_view section, std::string_view key,
                                 std::string_view defaultValue) {
    return XmlFileSettingsGet(GetSharedXmlFile(), section, key, defaultValue);
}
