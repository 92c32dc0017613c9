#include "settings/reg_key.h"

#include <cstdlib>
#include <unordered_set>

#include "frame/ascii_case.h"
#include "frame/text_limits.h"

namespace {

// "%s%s" when the folder ends in '/', else "%s/%s".
std::string JoinKey(std::string_view folder, std::string_view name) {
    std::string key(folder);
    if (!key.empty() && key.back() != '/') {
        key += '/';
    }
    key += name;
    return CutText(key);
}

// Writes the marker of every folder on `path` that has none: "a/b/" gets "a/" holding "a" and
// "a/b/" holding "b". Runs of '/' count as one; leading ones are skipped.
void WriteMissingMarkers(LPreferenceStore& store, const std::string& path) {
    std::size_t at = 0;
    while (at < path.size()) {
        while (at < path.size() && path[at] == '/') {
            ++at;
        }
        std::size_t start = at;
        while (at < path.size() && path[at] != '/') {
            ++at;
        }
        if (at >= path.size()) {
            break;
        }
        std::string prefix = path.substr(0, at + 1);
        if (!store.Read(prefix)) {
            store.Write(prefix, std::string_view(path).substr(start, at - start));
        }
    }
}

// ASCII letters in lower case, as the comparisons ignoring case see them.
std::string LowerCase(std::string_view text) {
    std::string lower(text);
    for (char& c : lower) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return lower;
}

// The folder that holds the key: its path up to and including the second-to-last '/'.
std::string ParentPath(const std::string& path) {
    if (path.size() < 2) {
        return "";
    }
    std::size_t cut = path.find_last_of('/', path.size() - 2);
    return cut == std::string::npos ? std::string() : path.substr(0, cut + 1);
}

}  // namespace

bool StartsWithIgnoringCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() &&
           EqualsIgnoringCase(text.substr(0, prefix.size()), prefix);
}

LRegKey LRegKey::Open(std::string_view root, LRegScope scope) {
    LRegKey key;
    key.scope_ = scope;
    key.name_ = CutText(root);
    key.path_ = CutText(std::string(root) + "/");
    return key;
}

LRegKey LRegKey::OpenSubKey(const LRegKey& parent, std::string_view name) {
    LRegKey key;
    key.scope_ = parent.scope_;
    key.name_ = CutText(name);
    key.path_ = CutText(parent.path_ + std::string(name) + "/");
    return key;
}

bool LRegKey::GetString(std::string_view valueName, std::string_view defaultValue,
                        std::string& value) const {
    value = CutText(defaultValue);
    LPreferenceStore* store = StoreForScope(scope_);
    if (store == nullptr) {
        return false;
    }
    std::optional<std::string> stored = store->Read(JoinKey(path_, valueName));
    if (!stored) {
        return false;
    }
    // What does not fit is not kept at all, rather than cut.
    value = stored->size() <= kTextLimit ? std::move(*stored) : std::string();
    return true;
}

std::string LRegKey::GetString(std::string_view valueName, std::string_view defaultValue) const {
    std::string value;
    GetString(valueName, defaultValue, value);
    return value;
}

bool LRegKey::GetBool(std::string_view valueName, bool defaultValue) const {
    std::string value = GetString(valueName, "");
    if (value.empty()) {
        return defaultValue;
    }
    return value[0] != '0';
}

int LRegKey::GetInt(std::string_view valueName, int defaultValue) const {
    std::string value = GetString(valueName, "");
    if (value.empty()) {
        return defaultValue;
    }
    return static_cast<int>(std::strtol(value.c_str(), nullptr, 10));
}

bool LRegKey::SetString(std::string_view valueName, std::string_view value) const {
    LPreferenceStore* store = StoreForScope(scope_);
    if (store == nullptr) {
        return false;
    }
    LPreferenceStore::Operation operation(*store);
    WriteMissingMarkers(*store, path_);
    store->Write(JoinKey(path_, valueName), value);
    return operation.Flush();
}

bool LRegKey::SetStringNoCreate(std::string_view valueName, std::string_view value) const {
    LPreferenceStore* store = StoreForScope(scope_);
    if (store == nullptr) {
        return false;
    }
    LPreferenceStore::Operation operation(*store);
    store->Write(JoinKey(path_, valueName), value);
    return operation.Flush();
}

bool LRegKey::SetBool(std::string_view valueName, bool value) const {
    return SetString(valueName, value ? "1" : "0");
}

bool LRegKey::SetInt(std::string_view valueName, int value) const {
    return SetString(valueName, std::to_string(value));
}

bool LRegKey::DeleteValue(std::string_view valueName) const {
    LPreferenceStore* store = StoreForScope(scope_);
    if (store == nullptr) {
        return false;
    }
    LPreferenceStore::Operation operation(*store);
    store->Remove(JoinKey(path_, valueName));
    return operation.Flush();
}

bool LRegKey::DeleteTree() const {
    LPreferenceStore* store = StoreForScope(scope_);
    if (store == nullptr) {
        return false;
    }
    std::string prefix = path_;
    if (prefix.empty() || prefix.back() != '/') {
        prefix += '/';
    }
    LPreferenceStore::Operation operation(*store);
    for (const std::string& key : store->ListKeys()) {
        if (StartsWithIgnoringCase(key, prefix)) {
            store->Remove(key);
        }
    }
    return operation.Flush();
}

bool LRegKey::DeleteSubTree(std::string_view childName) const {
    return OpenSubKey(*this, childName).DeleteTree();
}

bool LRegKey::Exists() const {
    LPreferenceStore* store = StoreForScope(scope_);
    return store != nullptr && store->Read(path_).has_value();
}

bool LRegKey::Rename(std::string_view newName) {
    if (newName.empty()) {
        return false;
    }
    LPreferenceStore* store = StoreForScope(scope_);
    if (store == nullptr) {
        return false;
    }
    std::string newPath = CutText(ParentPath(path_) + std::string(newName) + "/");
    LPreferenceStore::Operation operation(*store);
    for (const std::string& key : store->ListKeys()) {
        if (!StartsWithIgnoringCase(key, path_)) {
            continue;
        }
        bool marker = key.size() == path_.size();
        std::string value = marker ? std::string(newName) : store->Read(key).value_or("");
        std::string newKey = CutText(newPath + key.substr(path_.size()));
        // Rewriting a key in place keeps its place in the listing.
        if (newKey != key) {
            store->Remove(key);
        }
        store->Write(newKey, value);
    }
    bool committed = operation.Flush();
    if (committed) {
        name_ = CutText(newName);
        path_ = newPath;
    }
    return committed;
}

bool LRegKeyIterator::First() {
    read_ = false;
    valid_ = false;
    name_.clear();
    if (!parent_.Exists()) {
        return false;
    }
    return Next();
}

bool LRegKeyIterator::Next() {
    if (!read_) {
        ReadChildren();
    }
    valid_ = next_ < children_.size();
    if (!valid_) {
        return false;
    }
    name_ = children_[next_++];
    key_ = LRegKey::OpenSubKey(parent_, name_);
    return true;
}

void LRegKeyIterator::ReadChildren() {
    read_ = true;
    children_.clear();
    next_ = 0;
    LPreferenceStore* store = StoreForScope(parent_.scope());
    if (store == nullptr) {
        return;
    }
    const std::string& parentPath = parent_.path();
    std::unordered_set<std::string> seen;  // the names listed, in lower case
    for (const std::string& key : store->ListKeys()) {
        if (!StartsWithIgnoringCase(key, parentPath)) {
            continue;
        }
        std::string_view rest = std::string_view(key).substr(parentPath.size());
        if (!rest.empty() && rest.back() == '/') {
            rest.remove_suffix(1);
        }
        if (rest.empty() || rest.find('/') != std::string_view::npos) {
            continue;
        }
        if (seen.insert(LowerCase(rest)).second) {
            children_.emplace_back(rest);
        }
    }
}

LRegTransaction::LRegTransaction(LRegScope scope) : store_(StoreForScope(scope)) {
    if (store_ != nullptr) {
        operation_.emplace(*store_);
    }
}

bool LRegTransaction::Commit() {
    return operation_ && operation_->Flush();
}
