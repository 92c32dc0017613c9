#pragma once

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/time.h>

#include <ctime>
#include <filesystem>
#include <map>
#include <memory>
#include <string>

#include "ftp/current_directory.h"
#include "settings/preference_options.h"
#include "settings/section_settings.h"
#include "support/temp_folder.h"
#include "transfer/local_tree.h"
#include "transfer/selection_transfers.h"
#include "transfer_test_support.h"

// Named apart from the other transfer tests' helpers: the test programs link them together.
namespace upload_test {

inline constexpr time_t kTwoDays = 2 * 24 * 60 * 60;

// Sets the two upload name rules for one test and puts the defaults back afterwards.
class UploadNameRules {
public:
    UploadNameRules(bool noSpaces, bool lowerCase) {
        SetSettingBool(kSettingsSection, kFtpNoSpacesKey, noSpaces);
        SetSettingBool(kSettingsSection, kFtpLowerCaseKey, lowerCase);
    }
    ~UploadNameRules() {
        DeleteSetting(kSettingsSection, kFtpNoSpacesKey);
        DeleteSetting(kSettingsSection, kFtpLowerCaseKey);
    }
    UploadNameRules(const UploadNameRules&) = delete;
    UploadNameRules& operator=(const UploadNameRules&) = delete;
};

// Gives the file the modification time `age` seconds before now.
inline void MakeOlder(const std::string& path, time_t age) {
    timeval times[2] = {};
    times[0].tv_sec = times[1].tv_sec = time(nullptr) - age;
    ASSERT_EQ(utimes(path.c_str(), times), 0) << path;
}

// A logged-on session on a real server, a local folder to upload from, and the commands under
// test working on both.
class UploadTest : public testing::TestWithParam<TestServerKind> {
protected:
    // Starts the server; the pane shows the session's start folder.
    bool StartServer(std::string& why) {
        server_ = std::make_unique<ServerSession>(GetParam());
        if (!server_->Start(why)) {
            return false;
        }
        pane.folder = server_->folder();
        transfers_ = std::make_unique<SelectionTransfers>(server_->session, pane, server_->ui,
                                                          server_->launcher);
        return true;
    }

    ServerSession& server() { return *server_; }
    SelectionTransfers& transfers() { return *transfers_; }
    ScriptedUiServices& ui() { return server_->ui; }

    std::string Local(const std::string& relative) const { return local_.File(relative); }
    const std::string& LocalRoot() const { return local_.path(); }
    std::string Remote(const std::string& relative) const {
        return server_->onDisk() + "/" + relative;
    }
    // The name the server gives an item of its start folder.
    std::string RemotePath(const std::string& relative) const {
        return server_->folder() == "/" ? "/" + relative : server_->folder() + "/" + relative;
    }

    // Writes a local file (and its folders) `age` seconds old.
    std::string MakeLocalFile(const std::string& relative, const std::string& bytes,
                              time_t age = 0) {
        std::string path = Local(relative);
        std::filesystem::create_directories(std::filesystem::path(path).parent_path());
        EXPECT_TRUE(WriteWholeFile(path, bytes)) << path;
        if (age != 0) {
            MakeOlder(path, age);
        }
        return path;
    }
    std::string MakeLocalFolder(const std::string& relative) {
        std::string path = Local(relative);
        std::filesystem::create_directories(path);
        return path;
    }
    // Puts a file on the server's disk `age` seconds old, writable by the server's user.
    void MakeRemoteFile(const std::string& relative, const std::string& bytes, time_t age = 0) {
        std::string path = Remote(relative);
        std::filesystem::create_directories(std::filesystem::path(path).parent_path());
        chmod(std::filesystem::path(path).parent_path().c_str(), 0777);
        ASSERT_TRUE(WriteWholeFile(path, bytes)) << path;
        chmod(path.c_str(), 0666);
        if (age != 0) {
            MakeOlder(path, age);
        }
    }
    void MakeRemoteFolder(const std::string& relative) {
        std::filesystem::create_directories(Remote(relative));
        chmod(Remote(relative).c_str(), 0777);
    }

    // The server's current folder as PWD names it.
    std::string ServerFolder() {
        std::string folder;
        EXPECT_TRUE(FtpGetCurrentDirectoryQuiet(server_->session.connection, folder));
        return folder;
    }

    FakeTransferPane pane;

private:
    std::unique_ptr<ServerSession> server_;
    std::unique_ptr<SelectionTransfers> transfers_;
    TempFolder local_{"brindle-upload"};
};

inline std::string ServerKindName(const testing::TestParamInfo<TestServerKind>& info) {
    return info.param == TestServerKind::kPyFtpd ? "pyftpdlib" : "vsftpd";
}

}  // namespace upload_test

#define START_UPLOAD_SERVER() START_OR_END_TEST(StartServer(why_))
