#pragma once

#include <string>

#include "settings/preference_store.h"

// Whose settings a key lives in. The program's own keys are the current user's; only the move of
// site accounts at installation reads the all-users store.
enum class LRegScope { kAllUsers, kCurrentUser };

// $XDG_CONFIG_HOME (else ~/.config) + "/brindleftp/preferences.sqlite", unless SetUserStorePath
// chose another file.
std::string UserStorePath();
// Points the current user's scope at another file (the installer works for a named user); ""
// goes back to the one of the environment.
void SetUserStorePath(const std::string& path);
// "/etc/xdg/brindleftp/preferences.sqlite" unless SetAllUsersStorePath chose another file.
std::string AllUsersStorePath();
// Points the all-users scope at another file; "" goes back to the system's. For tests and the
// installer.
void SetAllUsersStorePath(const std::string& path);

// The open store of the scope, opened on first use and kept for the life of the process; a
// changed location opens the new file. Null when it cannot be opened: reads then give their
// defaults and writes fail (the next use tries again). The all-users store is never created.
LPreferenceStore* StoreForScope(LRegScope scope);

// What the user is to be told about the scope's store, which is opened now unless it is open:
// kOpened; kMovedAside, naming where the damaged file went; or kUnavailable, saying why it
// cannot be opened (then the program carries on with the defaults and saves nothing).
LPreferenceStore::Status StoreStatusForScope(LRegScope scope = LRegScope::kCurrentUser);
