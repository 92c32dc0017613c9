// sites, site-save, site-delete and --site: the real program with its own settings folders for
// every test, and a real pyftpdlib server where a stored site must connect.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <ctime>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "servers/pyftpd_fixture.h"
#include "settings/preference_store.h"
#include "support/cli_runner.h"
#include "support/temp_folder.h"

namespace {

constexpr const char* kServerInvalidLine =
    "FTP Server Required: Server data invalid. The server should not contain the / character. "
    "Correct forms are, for example, ftp.example.com or 192.168.1.20.\n";

class CliSites : public testing::Test {
protected:
    // The program's settings and log live in this test's own home.
    CliRun Run(const std::vector<std::string>& args) const {
        return RunCli(args, {{"HOME", home_.path()},
                             {"XDG_CONFIG_HOME", home_.path() + "/.config"},
                             {"XDG_DATA_HOME", home_.path() + "/.local/share"}});
    }

    std::string StorePath() const {
        return home_.path() + "/.config/brindleftp/preferences.sqlite";
    }

    // A value as the program stored it.
    std::optional<std::string> Stored(const std::string& key) const {
        auto store = LPreferenceStore::Open(StorePath(), LPreferenceStore::Access::kExisting);
        return store != nullptr ? store->Read(key) : std::nullopt;
    }

    // Every log file the program wrote, one after the other.
    std::string Logs() const {
        std::string text;
        std::string folder = home_.path() + "/.local/share/Velmor Software/BrindleFTP/Logs";
        if (std::filesystem::is_directory(folder)) {
            for (const auto& entry : std::filesystem::directory_iterator(folder)) {
                text += ReadWholeFile(entry.path().string());
            }
        }
        return text;
    }

    TempFolder home_{"brindle-cli-sites"};
};

TEST_F(CliSites, ASavedSiteIsListedWithServerUserAndTlsFlag) {
    CliRun save = Run({"--server", "localhost:2121", "--user", "u", "--password", "p", "site-save",
                       "A", "--remember-password"});
    EXPECT_EQ(save.status, 0) << save.err;
    EXPECT_EQ(save.out, "");
    EXPECT_EQ(save.err, "");

    CliRun sites = Run({"sites"});
    EXPECT_EQ(sites.status, 0) << sites.err;
    EXPECT_EQ(sites.out, "A\tlocalhost:2121\tu\t0\n");
    EXPECT_EQ(Stored("FTPAccounts/A/Password"), "p");
    EXPECT_EQ(Stored("FTPAccounts/A/RemP"), "1");
}

TEST_F(CliSites, SitesAreListedInTheOrderTheyWereFirstSaved) {
    EXPECT_EQ(Run({"--server", "10.0.0.2", "--user", "b", "--tls", "site-save", "B"}).status, 0);
    EXPECT_EQ(Run({"--server", "10.0.0.1:990", "site-save", "A"}).status, 0);
    EXPECT_EQ(Run({"--server", "10.0.0.3", "site-save", "B"}).status, 0);  // keeps its place
    EXPECT_EQ(Run({"sites"}).out, "B\t10.0.0.3\tb\t1\nA\t10.0.0.1:990\tanonymous\t0\n");
    // A label typed in other letters names the same site, which takes the new spelling.
    EXPECT_EQ(Run({"--server", "10.0.0.4", "site-save", "a"}).status, 0);
    EXPECT_EQ(Run({"sites"}).out, "B\t10.0.0.3\tb\t1\na\t10.0.0.4\tanonymous\t0\n");
}

TEST_F(CliSites, NoSitesListNothing) {
    CliRun sites = Run({"sites"});
    EXPECT_EQ(sites.status, 0);
    EXPECT_EQ(sites.out, "");
}

TEST_F(CliSites, APasswordIsStoredOnlyWhenItIsToBeRemembered) {
    EXPECT_EQ(Run({"--server", "10.0.0.1", "--password", "p", "site-save", "A"}).status, 0);
    EXPECT_EQ(Stored("FTPAccounts/A/Password"), "");
    EXPECT_EQ(Stored("FTPAccounts/A/RemP"), "0");
    // Nor is it ever written to the log.
    EXPECT_EQ(Logs().find("--password"), std::string::npos);
}

TEST_F(CliSites, AnExistingSiteKeepsWhatTheOptionsDoNotGive) {
    ASSERT_EQ(Run({"--server", "10.0.0.1:2121", "--user", "u", "--password", "p", "--tls",
                   "site-save", "A", "--remember-password"})
                  .status,
              0);
    CliRun resave = Run({"--server", "10.0.0.9", "site-save", "A"});
    EXPECT_EQ(resave.status, 0) << resave.err;
    EXPECT_EQ(Run({"sites"}).out, "A\t10.0.0.9\tu\t1\n");
    EXPECT_EQ(Stored("FTPAccounts/A/Password"), "p");
    EXPECT_EQ(Stored("FTPAccounts/A/RemP"), "1");
}

TEST_F(CliSites, TheSiteDialogsChecksRefuseWithTheirHeadlinesAndTexts) {
    struct Case {
        std::vector<std::string> args;
        std::string err;
    };
    const Case cases[] = {
        {{"--server", "a/b", "--user", "u", "site-save", "X"}, kServerInvalidLine},
        {{"--server", "10.0.0.1", "site-save", "  "},
         "Label Required: Please enter the display label for the site.\n"},
        {{"--user", "u", "site-save", "X"},
         "FTP Server Required: Please enter the ftp server to transfer files to. The format can "
         "be the domain form, such as ftp.example.com, or a dotted IP address, such as "
         "192.168.1.20.\n"},
        {{"--server", "no-such-host.invalid", "site-save", "X"},
         "FTP Server Required: Unable to validate Ftp Server. Connection failed. Please check the "
         "server details and try again.\n"},
        {{"--server", "10.0.0.1", "--user", " ", "site-save", "X"},
         "FTP User Name Required: Please enter a valid user name for the ftp account. If you "
         "don't know what it is, speak to the administrator of the FTP server.\n"},
    };
    for (const Case& c : cases) {
        CliRun run = Run(c.args);
        EXPECT_EQ(run.status, 2) << c.err;
        EXPECT_EQ(run.err, c.err);
        EXPECT_EQ(run.out, "");
    }
    EXPECT_EQ(Run({"sites"}).out, "");
}

TEST_F(CliSites, DeletingASite) {
    Run({"--server", "10.0.0.1", "site-save", "A"});
    Run({"--server", "10.0.0.2", "site-save", "B"});
    CliRun removed = Run({"site-delete", "a"});
    EXPECT_EQ(removed.status, 0) << removed.err;
    EXPECT_EQ(Run({"sites"}).out, "B\t10.0.0.2\tanonymous\t0\n");
    EXPECT_EQ(Stored("FTPAccounts/A/Server"), std::nullopt);

    CliRun missing = Run({"site-delete", "A"});
    EXPECT_EQ(missing.status, 2);
    EXPECT_EQ(missing.err, "brindleftp-cli: no site account named A\n");
}

TEST_F(CliSites, AnUnknownSiteIsRefused) {
    CliRun run = Run({"--site", "Home", "pwd"});
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.err, "brindleftp-cli: no site account named Home\n");
    EXPECT_EQ(run.out, "");
}

TEST_F(CliSites, ADamagedStoreIsMovedAsideAndSaidSoInTheLog) {
    std::filesystem::create_directories(home_.path() + "/.config/brindleftp");
    ASSERT_TRUE(WriteWholeFile(StorePath(), std::string(5000, '?')));
    CliRun save = Run({"--server", "10.0.0.1", "site-save", "A"});
    EXPECT_EQ(save.status, 0) << save.err;
    EXPECT_EQ(Run({"sites"}).out, "A\t10.0.0.1\tanonymous\t0\n");

    std::vector<std::string> aside;
    for (const auto& entry :
         std::filesystem::directory_iterator(home_.path() + "/.config/brindleftp")) {
        std::string name = entry.path().filename().string();
        if (name.rfind("preferences.sqlite.corrupt-", 0) == 0) {
            aside.push_back(entry.path().string());
        }
    }
    ASSERT_EQ(aside.size(), 1u);
    EXPECT_EQ(ReadWholeFile(aside[0]), std::string(5000, '?'));
    std::string logs = Logs();
    std::string line = "The settings store " + StorePath() +
                       " could not be read as a database; it was moved to " + aside[0] +
                       " and a new store was started.";
    EXPECT_EQ(std::count(logs.begin(), logs.end(), '\n'), 1) << logs;
    EXPECT_NE(logs.find(line), std::string::npos) << logs;
}

// --- connecting with a stored site -----------------------------------------------------------

class CliSiteConnect : public CliSites {
protected:
    void SetUp() override {
        std::string why;
        ASSERT_TRUE(server_.Start(&why)) << why;
    }

    PyFtpdServer server_;
};

TEST_F(CliSiteConnect, ASavedSiteConnectsWithItsAddressUserAndPassword) {
    CliRun save = Run({"--server", server_.hostText(), "--user", "test", "--password", "secret",
                       "site-save", "Test Server", "--remember-password"});
    ASSERT_EQ(save.status, 0) << save.err;

    CliRun run = Run({"--site", "Test Server", "pwd"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "/\n");
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(Logs().find("secret"), std::string::npos) << Logs();
}

TEST_F(CliSiteConnect, OptionsOnTheCommandLineOverrideTheStoredSite) {
    ASSERT_EQ(Run({"--server", server_.hostText(), "--user", "test", "--password", "secret",
                   "site-save", "S", "--remember-password"})
                  .status,
              0);
    ASSERT_EQ(mkdir((server_.root() + "/sub").c_str(), 0755), 0);

    CliRun wrongPassword = Run({"--site", "S", "--password", "wrong", "pwd"});
    EXPECT_EQ(wrongPassword.status, 2);
    EXPECT_EQ(wrongPassword.err, "Unable to log onto server.\n");

    CliRun withCd = Run({"--site", "s", "--cd", "sub", "pwd"});
    EXPECT_EQ(withCd.status, 0) << withCd.err;
    EXPECT_EQ(withCd.out, "/sub\n");
}

TEST_F(CliSiteConnect, AForgottenPasswordComesFromTheEnvironment) {
    ASSERT_EQ(Run({"--server", server_.hostText(), "--user", "test", "site-save", "S"}).status, 0);
    CliRun run = RunCli({"--site", "S", "pwd"}, {{"HOME", home_.path()},
                                                 {"XDG_CONFIG_HOME", home_.path() + "/.config"},
                                                 {"XDG_DATA_HOME", home_.path() + "/.local/share"},
                                                 {"BRINDLEFTP_PASSWORD", "secret"}});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "/\n");
}

}  // namespace
