#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "settings/store_location.h"

// A tree of folders over the flat settings store. A key is a folder path ending in '/'; a value
// is a named string in it; a folder exists as a marker entry (its path, holding its own last
// name) so that it can be listed, renamed and deleted with everything below it. Listing,
// deleting and renaming compare keys ignoring case; reads and writes use them exactly. Nothing
// is cached: every read goes to the store and every change is committed before it returns (a
// walk of a folder's children reads them once, when it starts).

// A key handle: a plain value, nothing is opened or held.
class LRegKey {
public:
    LRegKey() = default;
    // The key `root` + "/".
    static LRegKey Open(std::string_view root, LRegScope scope = LRegScope::kCurrentUser);
    // The child `name` of parent, in the parent's scope.
    static LRegKey OpenSubKey(const LRegKey& parent, std::string_view name);

    LRegScope scope() const { return scope_; }
    const std::string& name() const { return name_; }
    const std::string& path() const { return path_; }

    // The value, else defaultValue (cut to 259 bytes); a value longer than 259 bytes reads as "".
    // Returns whether a value existed.
    bool GetString(std::string_view valueName, std::string_view defaultValue,
                   std::string& value) const;
    std::string GetString(std::string_view valueName, std::string_view defaultValue = "") const;
    // "" gives defaultValue, a value starting with '0' false, anything else true.
    bool GetBool(std::string_view valueName, bool defaultValue) const;
    // "" gives defaultValue, else the leading decimal number.
    int GetInt(std::string_view valueName, int defaultValue) const;

    // Writes the value, with the markers of every folder on the key's path that has none, as
    // one committed change. False when the store did not take it.
    bool SetString(std::string_view valueName, std::string_view value) const;
    // Writes the value without creating markers.
    bool SetStringNoCreate(std::string_view valueName, std::string_view value) const;
    bool SetBool(std::string_view valueName, bool value) const;
    bool SetInt(std::string_view valueName, int value) const;

    bool DeleteValue(std::string_view valueName) const;
    // Removes the key's marker and everything below it.
    bool DeleteTree() const;
    bool DeleteSubTree(std::string_view childName) const;
    // Whether the key's marker is present.
    bool Exists() const;
    // Moves the key and everything below it to `newName` in the same parent folder, and makes
    // this handle the new key. An empty name does nothing and gives false.
    bool Rename(std::string_view newName);

private:
    LRegScope scope_ = LRegScope::kCurrentUser;
    std::string name_;
    std::string path_;
};

// The child folders of a key, in the store's order. A plain value stored directly in the parent
// folder is listed too, so listed folders hold only sub-folders. The children are read from the
// store once, by First (or a Next without it): one pass over the keys, so a walk costs as much
// as one listing however many children there are. A name that appears twice (a marker and a
// plain value, or two spellings in other letter case) is listed once, at its first place.
class LRegKeyIterator {
public:
    explicit LRegKeyIterator(const LRegKey& parent) : parent_(parent) {}

    // Starts again: the first child, or invalid when the parent has no marker or no children.
    bool First();
    // The child after the current one.
    bool Next();

    bool valid() const { return valid_; }
    const std::string& name() const { return name_; }
    const LRegKey& key() const { return key_; }

private:
    void ReadChildren();

    LRegKey parent_;
    std::vector<std::string> children_;
    std::size_t next_ = 0;
    bool read_ = false;
    std::string name_;
    LRegKey key_;
    bool valid_ = false;
};

// Makes a series of changes to one scope's store a single committed change: the changes made
// through LRegKey while it lives are kept together when Commit succeeds, and dropped otherwise.
class LRegTransaction {
public:
    explicit LRegTransaction(LRegScope scope = LRegScope::kCurrentUser);
    bool Commit();

private:
    LPreferenceStore* store_;
    std::optional<LPreferenceStore::Operation> operation_;
};

// Key comparisons of listing, deleting and renaming.
bool StartsWithIgnoringCase(std::string_view text, std::string_view prefix);
