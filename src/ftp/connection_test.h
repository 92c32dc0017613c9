#pragma once

#include <cstdint>
#include <string>

#include "net/secure_socket.h"
#include "process/process_launcher.h"

// Outcome codes of a connection test.
inline constexpr std::uint32_t kTestNotFinished = 0;  // cancelled
inline constexpr std::uint32_t kTestPassed = 1;
inline constexpr std::uint32_t kTestHostNotResolved = 2;
inline constexpr std::uint32_t kTestLogonFailed = 3;
inline constexpr std::uint32_t kTestDirectoryRefused = 4;
inline constexpr std::uint32_t kTestNoCurrentDirectory = 5;
inline constexpr std::uint32_t kTestUploadFailed = 6;
inline constexpr std::uint32_t kTestDeleteFailed = 7;

// The two lines that tell the user a listing's data connection could not be opened.
inline constexpr char kPassiveConnectionFailedText[] =
    "Passive Connection Failed!\r\n"
    "For help with passive connections see "
    "https://en.wikipedia.org/wiki/File_Transfer_Protocol#Communication_and_data_transfer\r\n";

// One connection test: what to test, and what it found. `report` is shown to the user as it
// is; its lines end with CR LF.
struct FtpTestReport {
    std::string host;  // host or host:port (default port 21)
    std::string user;
    std::string password;
    std::string directory;  // start directory to try; empty for none
    bool useTls = false;
    std::uint32_t result = kTestNotFinished;
    std::string report;
    // Who is asked about a certificate that does not verify (none: it is refused), and over
    // which window.
    UserInterfaceServices* ui = nullptr;
    LWindow parent = nullptr;
};

// Resolves the host, logs on, tries the start directory, asks for the current directory and
// lists up to 20 of its names into the report. Cancelled only when stopped after the logon;
// every other ending is ok, with the outcome in `result` and `report`.
LProcessResult FtpTestConnection(LProcessInterface& iface, LSecureSocket& connection,
                                 FtpTestReport& report);
// The whole test on a connection of its own: FtpTestConnection, then, when it passed, the
// upload of a small file "_ftptest" and its deletion. Logs off before it closes. Returns what
// FtpTestConnection returned.
LProcessResult FtpTestReadWrite(LProcessInterface& iface, FtpTestReport& report);

// The connection test run under the "FTP Connection Test" progress dialog.
inline constexpr char kFtpConnectionTestTitle[] = "FTP Connection Test";

class ProcessSecureFtpTestReadWrite {
public:
    explicit ProcessSecureFtpTestReadWrite(FtpTestReport* report) : report_(report) {}
    LProcessResult Run(LProcessInterface& iface);
    LProcessResult result() const { return result_; }

private:
    FtpTestReport* report_;
    LProcessResult result_ = LPROCESS_FAILED;
};

LProcessResult RunFtpTestReadWrite(ProcessLauncher& launcher, LWindow parent, const char* title,
                                   FtpTestReport* report);
