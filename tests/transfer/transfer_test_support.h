#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "ftp/ftp_session.h"
#include "ftp/ftp_test_support.h"
#include "servers/pyftpd_fixture.h"
#include "servers/scripted_peer.h"
#include "servers/vsftpd_fixture.h"
#include "support/scripted_ui.h"
#include "transfer/transfer_pane.h"

// A remote pane reduced to what the transfer commands ask of it.
class FakeTransferPane final : public TransferPane {
public:
    std::vector<std::string> SelectedRemoteNames() override { return selected; }
    std::string RemoteFolder() override { return folder; }
    bool RefreshRemoteListing() override {
        ++refreshes;
        return true;
    }
    void SelectRemoteRows(const std::vector<std::string>& names) override { reselected = names; }

    std::vector<std::string> selected;
    std::string folder = "/";
    int refreshes = 0;
    std::vector<std::string> reselected;
};

// A server that answers each command the client sends with the next scripted reply, and the
// commands the client should have sent, to compare with the ones it did send.
struct ScriptedFtpServer {
    ScriptedPeer control;
    std::vector<std::unique_ptr<ScriptedPeer>> data;
    std::vector<std::string> expected;

    void Reply(const std::string& command, const std::string& reply) {
        control.ExpectLine().Send(reply);
        expected.push_back(command);
    }
    // PASV leads to a data peer of its own that sends the bytes and closes.
    void Passive(const std::string& bytes) {
        data.push_back(std::make_unique<ScriptedPeer>());
        data.back()->Send(bytes);
        data.back()->Start();
        Reply("PASV", PassiveReplyFor(data.back()->port()));
    }
    // The MLST answer that gives the name this type ("file", "dir").
    void TypeIs(const std::string& name, const char* type) {
        Reply("MLST " + name,
              "250-Listing\r\n type=" + std::string(type) + "; " + name + "\r\n250 End.\r\n");
    }
    // After the last reply: keeps the line open, starts the script and connects the session to
    // it as if logged on to a server that offers these features.
    bool Connect(LFtpList& session, std::uint32_t features) {
        control.HoldOpen();
        control.Start();
        LProcessInterfaceVoidInstance iface;
        if (SecureConnect(iface, session.connection, control.address(), 2000) != LPROCESS_OK) {
            return false;
        }
        session.connected = true;
        session.connection.features = features;
        return true;
    }
};

enum class TestServerKind { kPyFtpd, kVsftpd };

// A real server on 127.0.0.1 and a logged-on main session on it, with scripted answers and
// processes run at once. The session starts in the folder it may write to: the user's root on
// pyftpdlib ("/"), "/pub" on vsftpd (anonymous).
class ServerSession {
public:
    explicit ServerSession(TestServerKind kind, bool tls = false) : kind_(kind), tls_(tls) {}

    // Starts the server and logs on; `why` says why not ("vsftpd needs root" means skip).
    bool Start(std::string& why) {
        std::string host;
        std::string user = "anonymous";
        std::string password = "guest";
        if (kind_ == TestServerKind::kVsftpd) {
            VsftpdServer::Options options;
            options.tls = tls_;
            vsftpd_ = std::make_unique<VsftpdServer>(options);
            if (!vsftpd_->Start(&why)) {
                return false;
            }
            host = vsftpd_->hostText();
            folder_ = "/pub";
            onDisk_ = vsftpd_->pub();
        } else {
            PyFtpdServer::Options options;
            options.tls = tls_;
            pyftpd_ = std::make_unique<PyFtpdServer>(options);
            if (!pyftpd_->Start(&why)) {
                return false;
            }
            host = pyftpd_->hostText();
            user = options.user;
            password = options.password;
            folder_ = "/";
            onDisk_ = pyftpd_->root();
        }
        if (!session.Connect(host, user, password, folder_, tls_) || !session.connected) {
            why = "logon failed";
            return false;
        }
        return true;
    }

    // The folder the session starts in, as the server names it, and where it is on disk.
    const std::string& folder() const { return folder_; }
    const std::string& onDisk() const { return onDisk_; }
    bool IsVsftpd() const { return kind_ == TestServerKind::kVsftpd; }

    ScriptedUiServices ui;
    ScriptedProcessLauncher launcher;
    LFtpList session{ui, launcher};

private:
    TestServerKind kind_;
    bool tls_;
    std::unique_ptr<PyFtpdServer> pyftpd_;
    std::unique_ptr<VsftpdServer> vsftpd_;
    std::string folder_;
    std::string onDisk_;
};

// Runs `start`, an expression that fills `why_` when it fails, or ends the test: skipped where
// vsftpd cannot run, failed otherwise.
#define START_OR_END_TEST(start)                                                    \
    do {                                                                            \
        std::string why_;                                                           \
        if (!(start)) {                                                             \
            if (why_ == "vsftpd needs root" || why_ == "vsftpd is not installed") { \
                GTEST_SKIP() << why_;                                               \
            }                                                                       \
            FAIL() << why_;                                                         \
        }                                                                           \
    } while (false)

// Starts the session or ends the test.
#define START_SERVER_SESSION(serverSession) START_OR_END_TEST((serverSession).Start(why_))
