// The protocol conversations of tests/data/ftp/protocol_*.script: each case scripts the server
// (and a data peer), calls engine functions in turn and compares what each gave, and what the
// peers received, with the script.
#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "ftp/control_channel.h"
#include "ftp/current_directory.h"
#include "ftp/ftp_test_support.h"
#include "ftp/logon.h"
#include "ftp/passive.h"
#include "ftp/remote_listing.h"
#include "ftp/server_features.h"
#include "net/tls_binding.h"
#include "servers/peer_script.h"
#include "support/case_table.h"
#include "support/scripted_ui.h"

namespace {

// Runs the engine function a[0] with the words a[1...] or all of them, `arg` (the command sent, the
// path given, or what a returned text starts as); gives all it returned or changed as one line.
std::string RunCall(const std::vector<std::string>& a, const std::string& arg,
                    RecordingProcessInterface& iface, LSecureSocket& conn) {
    const std::string& name = a[0];
    const std::string line = arg + "\r\n";
    int code = -1;
    std::string value = arg;
    std::vector<std::string> lines = {"stale"};
    LProcessResult r = LPROCESS_OK;
    bool stalled = false;
    if (name == "command" || name == "quick") {
        r = (name == "quick" ? FtpCommandQuick : FtpCommand)(iface, conn, line, &code, &value);
    } else if (name == "read") {
        r = FtpReadReply(iface, conn, code, value);
    } else if (name == "lines" || name == "data") {
        r = (name == "data" ? FtpDataCommand : FtpCommandLines)(iface, conn, line, lines);
    } else if (name == "quit" || name == "disconnect") {
        r = (name == "quit" ? FtpQuit : FtpDisconnect)(iface, conn);
    } else if (name == "pwd" || name == "cd-step") {
        r = (name == "pwd" ? FtpGetCurrentDirectory : FtpChangeDirectoryStep)(iface, conn, value);
    } else if (name == "cwd") {
        r = FtpChangeDirectory(iface, conn, value);
    } else if (name == "pasv") {
        r = FtpPassive(iface, conn, value);
    } else if (name == "protect") {
        r = FtpProtectDataChannel(iface, conn);
    } else if (name == "feat" || name == "dir-style") {
        r = (name == "feat" ? FtpQueryFeatures : FtpPrepareDirStyle)(iface, conn);
    } else if (name == "logon") {  // logon USER PASSWORD [tls|tls-libraries-missing] HOST
        SetTlsLibrariesHiddenForTesting(a[3] == "tls-libraries-missing");
        r = FtpLogon(iface, conn, a.back(), a[1], a[2], a.size() > 4);
        SetTlsLibrariesHiddenForTesting(false);
    } else if (name == "connect") {  // connect USER PASSWORD HOST
        const FtpConnectRequest request{&conn, a.back(), a[1], a[2], false};
        r = FtpConnect(iface, request);
    } else if (name == "list") {
        FtpDirList list(iface, conn);
        r = list.result;
        stalled = list.dataStalled;
        lines.clear();
        for (const FtpDirEntry* e = list.first.get(); e != nullptr; e = e->next.get()) {
            lines.push_back(e->name);
        }
    } else if (name == "size-quiet") {
        value = std::to_string(FtpGetFileSizeQuiet(iface, conn, arg));
    } else if (name == "command-line") {  // command-line BUFFER-SIZE VERB ARGUMENT
        value = FtpCommandLine(a[2], arg.substr(a[1].size() + a[2].size() + 2), std::stoul(a[1]));
    } else {
        ADD_FAILURE() << "unknown call " << name;
    }
    const std::string valued = " command quick read pwd pasv cd-step command-line size-quiet ";
    std::string text = r == LPROCESS_OK ? "OK" : r == LPROCESS_STOPPED ? "STOPPED" : "FAILED";
    text += stalled ? " stalled" : "";
    text += (code != -1 ? " " + std::to_string(code) : "") +
            (valued.find(" " + name + " ") != std::string::npos ? " [" + value + "]" : "");
    for (std::size_t i = 0; lines != std::vector<std::string>{"stale"} && i < lines.size(); ++i) {
        text += "|" + lines[i];
    }
    const auto features = Split(
        "queried size mdtm mlst-refused modify facts-size type "
        "mlsd-refused mlsd syst windows-nt mfmt",
        ' ');
    for (std::size_t bit = 0; bit < features.size(); ++bit) {
        text += (conn.features >> bit & 1) ? " " + features[bit] : "";
    }
    for (const auto& status : iface.statusTexts) {
        text += " (" + std::to_string(status.line) + ")" + status.text;
    }
    for (const std::string& error : iface.errors) {
        text += " !" + error;
    }
    return text + (conn.ssl ? " tls" : "");
}

// The steps of one peer; unless it ends in "close" or "hold", it reads until the client closes,
// and nothing may come then.
PeerScript PeerSteps(const std::string& name, std::vector<std::string> steps) {
    if (steps.empty() ||
        (steps.back() != "close" && steps.back() != "hold" && steps.back() != "receive")) {
        steps.push_back("receive");
    }
    return {name, steps};
}

// A 227 reply that names 10.0.0.1 with the port of a peer on 127.0.0.1, and a 229 reply.
std::string ElsewhereReplyFor(std::uint16_t port) {
    std::string reply = PassiveReplyFor(port);
    return reply.replace(reply.find("127,0,0,1"), 9, "10,0,0,1");
}
std::string ExtendedReplyFor(std::uint16_t port) {
    return "229 Entering Extended Passive Mode (|||" + std::to_string(port) + "|)";
}

class Conversations : public testing::TestWithParam<const char*> {};

TEST_P(Conversations, GoAsScripted) {
    struct Case {
        std::string name;
        std::vector<std::string> server, data, data2, client;
    };
    std::vector<Case> cases;
    std::uint16_t gonePort = 0;
    {
        ScriptedPeer gone;  // its port is free again once it is destroyed
        gonePort = gone.port();
        for (const PeerScript& script : LoadPeerScripts(GetParam())) {
            cases.push_back({script.name, {}, {}, {}, {}});
            for (const std::string& line : script.lines) {
                const bool client = line.starts_with("call ") || line.starts_with("= ") ||
                                    line.starts_with("stop") || line.starts_with("logged ");
                if (line.starts_with("data2 ")) {
                    cases.back().data2.push_back(line.substr(6));
                } else if (line.starts_with("data ")) {
                    cases.back().data.push_back(line.substr(5));
                } else {
                    (client ? cases.back().client : cases.back().server).push_back(line);
                }
            }
        }
    }
    for (Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedPeer server, data, data2;
        const std::map<std::string, std::string> values = {
            {"PASV", PassiveReplyFor(data.port())},
            {"PASV2", PassiveReplyFor(data2.port())},
            {"PASV-ELSEWHERE", ElsewhereReplyFor(data.port())},
            {"PASV2-ELSEWHERE", ElsewhereReplyFor(data2.port())},
            {"EPSV", ExtendedReplyFor(data.port())},
            {"EPSV2", ExtendedReplyFor(data2.port())},
            {"GONE-PASV", PassiveReplyFor(gonePort)},
            {"HOST", server.hostText()},
            {"GONE-PORT", std::to_string(gonePort)}};
        const PeerScript scripts[] = {PeerSteps(c.name, c.server), PeerSteps(c.name, c.data),
                                      PeerSteps(c.name, c.data2)};
        PlayScript(server, scripts[0], values);
        PlayScript(data, scripts[1], values);
        PlayScript(data2, scripts[2], values);
        LSecureSocket connection;
        const LogTail log;
        std::string outcome;
        int stopAfterLines = -1;
        std::string stopAt;
        for (const std::string& line : c.client) {
            const std::string rest = Unescape(Substitute(line.substr(line.find(' ') + 1), values));
            const std::vector<std::string> args = Split(rest, ' ');
            if (line.starts_with("= ")) {
                EXPECT_EQ(outcome, rest);
                continue;
            }
            if (line.starts_with("logged ")) {
                std::string logged;
                for (const std::string& entry : log.Lines()) {
                    logged += (logged.empty() ? "" : "|") + entry;
                }
                EXPECT_EQ(logged, rest);
                continue;
            }
            if (line.starts_with("stop")) {
                line.starts_with("stop-at ") ? void(stopAt = rest)
                                             : void(stopAfterLines = std::stoi(rest));
                continue;
            }
            RecordingProcessInterface iface;
            if (outcome.empty()) {
                (c.server.empty() ? void() : server.Start()),
                    (c.data.empty() ? void() : data.Start()),
                    (c.data2.empty() ? void() : data2.Start());
                if (args[0] != "logon" && args[0] != "connect") {
                    ASSERT_EQ(SecureConnect(iface, connection, server.address(), 2000),
                              LPROCESS_OK);
                }
            }
            // Cancel pressed once the server has read this many lines.
            std::jthread stopper;
            if (stopAfterLines >= 0) {
                stopper = std::jthread([&, lines = std::size_t(stopAfterLines)](std::stop_token t) {
                    while (!t.stop_requested() && server.ReceivedLines().size() < lines) {
                        std::this_thread::yield();
                    }
                    iface.RequestStop();
                });
            }
            stopAt.empty() ? void() : iface.StopAtStatus(0, stopAt);
            const bool wasOpen = connection.fd >= 0;
            outcome = RunCall(args, rest.substr(std::min(rest.size(), args[0].size() + 1)), iface,
                              connection);
            outcome += wasOpen && connection.fd < 0 ? " closed" : "";
            stopAfterLines = -1;
            stopAt.clear();
        }
        SecureClose(connection);
        ScriptedPeer* peers[] = {&server, &data, &data2};
        for (int i = 0; i < 3; ++i) {
            if (scripts[i].lines.back() != "hold") {
                peers[i]->Wait();
            }
            EXPECT_EQ(ScriptMismatch(*peers[i], scripts[i]), "");
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Files, Conversations,
                         testing::Values("ftp/protocol_replies.script", "ftp/protocol_logon.script",
                                         "ftp/protocol_data.script",
                                         "ftp/protocol_listing.script"));

}  // namespace
