#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "settings/store_location.h"
#include "support/temp_folder.h"

// Points the user's folders (HOME, XDG_CONFIG_HOME, XDG_DATA_HOME, XDG_DATA_DIRS) and the
// all-users store at fresh temporary folders for one test, so every test starts with empty
// stores and no settings files. The variables are restored afterwards.
class FreshSettings : public testing::Test {
protected:
    void SetUp() override {
        for (const char* name : kVariables) {
            const char* value = std::getenv(name);
            saved_.emplace_back(
                name, value != nullptr ? std::optional<std::string>(value) : std::nullopt);
        }
        setenv("HOME", home_.path().c_str(), 1);
        setenv("XDG_CONFIG_HOME", (home_.path() + "/.config").c_str(), 1);
        setenv("XDG_DATA_HOME", (home_.path() + "/.local/share").c_str(), 1);
        setenv("XDG_DATA_DIRS", system_.File("share").c_str(), 1);
        SetAllUsersStorePath(system_.File("all-users.sqlite"));
    }

    void TearDown() override {
        SetAllUsersStorePath("");
        for (const auto& [name, value] : saved_) {
            if (value) {
                setenv(name.c_str(), value->c_str(), 1);
            } else {
                unsetenv(name.c_str());
            }
        }
    }

    const std::string& home() const { return home_.path(); }
    std::string allUsersPath() const { return system_.File("all-users.sqlite"); }
    std::string systemFolder() const { return system_.path(); }

    // Every entry of the user's store in its order: key and value.
    static std::vector<std::pair<std::string, std::string>> Entries(
        LRegScope scope = LRegScope::kCurrentUser) {
        std::vector<std::pair<std::string, std::string>> entries;
        LPreferenceStore* store = StoreForScope(scope);
        if (store == nullptr) {
            return entries;
        }
        for (const std::string& key : store->ListKeys()) {
            entries.emplace_back(key, store->Read(key).value_or("<missing>"));
        }
        return entries;
    }

    static std::optional<std::string> Raw(const std::string& key,
                                          LRegScope scope = LRegScope::kCurrentUser) {
        LPreferenceStore* store = StoreForScope(scope);
        return store != nullptr ? store->Read(key) : std::nullopt;
    }

private:
    static constexpr const char* kVariables[] = {"HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME",
                                                 "XDG_DATA_DIRS"};
    TempFolder home_{"brindle-settings-home"};
    TempFolder system_{"brindle-settings-system"};
    std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

using Entry = std::pair<std::string, std::string>;
using EntryList = std::vector<Entry>;
