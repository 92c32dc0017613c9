// The transport against a real FTP server: the greeting and the answer to QUIT arrive as lines.
#include <gtest/gtest.h>

#include "net/host_address.h"
#include "net/line_reader.h"
#include "servers/pyftpd_fixture.h"

namespace {

TEST(SecureSocketWithPyftpdlib, ReadsTheGreetingAndTheAnswerToQuit) {
    PyFtpdServer server;
    std::string why;
    ASSERT_TRUE(server.Start(&why)) << why;
    sockaddr_in address{};
    MakeSocketAddress(address, server.hostText(), 21);
    LProcessInterfaceVoidInstance iface;
    LSecureSocket socket;
    ASSERT_EQ(SecureConnect(iface, socket, address, 10000), LPROCESS_OK);
    std::string line;
    ASSERT_EQ(ReadLine(iface, socket, line, 10000), LPROCESS_OK);
    EXPECT_EQ(line, "220 pyftpdlib test server ready.");
    const std::string quit = "QUIT\r\n";
    ASSERT_EQ(SecureSendAll(iface, socket, quit.data(), quit.size(), 20000), LPROCESS_OK);
    ASSERT_EQ(ReadLine(iface, socket, line, 10000), LPROCESS_OK);
    EXPECT_EQ(line.substr(0, 4), "221 ");
}

}  // namespace
