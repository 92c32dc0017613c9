#include <gtest/gtest.h>
#include <unistd.h>

#include <clocale>
#include <cstdlib>
#include <filesystem>
#include <sstream>

#include "frame/file_system.h"
#include "frame/paths.h"
#include "servers/peer_script.h"
#include "servers/real_server.h"
#include "services/component_install.h"
#include "services/components.h"
#include "services/service_hosts.h"
#include "services/version_check.h"
#include "support/case_table.h"
#include "support/scripted_ui.h"
#include "support/temp_folder.h"

namespace {

mode_t ModeOf(const std::string& path) {
    return static_cast<mode_t>(std::filesystem::symlink_status(path).permissions());
}

TEST(ServiceTexts, AreTakenApartAsTheServersMeanThem) {
    for (const auto& [name, row] : LoadCases("services/texts.tsv")) {
        const std::string kind = row.at(0), text = row.at(1);
        std::ostringstream got;
        VersionInfo info;
        if (kind == "decimal") {
            got << ReadDecimal(text);
        } else if (kind == "newer") {
            got << (IsNewerVersion(std::stod(text)) ? "yes" : "no");
        } else if (kind == "parse" && ParseVersionInfo(text, info)) {
            got << info.version << "|" << info.infoUrl;
        } else if (kind == "archive") {
            got << ComponentArchiveName(text);
        } else {
            got << ((kind == "valid" && IsValidComponentName(text)) ? "yes" : "no");
        }
        EXPECT_EQ(got.str(), row.at(2)) << name;
    }
}

// Every test starts with an empty component folder and with hosts that refuse connections, so
// that no test can reach the maker's servers.
class Services : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(GetComponentFolder(folder_));
        RemovePath(folder_);
        ASSERT_TRUE(GetComponentFolder(folder_));
        SetComponentHosts(refusing_.hostText(), refusing_.hostText());
        SetUpdateHost(refusing_.hostText());
        SetSystemTlsCheck({});
    }
    void TearDown() override {
        RemovePath(folder_);
        SetSystemTlsCheck({});
    }
    RefusingPort refusing_;
    ScriptedUiServices ui_;
    ScriptedProcessLauncher launcher_;
    std::string folder_, path_;
};

TEST_F(Services, ComponentsAreEntriesOfTheSharedFolderAndOpensslIsTheSystemLibrary) {
    EXPECT_EQ(folder_, std::getenv("XDG_DATA_HOME") + std::string("/Velmor Software/Components"));
    ASSERT_TRUE(WriteWholeFile(folder_ + "/tool", "x"));
    chmod((folder_ + "/tool").c_str(), 0600);
    EXPECT_TRUE(GetComponentPath(launcher_, ui_, nullptr, "tool", path_));
    EXPECT_EQ(ModeOf(path_), ModeWithinUmask(0777));  // a plain file is opened up
    EXPECT_FALSE(IsComponentInstalled("..", path_) || !path_.empty());
    ASSERT_TRUE(CreateFolderPath(folder_ + "/openssl"));
    SetSystemTlsCheck([] { return false; });
    EXPECT_FALSE(GetComponentPath(launcher_, ui_, nullptr, "openssl", path_));
    EXPECT_FALSE(TlsComponentPresent(ui_, nullptr));
    ASSERT_EQ(ui_.alerts.size(), 2u);
    EXPECT_NE(ui_.alerts[0].text.find("libssl3"), std::string::npos) << ui_.alerts[0].text;
    SetSystemTlsCheck({});  // this machine's libssl3
    EXPECT_TRUE(GetComponentPath(launcher_, ui_, nullptr, "openssl", path_));
    EXPECT_TRUE(TlsComponentPresent(ui_, nullptr));
    EXPECT_EQ(ui_.alerts.size(), 2u);
    EXPECT_TRUE(launcher_.titles.empty());  // nothing was downloaded
    setenv("BRINDLE_COMPONENT_HOST2", "127.0.0.1:1", 1);
    ResetServiceHosts();  // the maker's server first, unless the environment names another
    EXPECT_EQ(GetComponentHosts()[0] + GetComponentHosts()[1],
              kDefaultComponentHost1 + std::string("127.0.0.1:1"));
}

TEST_F(Services, InstallOnDemandTriesTheSecondHostOnlyAfterTheFirstFailed) {
    PythonHttpServer hosts[2];
    ASSERT_TRUE(hosts[0].Start() && hosts[1].Start());
    const auto scripts = LoadPeerScripts("net/http.script");
    for (const auto& [name, row] : LoadCases("services/installs.tsv")) {
        RemovePath(folder_);
        ScriptedPeer stalling;
        PlayScript(stalling, FindPeerScript(scripts, "a long body that stops coming"),
                   {{"BODY", std::string(2056, 'z')}});
        stalling.Start();
        std::string host[2];
        std::size_t before[2];
        for (int i = 0; i < 2; ++i) {
            const std::string& has = row.at(2 + i);
            RemovePath(hosts[i].root() + "/components");
            host[i] = has == "refused"  ? refusing_.hostText()
                      : has == "stalls" ? stalling.hostText()
                                        : hosts[i].hostText();
            before[i] = hosts[i].Requests().size();
            ASSERT_TRUE(has == "none" || host[i] != hosts[i].hostText() ||
                        hosts[i].Serve("components/mac/" + ComponentArchiveName(row[1]),
                                       ReadWholeFile(TestDataPath("services/" + has))));
        }
        SetComponentHosts(host[0], host[1]);
        ScriptedProcessLauncher launcher;
        launcher.prepare = [&](RecordingProcessInterface& iface) {
            iface.StopAtProgress(row[2] == "stalls" ? 0.0 : 2.0);
        };
        const bool installed = GetComponentPath(launcher, ui_, nullptr, row[1], path_);
        const LProcessResult result = launcher.results.at(0);
        std::string outcome = result == LPROCESS_OK ? "OK" : ProcessResultText(result);
        for (int i = 0; i < 2; ++i) {  // the file asked for: "GET /components/mac/NAME HTTP/1.0"
            const std::string last =
                hosts[i].Requests().size() > before[i] ? hosts[i].Requests().back() : "";
            outcome += last.empty() ? " -" : " " + last.substr(20, last.size() - 29);
        }
        const auto& errors = launcher.LastRun().errors;
        outcome += (installed ? " installed " : " - ") + (errors.empty() ? "-" : errors[0]);
        EXPECT_EQ(outcome, row.at(4)) << name;
        EXPECT_EQ(launcher.titles, std::vector<std::string>{"Install-on-Demand"}) << name;
        EXPECT_EQ(launcher.LastRun().LastTextOnLine(1), row[1]) << name;
        EXPECT_EQ(installed ? ModeOf(path_) : 0, installed ? ModeWithinUmask(0777) : 0) << name;
        EXPECT_FALSE(PathExists(path_ + ".zip") || (!installed && PathExists(path_))) << name;
    }
}

TEST_F(Services, UnpacksWithoutAShellAndInstallsWhatTheProgramShips) {
    TempFolder scratch;
    const std::string odd = scratch.File("a\"; touch injected; echo \"b $(touch injected2)");
    ASSERT_TRUE(CreateFolderPath(odd) && WriteWholeFile(scratch.File("bad.zip"), "not a zip") &&
                WriteWholeFile(odd + "/x.zip", ReadWholeFile(TestDataPath("services/else.zip"))));
    EXPECT_EQ(UnpackComponent("else", odd + "/x.zip", false), LPROCESS_OK);
    EXPECT_TRUE(PathExists(odd + "/x.zip") && PathExists(folder_ + "/else/libfoo.so"));
    EXPECT_FALSE(PathExists("injected") || PathExists("injected2"));
    EXPECT_EQ(UnpackComponent("other", scratch.File("bad.zip"), true), LPROCESS_FAILED);
    EXPECT_FALSE(PathExists(scratch.File("bad.zip")));
    ASSERT_TRUE(CreateFolderPath(folder_ + "/flacdec"));  // installed: left alone
    EXPECT_EQ(InstallShippedComponentsFrom(TestDataPath("services/resources")), 2);
    EXPECT_EQ(ReadWholeFile(folder_ + "/foo/lib.so"), "foo");
    EXPECT_FALSE(PathExists(folder_ + "/flacdec/lib.so"));
    EXPECT_EQ(ReadWholeFile(folder_ + "/tool"), std::string(2000, 't') + "\n");
    EXPECT_EQ(ModeOf(folder_ + "/tool"), ModeWithinUmask(0777));
    EXPECT_FALSE(PathExists(folder_ + "/.DS_Store"));
    EXPECT_EQ(InstallShippedComponentsFrom(scratch.File("nothing-here")), 0);
}

TEST_F(Services, TheRepairOpensUpTheFolderButNothingOutsideIt) {
    TempFolder outside;
    ASSERT_TRUE(CreateFolderPath(folder_ + "/lib/inner") &&
                WriteWholeFile(folder_ + "/lib/inner/libx.so", "x") &&
                WriteWholeFile(outside.File("private"), "secret"));
    chmod((folder_ + "/lib/inner/libx.so").c_str(), 0600);
    chmod(outside.File("private").c_str(), 0600);
    chmod((folder_ + "/lib/inner").c_str(), 0700);
    ASSERT_EQ(symlink(outside.File("private").c_str(), (folder_ + "/link").c_str()), 0);
    ASSERT_EQ(symlink(outside.path().c_str(), (folder_ + "/folder-link").c_str()), 0);
    EXPECT_EQ(RepairComponentPermissions(), 0);
    for (const char* item : {"/lib", "/lib/inner", "/lib/inner/libx.so"}) {
        EXPECT_EQ(ModeOf(folder_ + item), ModeWithinUmask(0777)) << item;
    }
    EXPECT_EQ(ModeOf(outside.File("private")), 0600u);
}

TEST_F(Services, TheVersionCheckReadsTheAnnouncedVersionWhateverTheLocale) {
    PythonHttpServer server;
    ASSERT_TRUE(server.Start());
    SetUpdateHost(server.hostText());
    RecordingProcessInterface iface;
    ASSERT_TRUE(server.Serve("versions/brindleftp_mac.txt", "version=2.2&info=http://x/new.html"));
    // A locale with a decimal comma, built into a temporary folder (nothing is installed).
    TempFolder locales;
    setenv("LOCPATH", locales.path().c_str(), 1);
    RunProgram({"/usr/bin/localedef", "-c", "-i", "de_DE", "-f", "ISO-8859-1",
                locales.File("de_DE.ISO-8859-1")});
    const bool comma = std::setlocale(LC_NUMERIC, "de_DE.ISO-8859-1") && std::atof("2.2") == 2.0;
    unsetenv("LOCPATH");
    LProcessCheckForVersionUpdates process;
    EXPECT_EQ(process.Run(iface), LPROCESS_OK);
    std::setlocale(LC_NUMERIC, "C");
    EXPECT_DOUBLE_EQ(process.info().version, 2.2);
    EXPECT_EQ(process.info().infoUrl, "http://x/new.html");
    EXPECT_EQ(server.Requests(),
              std::vector<std::string>{"GET /versions/brindleftp_mac.txt HTTP/1.0"});
    if (!comma) {
        GTEST_SKIP() << "localedef could not make a locale with a decimal comma";
    }
}

}  // namespace
