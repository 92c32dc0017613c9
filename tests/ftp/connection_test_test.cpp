// The connection test against scripted servers: each step's report text and outcome code, the
// 20 names of the listing, cancels, the upload and delete step and the logoff.
#include "ftp/connection_test.h"

#include <dirent.h>

#include <algorithm>
#include <memory>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "ftp/ftp_test_support.h"
#include "support/scripted_ui.h"

namespace {

using Lines = std::vector<std::string>;

// A scripted server the connection test logs on to, with a data peer per listing or upload.
struct TestServer {
    ScriptedPeer control;
    std::vector<std::unique_ptr<ScriptedPeer>> dataPeers;

    TestServer() { control.Send("220 Scripted server ready.\r\n"); }

    void Start() {
        control.Start();
        for (auto& data : dataPeers) {
            data->Start();
        }
    }
    TestServer& Reply(const std::string& reply) {
        control.ExpectLine().Send(reply);
        return *this;
    }
    // Records whatever the client sends until it closes.
    TestServer& ReceiveUntilClosed() {
        control.ReceiveUntilClosed();
        return *this;
    }
    TestServer& LogOn() { return Reply("331 Password required.\r\n").Reply("230 Logged in.\r\n"); }
    ScriptedPeer& AddDataPeer() {
        return *dataPeers.emplace_back(std::make_unique<ScriptedPeer>());
    }
    // FEAT (the first feature-dependent command after the logon), then a LIST of these lines.
    TestServer& Listing(const Lines& listLines) {
        ScriptedPeer& data = AddDataPeer();
        std::string bytes;
        for (const std::string& line : listLines) {
            bytes += line + "\r\n";
        }
        data.Send(bytes).Close();
        return Reply("211-Features:\r\n SIZE\r\n211 End\r\n")
            .Reply("200 Type set to A.\r\n")
            .Reply(PassiveReplyFor(data.port()))
            .Reply("150 Here comes the listing.\r\n226 Transfer complete.\r\n");
    }
    // The commands of the listing above.
    static Lines ListingCommands() { return {"FEAT", "TYPE A", "PASV", "LIST"}; }
};

std::string FileLine(const std::string& name) {
    return "-rw-r--r--    1 1000     1000            5 Jan 02 12:00 " + name;
}

std::string FolderLine(const std::string& name) {
    return "drwxr-xr-x    2 1000     1000         4096 Jan 02 12:00 " + name;
}

Lines Concat(std::initializer_list<Lines> parts) {
    Lines all;
    for (const Lines& part : parts) {
        all.insert(all.end(), part.begin(), part.end());
    }
    return all;
}

FtpTestReport ReportFor(const TestServer& server, const std::string& directory = "") {
    FtpTestReport report;
    report.host = server.control.hostText();
    report.user = "tester";
    report.password = "pw";
    report.directory = directory;
    report.result = 99;
    report.report = "left over";
    return report;
}

std::string ServerAndLogonLines(const FtpTestReport& report) {
    return "Server \"" + report.host + "\" is OK.\r\nLogon details are OK.\r\n";
}

// Names in /var/tmp shaped like the test's temporary files.
std::set<std::string> TemporaryTestFiles() {
    std::set<std::string> names;
    DIR* folder = opendir("/var/tmp");
    if (folder == nullptr) {
        return names;
    }
    while (dirent* entry = readdir(folder)) {
        const std::string name = entry->d_name;
        if (name.size() == 7 && name[0] == '0') {
            names.insert(name);
        }
    }
    closedir(folder);
    return names;
}

TEST(FtpTestConnection, ReportsEveryStepOfAGoodSite) {
    TestServer server;
    server.LogOn().Reply("250 OK.\r\n").Reply("257 \"/pub/files\" is current.\r\n");
    server.Listing({FolderLine("."), FolderLine(".."), FileLine("a.txt"), FolderLine("docs")});
    server.control.HoldOpen();
    server.Start();
    FtpTestReport report = ReportFor(server, "pub/files");
    RecordingProcessInterface iface;
    LSecureSocket connection;
    EXPECT_EQ(FtpTestConnection(iface, connection, report), LPROCESS_OK);
    EXPECT_EQ(report.result, kTestPassed);
    EXPECT_EQ(report.report, ServerAndLogonLines(report) +
                                 "Directory changed OK.\r\n"
                                 "Current directory is: /pub/files\r\n"
                                 "Contains: a.txt docs\r\n");
    EXPECT_EQ(server.control.ReceivedLines(),
              Concat({{"USER tester", "PASS pw", "CWD pub/files", "PWD"},
                      TestServer::ListingCommands()}));
    EXPECT_EQ(iface.TextsOnLine(0), Lines{"Testing FTP..."});
    EXPECT_EQ(iface.TextsOnLine(1), (Lines{"Testing Server...", "Logon...", "Change directory...",
                                           "Get directory...", "Get listing..."}));
}

TEST(FtpTestConnection, ListsTwentyNamesAtMost) {
    Lines listLines = {FolderLine("."), FolderLine("..")};
    std::string expected = "Contains:";
    for (int i = 1; i <= 25; ++i) {
        const std::string name = "file" + std::to_string(i);
        listLines.push_back(FileLine(name));
        if (i <= 20) {
            expected += " " + name;
        }
    }
    TestServer server;
    server.LogOn().Reply("257 \"/\"\r\n").Listing(listLines);
    server.control.HoldOpen();
    server.Start();
    FtpTestReport report = ReportFor(server);
    RecordingProcessInterface iface;
    LSecureSocket connection;
    EXPECT_EQ(FtpTestConnection(iface, connection, report), LPROCESS_OK);
    EXPECT_EQ(report.result, kTestPassed);
    EXPECT_EQ(report.report,
              ServerAndLogonLines(report) + "Current directory is: /\r\n" + expected + "\r\n");
}

TEST(FtpTestConnection, ReportsAnEmptyFolder) {
    TestServer server;
    server.LogOn().Reply("257 \"/empty\"\r\n").Listing({FolderLine("."), FolderLine("..")});
    server.control.HoldOpen();
    server.Start();
    FtpTestReport report = ReportFor(server);
    LProcessInterfaceVoidInstance iface;
    LSecureSocket connection;
    EXPECT_EQ(FtpTestConnection(iface, connection, report), LPROCESS_OK);
    EXPECT_EQ(report.result, kTestPassed);
    EXPECT_EQ(report.report, ServerAndLogonLines(report) +
                                 "Current directory is: /empty\r\nContains: [no files]\r\n");
}

TEST(FtpTestConnection, PointsToHelpWhenThePassiveConnectionFails) {
    TestServer server;
    server.LogOn()
        .Reply("257 \"/\"\r\n")
        .Reply("211-Features:\r\n SIZE\r\n211 End\r\n")
        .Reply("200 Type set to A.\r\n")
        // An address no data connection can be opened to, refused without waiting.
        .Reply("227 Entering Passive Mode (255,255,255,255,4,1)\r\n");
    server.control.HoldOpen();
    server.Start();
    FtpTestReport report = ReportFor(server);
    LProcessInterfaceVoidInstance iface;
    LSecureSocket connection;
    EXPECT_EQ(FtpTestConnection(iface, connection, report), LPROCESS_OK);
    EXPECT_EQ(report.result, kTestPassed);
    EXPECT_EQ(report.report, ServerAndLogonLines(report) +
                                 "Current directory is: /\r\nContains: [no files]\r\n" +
                                 kPassiveConnectionFailedText);
}

struct FailureCase {
    const char* name;
    Lines replies;  // after the greeting
    std::string directory;
    std::uint32_t result;
    std::string reportAfterServerLine;
};

TEST(FtpTestConnection, KeepsWhatPassedWhenAStepFails) {
    const FailureCase cases[] = {
        {"wrong password",
         {"331 Password required.\r\n", "530 Login incorrect.\r\n"},
         "",
         kTestLogonFailed,
         "Unable to logon with username \"tester\" or entered password."},
        {"user refused",
         {"530 Not allowed.\r\n"},
         "",
         kTestLogonFailed,
         "Unable to logon with username \"tester\" or entered password."},
        {"missing start folder",
         {"331 Password required.\r\n", "230 Logged in.\r\n", "550 No such directory.\r\n"},
         "missing",
         kTestDirectoryRefused,
         "Logon details are OK.\r\nUnable to change to the directory \"missing\"."},
        {"no current directory",
         {"230 Logged in.\r\n", "550 PWD not allowed.\r\n"},
         "",
         kTestNoCurrentDirectory,
         "Logon details are OK.\r\nUnable to get the current directory.\r\n"},
    };
    for (const FailureCase& c : cases) {
        SCOPED_TRACE(c.name);
        TestServer server;
        for (const std::string& reply : c.replies) {
            server.Reply(reply);
        }
        server.control.ReceiveUntilClosed();
        server.Start();
        FtpTestReport report = ReportFor(server, c.directory);
        LProcessInterfaceVoidInstance iface;
        LSecureSocket connection;
        EXPECT_EQ(FtpTestConnection(iface, connection, report), LPROCESS_OK);
        EXPECT_EQ(report.result, c.result);
        EXPECT_EQ(report.report,
                  "Server \"" + report.host + "\" is OK.\r\n" + c.reportAfterServerLine);
        // Nothing more is asked after the failed step.
        SecureClose(connection);
        server.control.Wait();
        EXPECT_EQ(server.control.ReceivedBytes(), "");
        EXPECT_EQ(server.control.ReceivedLines().size(), c.replies.size());
    }
}

TEST(FtpTestConnection, DoesNotTryToLogOnWhenTheHostDoesNotResolve) {
    FtpTestReport report;
    report.host = "no-such-host.invalid";
    report.user = "tester";
    RecordingProcessInterface iface;
    LSecureSocket connection;
    EXPECT_EQ(FtpTestConnection(iface, connection, report), LPROCESS_OK);
    EXPECT_EQ(report.result, kTestHostNotResolved);
    EXPECT_EQ(report.report, "Unable to connect to server \"no-such-host.invalid\".");
    EXPECT_EQ(connection.fd, -1);
    EXPECT_EQ(iface.TextsOnLine(1), Lines{"Testing Server..."});
}

TEST(FtpTestConnection, ACancelDuringTheLogonEndsAsOk) {
    TestServer server;
    server.control.HoldOpen();
    server.Start();
    FtpTestReport report = ReportFor(server);
    RecordingProcessInterface iface;
    iface.RequestStop();
    LSecureSocket connection;
    EXPECT_EQ(FtpTestConnection(iface, connection, report), LPROCESS_OK);
    EXPECT_EQ(report.result, kTestNotFinished);
    EXPECT_EQ(report.report, "Server \"" + report.host + "\" is OK.\r\n");
}

TEST(FtpTestConnection, ACancelDuringTheListingEndsAsCancelled) {
    TestServer server;
    ScriptedPeer& data = server.AddDataPeer();
    data.Send(FileLine("first") + "\r\n").HoldOpen();
    // The control script ends once the listing has started; the test then presses Cancel.
    server.LogOn()
        .Reply("257 \"/\"\r\n")
        .Reply("211-Features:\r\n SIZE\r\n211 End\r\n")
        .Reply("200 Type set to A.\r\n")
        .Reply(PassiveReplyFor(data.port()))
        .Reply("150 Here comes the listing.\r\n");
    server.Start();
    FtpTestReport report = ReportFor(server);
    RecordingProcessInterface iface;
    LSecureSocket connection;
    LProcessResult result = LPROCESS_FAILED;
    std::thread run([&] { result = FtpTestConnection(iface, connection, report); });
    server.control.Wait();
    iface.RequestStop();
    run.join();
    EXPECT_EQ(result, LPROCESS_STOPPED);
    EXPECT_EQ(report.result, kTestNotFinished);
    EXPECT_EQ(report.report, ServerAndLogonLines(report) + "Current directory is: /\r\nContains:");
}

TEST(FtpTestReadWrite, UploadsAndDeletesTheTestFileAndLogsOff) {
    const std::set<std::string> before = TemporaryTestFiles();
    TestServer server;
    server.LogOn().Reply("257 \"/\"\r\n").Listing({FileLine("a.txt")});
    ScriptedPeer& upload = server.AddDataPeer();
    upload.ReceiveUntilClosed();
    server.Reply("200 Type set to I.\r\n")
        .Reply(PassiveReplyFor(upload.port()))
        .Reply("150 Send it.\r\n226 Transfer complete.\r\n")
        .Reply("250 Deleted.\r\n")
        .Reply("221 Goodbye.\r\n")
        .ReceiveUntilClosed();  // nothing after QUIT
    server.Start();
    FtpTestReport report = ReportFor(server);
    RecordingProcessInterface iface;
    EXPECT_EQ(FtpTestReadWrite(iface, report), LPROCESS_OK);
    EXPECT_EQ(report.result, kTestPassed);
    EXPECT_EQ(report.report, ServerAndLogonLines(report) +
                                 "Current directory is: /\r\nContains: a.txt\r\n"
                                 "File uploaded OK.\r\nFile deleted OK.\r\n");
    server.control.Wait();
    EXPECT_EQ(server.control.ReceivedBytes(), "");
    EXPECT_EQ(server.control.ReceivedLines(),
              Concat({{"USER tester", "PASS pw", "PWD"},
                      TestServer::ListingCommands(),
                      {"TYPE I", "PASV", "STOR _ftptest", "DELE _ftptest", "QUIT"}}));
    upload.Wait();
    EXPECT_EQ(upload.ReceivedBytes(), "Hello World");
    EXPECT_EQ(TemporaryTestFiles(), before);
    const Lines texts = iface.TextsOnLine(1);
    EXPECT_NE(std::find(texts.begin(), texts.end(), "Upload test..."), texts.end());
    EXPECT_EQ(texts.back(), "Deleting file...");
}

TEST(FtpTestReadWrite, ReportsARefusedUploadAndDeletesNothing) {
    const std::set<std::string> before = TemporaryTestFiles();
    TestServer server;
    server.LogOn().Reply("257 \"/\"\r\n").Listing({});
    server.Reply("500 No binary here.\r\n").Reply("221 Goodbye.\r\n").ReceiveUntilClosed();
    server.Start();
    FtpTestReport report = ReportFor(server);
    LProcessInterfaceVoidInstance iface;
    EXPECT_EQ(FtpTestReadWrite(iface, report), LPROCESS_OK);
    EXPECT_EQ(report.result, kTestUploadFailed);
    EXPECT_EQ(report.report, ServerAndLogonLines(report) +
                                 "Current directory is: /\r\nContains: [no files]\r\n"
                                 " Unable to upload to the server.");
    server.control.Wait();
    EXPECT_EQ(server.control.ReceivedLines().back(), "QUIT");
    EXPECT_EQ(server.control.ReceivedLines().end()[-2], "TYPE I");
    EXPECT_EQ(TemporaryTestFiles(), before);
}

TEST(FtpTestReadWrite, ReportsARefusedDelete) {
    TestServer server;
    server.LogOn().Reply("257 \"/\"\r\n").Listing({});
    ScriptedPeer& upload = server.AddDataPeer();
    upload.ReceiveUntilClosed();
    server.Reply("200 Type set to I.\r\n")
        .Reply(PassiveReplyFor(upload.port()))
        .Reply("150 Send it.\r\n226 Transfer complete.\r\n")
        .Reply("550 Permission denied.\r\n")
        .Reply("221 Goodbye.\r\n");
    server.Start();
    FtpTestReport report = ReportFor(server);
    LProcessInterfaceVoidInstance iface;
    EXPECT_EQ(FtpTestReadWrite(iface, report), LPROCESS_OK);
    EXPECT_EQ(report.result, kTestDeleteFailed);
    EXPECT_EQ(report.report, ServerAndLogonLines(report) +
                                 "Current directory is: /\r\nContains: [no files]\r\n"
                                 "File uploaded OK.\r\nUnable to delete from server.");
}

TEST(FtpTestReadWrite, LogsOffAfterAFailedLogonToo) {
    TestServer server;
    server.Reply("530 Not allowed.\r\n").Reply("221 Goodbye.\r\n").ReceiveUntilClosed();
    server.Start();
    FtpTestReport report = ReportFor(server);
    LProcessInterfaceVoidInstance iface;
    EXPECT_EQ(FtpTestReadWrite(iface, report), LPROCESS_OK);
    EXPECT_EQ(report.result, kTestLogonFailed);
    server.control.Wait();
    EXPECT_EQ(server.control.ReceivedLines(), (Lines{"USER tester", "QUIT"}));
}

TEST(ProcessSecureFtpTestReadWrite, FillsTheReportAndKeepsTheResultOfItsRun) {
    FtpTestReport report;
    report.host = "no-such-host.invalid";
    ProcessSecureFtpTestReadWrite process(&report);
    EXPECT_EQ(process.result(), LPROCESS_FAILED);
    LProcessInterfaceVoidInstance iface;
    EXPECT_EQ(process.Run(iface), LPROCESS_OK);
    EXPECT_EQ(process.result(), LPROCESS_OK);
    EXPECT_EQ(report.result, kTestHostNotResolved);
}

}  // namespace
