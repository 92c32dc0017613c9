#include "ftp/connection_test.h"

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <string_view>

#include "frame/file_descriptor.h"
#include "ftp/control_channel.h"
#include "ftp/current_directory.h"
#include "ftp/logon.h"
#include "ftp/remote_listing.h"
#include "ftp/remote_ops.h"
#include "ftp/upload.h"
#include "net/host_address.h"

namespace {

constexpr std::uint16_t kFtpDefaultPort = 21;
// More names would not fit the message box the report is shown in.
constexpr int kMaxListedNames = 20;
constexpr char kTestFileName[] = "_ftptest";
constexpr std::string_view kTestFileContent = "Hello World";

// The small local file the test uploads; removed when the object dies, whatever the upload
// did. Its name is unique, so nothing else in the shared folder is touched.
class TemporaryTestFile {
public:
    TemporaryTestFile() {
        std::string pattern = "/var/tmp/0XXXXXX";
        FileDescriptor file(mkstemps(pattern.data(), 0));
        if (!file.valid()) {
            return;
        }
        path_ = pattern;
        std::string_view rest = kTestFileContent;
        while (!rest.empty()) {
            ssize_t written = write(file.get(), rest.data(), rest.size());
            if (written <= 0) {
                break;
            }
            rest.remove_prefix(static_cast<std::size_t>(written));
        }
        written_ = rest.empty() && file.Close();
    }
    ~TemporaryTestFile() {
        if (!path_.empty()) {
            unlink(path_.c_str());
        }
    }
    TemporaryTestFile(const TemporaryTestFile&) = delete;
    TemporaryTestFile& operator=(const TemporaryTestFile&) = delete;

    bool ready() const { return written_; }
    const std::string& path() const { return path_; }

private:
    std::string path_;
    bool written_ = false;
};

bool IsDotEntry(const char* name) {
    const std::string_view text(name);
    return text == "." || text == "..";
}

// Appends up to 20 names of the current remote folder; stopped when the listing was.
LProcessResult ReportListing(LProcessInterface& iface, LSecureSocket& connection,
                             FtpTestReport& report) {
    iface.SetStatusText("Get listing...", 1);
    report.report += "Contains:";
    FtpDirList list(iface, connection, "*");
    int listed = 0;
    for (;; list.Next()) {
        if (list.cancelled || iface.IsStopped()) {
            return LPROCESS_STOPPED;
        }
        if (list.AtEnd()) {
            break;
        }
        if (IsDotEntry(list.CurrentName())) {
            continue;
        }
        if (listed == kMaxListedNames) {
            break;
        }
        report.report += " ";
        report.report += list.CurrentName();
        ++listed;
    }
    if (listed == 0) {
        report.report += " [no files]";
    }
    report.report += "\r\n";
    if (list.dataFailed) {
        report.report += kPassiveConnectionFailedText;
    }
    return LPROCESS_OK;
}

// Uploads a small file as "_ftptest" into the current remote folder and deletes it again.
void TestUploadAndDelete(LProcessInterface& iface, LSecureSocket& connection,
                         FtpTestReport& report) {
    iface.SetStatusText("Upload test...", 1);
    LProcessResult uploaded = LPROCESS_FAILED;
    {
        TemporaryTestFile file;
        if (file.ready()) {
            uploaded = FtpUploadFile(iface, connection, kTestFileName, file.path(), nullptr, false);
        }
    }
    if (uploaded == LPROCESS_STOPPED) {
        return;
    }
    if (uploaded != LPROCESS_OK) {
        report.result = kTestUploadFailed;
        report.report += " Unable to upload to the server.";
        return;
    }
    report.report += "File uploaded OK.\r\n";

    iface.SetStatusText("Deleting file...", 1);
    LProcessResult deleted = FtpDeleteFile(iface, connection, kTestFileName);
    if (deleted == LPROCESS_STOPPED) {
        return;
    }
    if (deleted != LPROCESS_OK) {
        report.result = kTestDeleteFailed;
        report.report += "Unable to delete from server.";
        return;
    }
    report.report += "File deleted OK.\r\n";
}

}  // namespace

LProcessResult FtpTestConnection(LProcessInterface& iface, LSecureSocket& connection,
                                 FtpTestReport& report) {
    report.result = kTestNotFinished;
    report.report.clear();
    iface.SetStatusText("Testing FTP...", 0);
    iface.SetStatusText("Testing Server...", 1);

    AddressList addresses;
    MakeAddressList(addresses, report.host, kFtpDefaultPort);
    if (addresses.count == 0) {
        report.result = kTestHostNotResolved;
        report.report += "Unable to connect to server \"" + report.host + "\".";
        return LPROCESS_OK;
    }
    report.report += "Server \"" + report.host + "\" is OK.\r\n";

    iface.SetStatusText("Logon...", 1);
    LProcessResult logon = FtpLogon(iface, connection, report.host, report.user, report.password,
                                    report.useTls, report.ui, report.parent);
    if (logon == LPROCESS_STOPPED) {
        return LPROCESS_OK;
    }
    if (logon != LPROCESS_OK) {
        report.result = kTestLogonFailed;
        report.report +=
            "Unable to logon with username \"" + report.user + "\" or entered password.";
        return LPROCESS_OK;
    }
    report.report += "Logon details are OK.\r\n";

    if (!report.directory.empty()) {
        iface.SetStatusText("Change directory...", 1);
        LProcessResult changed = FtpChangeDirectory(iface, connection, report.directory);
        if (changed == LPROCESS_STOPPED) {
            return LPROCESS_STOPPED;
        }
        if (changed != LPROCESS_OK) {
            report.result = kTestDirectoryRefused;
            report.report += "Unable to change to the directory \"" + report.directory + "\".";
            return LPROCESS_OK;
        }
        report.report += "Directory changed OK.\r\n";
    }

    iface.SetStatusText("Get directory...", 1);
    std::string current;
    LProcessResult asked = FtpGetCurrentDirectory(iface, connection, current);
    if (asked == LPROCESS_STOPPED) {
        return LPROCESS_STOPPED;
    }
    if (asked != LPROCESS_OK) {
        report.result = kTestNoCurrentDirectory;
        report.report += "Unable to get the current directory.\r\n";
        return LPROCESS_OK;
    }
    report.report += "Current directory is: " + current + "\r\n";

    if (ReportListing(iface, connection, report) == LPROCESS_STOPPED) {
        return LPROCESS_STOPPED;
    }
    report.result = kTestPassed;
    return LPROCESS_OK;
}

LProcessResult FtpTestReadWrite(LProcessInterface& iface, FtpTestReport& report) {
    LSecureSocket connection;
    LProcessResult tested = FtpTestConnection(iface, connection, report);
    if (tested == LPROCESS_OK && report.result == kTestPassed) {
        TestUploadAndDelete(iface, connection, report);
    }
    // Logging off lets the server end the session at once instead of waiting for a time-out.
    if (connection.fd != -1) {
        (void)FtpQuit(iface, connection);
    }
    return tested;
}

LProcessResult ProcessSecureFtpTestReadWrite::Run(LProcessInterface& iface) {
    result_ = FtpTestReadWrite(iface, *report_);
    return result_;
}

LProcessResult RunFtpTestReadWrite(ProcessLauncher& launcher, LWindow parent, const char* title,
                                   FtpTestReport* report) {
    ProcessSecureFtpTestReadWrite process(report);
    return RunProcess(launcher, parent, title, process);
}
