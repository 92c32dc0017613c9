#include "settings/store_location.h"

#include <cstdlib>
#include <map>
#include <memory>
#include <mutex>

#include "frame/paths.h"

namespace {

constexpr const char* kSystemAllUsersStore = "/etc/xdg/brindleftp/preferences.sqlite";

struct OpenStores {
    std::mutex mutex;
    std::string allUsersPath;
    std::string userPath;
    std::map<std::string, std::unique_ptr<LPreferenceStore>> byPath;
};

OpenStores& Stores() {
    static OpenStores stores;
    return stores;
}

std::string ConfigHome() {
    const char* value = std::getenv("XDG_CONFIG_HOME");
    // The XDG rules ignore a relative path here.
    if (value != nullptr && value[0] == '/') {
        return value;
    }
    return PathJoin(GetHomeFolder(), ".config");
}

}  // namespace

std::string UserStorePath() {
    {
        OpenStores& stores = Stores();
        std::lock_guard lock(stores.mutex);
        if (!stores.userPath.empty()) {
            return stores.userPath;
        }
    }
    return PathJoin(PathJoin(ConfigHome(), "brindleftp"), "preferences.sqlite");
}

void SetUserStorePath(const std::string& path) {
    OpenStores& stores = Stores();
    std::lock_guard lock(stores.mutex);
    stores.userPath = path;
}

std::string AllUsersStorePath() {
    OpenStores& stores = Stores();
    std::lock_guard lock(stores.mutex);
    return stores.allUsersPath.empty() ? kSystemAllUsersStore : stores.allUsersPath;
}

void SetAllUsersStorePath(const std::string& path) {
    OpenStores& stores = Stores();
    std::lock_guard lock(stores.mutex);
    stores.allUsersPath = path;
}

namespace {

LPreferenceStore* OpenStore(LRegScope scope, LPreferenceStore::Status* status) {
    bool own = scope == LRegScope::kCurrentUser;
    std::string path = own ? UserStorePath() : AllUsersStorePath();
    OpenStores& stores = Stores();
    std::lock_guard lock(stores.mutex);
    std::unique_ptr<LPreferenceStore>& store = stores.byPath[path];
    if (store) {
        if (status != nullptr) {
            *status = store->status();
        }
    } else {
        // Not kept when it fails: a store that appears later is found on the next use.
        store = LPreferenceStore::Open(
            path, own ? LPreferenceStore::Access::kOwn : LPreferenceStore::Access::kExisting,
            status);
    }
    return store.get();
}

}  // namespace

LPreferenceStore* StoreForScope(LRegScope scope) {
    return OpenStore(scope, nullptr);
}

LPreferenceStore::Status StoreStatusForScope(LRegScope scope) {
    LPreferenceStore::Status status;
    OpenStore(scope, &status);
    return status;
}
