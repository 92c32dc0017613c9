#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "net/plain_socket.h"
#include "net/secure_socket.h"
#include "servers/scripted_peer.h"
#include "support/elapsed.h"
#include "support/scripted_ui.h"

namespace {

// A socket pair that keeps message boundaries, so the reader sees each send() separately.
struct SeqPacketPair {
    int sender = -1;
    int receiver = -1;
    SeqPacketPair() {
        int fds[2];
        if (socketpair(AF_UNIX, SOCK_SEQPACKET, 0, fds) == 0) {
            sender = fds[0];
            receiver = fds[1];
        }
    }
    ~SeqPacketPair() {
        for (int fd : {sender, receiver}) {
            if (fd >= 0) {
                close(fd);
            }
        }
    }
    std::vector<std::size_t> PieceSizes() const {
        std::vector<std::size_t> sizes;
        char buffer[8192];
        ssize_t n;
        while ((n = recv(receiver, buffer, sizeof buffer, MSG_DONTWAIT)) > 0) {
            sizes.push_back(static_cast<std::size_t>(n));
        }
        return sizes;
    }
};

const std::vector<std::size_t> kPiecesOf3000 = {1024, 1024, 952};

TEST(SendAll, SendsPlainDataInPiecesOfAtMost1024Bytes) {
    SeqPacketPair pair;
    LProcessInterfaceVoidInstance iface;
    std::string data(3000, 'd');
    ASSERT_EQ(SendAll(iface, pair.sender, data.data(), data.size(), 2000), LPROCESS_OK);
    EXPECT_EQ(pair.PieceSizes(), kPiecesOf3000);
}

TEST(SecureSendAll, SendsPlainDataInPiecesOfAtMost1024Bytes) {
    SeqPacketPair pair;
    LSecureSocket socket;
    socket.fd = pair.sender;
    pair.sender = -1;  // the record owns it now
    LProcessInterfaceVoidInstance iface;
    std::string data(3000, 'd');
    ASSERT_EQ(SecureSendAll(iface, socket, data.data(), data.size(), 2000), LPROCESS_OK);
    EXPECT_EQ(pair.PieceSizes(), kPiecesOf3000);
}

TEST(SendAll, StopsWhenCancelledWhileThePeerDoesNotRead) {
    ScriptedPeer peer;
    peer.HoldOpen();
    peer.Start();
    LProcessInterfaceVoidInstance connectIface;
    int fd = -1;
    ASSERT_EQ(ConnectWithTimeout(connectIface, fd, peer.address(), 2000), LPROCESS_OK);
    RecordingProcessInterface iface;
    iface.StopAfter(std::chrono::milliseconds(300));
    auto stopAt = std::chrono::steady_clock::now() + std::chrono::milliseconds(300);
    std::string data(64 * 1024 * 1024, 'x');
    EXPECT_EQ(SendAll(iface, fd, data.data(), data.size(), 60000), LPROCESS_STOPPED);
    EXPECT_LT(SecondsSince(stopAt), 1.5);
    close(fd);
}

TEST(SendAll, FailsOnceThePeerHasGone) {
    ScriptedPeer peer;
    peer.Close();
    peer.Start();
    LProcessInterfaceVoidInstance iface;
    int fd = -1;
    ASSERT_EQ(ConnectWithTimeout(iface, fd, peer.address(), 2000), LPROCESS_OK);
    peer.Wait();
    std::string data(4 * 1024 * 1024, 'x');
    EXPECT_EQ(SendAll(iface, fd, data.data(), data.size(), 2000), LPROCESS_FAILED);
    if (fd >= 0) {
        close(fd);
    }
}

TEST(ReceiveSome, ZeroCapacityIsOkWithoutTouchingTheSocket) {
    LProcessInterfaceVoidInstance iface;
    std::size_t count = 99;
    EXPECT_EQ(ReceiveSome(iface, -1, nullptr, 0, count, 200), LPROCESS_OK);
    EXPECT_EQ(count, 0u);
}

TEST(ReceiveUpToAndExactly, HandleAPeerThatStopsEarly) {
    for (bool exactly : {false, true}) {
        SCOPED_TRACE(exactly ? "ReceiveExactly" : "ReceiveUpTo");
        ScriptedPeer peer;
        peer.Send("0123456789").Close();
        peer.Start();
        LProcessInterfaceVoidInstance iface;
        int fd = -1;
        ASSERT_EQ(ConnectWithTimeout(iface, fd, peer.address(), 2000), LPROCESS_OK);
        char buffer[20];
        std::size_t count = 0;
        LProcessResult result = exactly
                                    ? ReceiveExactly(iface, fd, buffer, sizeof buffer, count, 2000)
                                    : ReceiveUpTo(iface, fd, buffer, sizeof buffer, count, 2000);
        // Only the exact form insists on the whole length; both report what came.
        EXPECT_EQ(result, exactly ? LPROCESS_FAILED : LPROCESS_OK);
        EXPECT_EQ(std::string(buffer, count), "0123456789");
        close(fd);
    }
}

TEST(SecureReceive, FailsWithoutClosingWhenThePeerHasClosed) {
    ScriptedPeer peer;
    peer.Send("abc").Close();
    peer.Start();
    LProcessInterfaceVoidInstance iface;
    LSecureSocket socket;
    ASSERT_EQ(SecureConnect(iface, socket, peer.address(), 2000), LPROCESS_OK);
    peer.Wait();
    char buffer[16];
    std::size_t count = 0;
    ASSERT_EQ(SecureReceive(iface, socket, buffer, sizeof buffer, count, 2000), LPROCESS_OK);
    EXPECT_EQ(std::string(buffer, count), "abc");
    EXPECT_EQ(SecureReceive(iface, socket, buffer, sizeof buffer, count, 2000), LPROCESS_FAILED);
    EXPECT_EQ(count, 0u);
    EXPECT_GE(socket.fd, 0);
}

TEST(SecureReadNow, ClosesTheConnectionWhenThePeerHasClosed) {
    ScriptedPeer peer;
    peer.Close();
    peer.Start();
    LProcessInterfaceVoidInstance iface;
    LSecureSocket socket;
    ASSERT_EQ(SecureConnect(iface, socket, peer.address(), 2000), LPROCESS_OK);
    peer.Wait();
    ASSERT_EQ(SecureWaitForReadable(iface, socket, 2000), LPROCESS_OK);
    char buffer[4];
    std::size_t count = 0;
    EXPECT_EQ(SecureReadNow(socket, buffer, sizeof buffer, count), LPROCESS_FAILED);
    EXPECT_EQ(socket.fd, -1);
}

TEST(Connect, TheBroadcastAddressFailsAndLeavesNoDescriptor) {
    LProcessInterfaceVoidInstance iface;
    sockaddr_in broadcast{};
    broadcast.sin_family = AF_INET;
    broadcast.sin_port = htons(21);
    broadcast.sin_addr.s_addr = INADDR_BROADCAST;
    int fd = -1;
    EXPECT_EQ(ConnectWithTimeout(iface, fd, broadcast, 1000), LPROCESS_FAILED);
    EXPECT_EQ(fd, -1);
    LSecureSocket socket;
    EXPECT_EQ(SecureConnect(iface, socket, broadcast, 1000), LPROCESS_FAILED);
    EXPECT_EQ(socket.fd, -1);
}

TEST(Connect, ConnectingAgainClosesTheOldConnectionFirst) {
    ScriptedPeer first;
    first.ReceiveUntilClosed();
    first.Start();
    ScriptedPeer second;
    second.HoldOpen();
    second.Start();
    LProcessInterfaceVoidInstance iface;
    LSecureSocket socket;
    ASSERT_EQ(SecureConnect(iface, socket, first.address(), 2000), LPROCESS_OK);
    ASSERT_EQ(SecureConnect(iface, socket, second.address(), 2000), LPROCESS_OK);
    first.Wait();  // returns only once the first connection was closed
    SUCCEED();
}

}  // namespace
