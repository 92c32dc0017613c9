#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "frame/logger.h"
#include "net/secure_socket.h"
#include "servers/peer_script.h"
#include "support/log_tail.h"
#include "support/temp_folder.h"

// A control connection to a scripted peer, opened without a logon so the script starts with
// the first command the test sends. The peer outlives the connection.
struct PeerSession {
    ScriptedPeer peer;
    LSecureSocket connection;

    bool Connect() {
        peer.Start();
        LProcessInterfaceVoidInstance iface;
        return SecureConnect(iface, connection, peer.address(), 2000) == LPROCESS_OK;
    }
    // Closes the client's side, lets the script run out and returns what the client sent
    // during a closing ReceiveUntilClosed step.
    std::string BytesSentAfterScript() {
        SecureClose(connection);
        peer.Wait();
        return peer.ReceivedBytes();
    }
    // The command lines the client sent, once the script ran out; nothing may follow them.
    std::vector<std::string> SentCommands() {
        EXPECT_EQ(BytesSentAfterScript(), "");
        return peer.ReceivedLines();
    }
};
