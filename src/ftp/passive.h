#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "net/secure_socket.h"

// What the passive exchange learns on a session, kept in LSecureSocket::features with the
// server's other bits (ftp/ftp_features.h) and cleared with them at each logon.
inline constexpr std::uint32_t kFeatExtendedPassive = 0x40000000;   // PASV refused: EPSV from now
inline constexpr std::uint32_t kFeatPassiveElsewhere = 0x80000000;  // the log has said so

// Reads a 227 reply's text: "(h1,h2,h3,h4,p1,p2)" names the address "h1.h2.h3.h4" and the port
// p1 * 256 + p2, numbers read as atoi reads them, without range checks. False without '(' or
// with fewer than five ',' after it.
bool ParsePassiveReplyText(std::string_view text, std::string& host, long long& port);
// Reads the port of a 229 reply's text: "(|||port|)", where any one character from '!' to '~'
// may stand for '|'. False for anything else, or a port outside 1 to 65535.
bool ParseExtendedPassiveReplyText(std::string_view text, std::uint16_t& port);
// Asks for a passive data connection: EPSV on an IPv6 session; PASV on IPv4, and EPSV once the
// server refused PASV with 500 or 502. Ok with the address to connect to, as a server text: the
// control connection's peer with the port from the reply, whatever address a 227 reply named
// (the log says so once per session when it named another).
LProcessResult FtpPassive(LProcessInterface& iface, LSecureSocket& connection,
                          std::string& address);
// Reported when a server answers PROT P with 534.
inline constexpr char kProtectedModeRefused[] =
    "This FTP server does not support the required protected mode data transfers for SSL "
    "connections.";

// "PBSZ 0" and "PROT P", sent before every listing and upload of a TLS session. A 534 answer to
// PROT P is reported: the server cannot protect data connections.
LProcessResult FtpProtectDataChannel(LProcessInterface& iface, LSecureSocket& connection);
// After the preliminary reply on a TLS session: TLS on the data connection, resuming the control
// connection's session and presenting its certificate (StartDataConnectionTls); anything else
// fails, so the data never moves in clear.
LProcessResult FtpSecureDataConnection(LProcessInterface& iface, LSecureSocket& connection,
                                       LSecureSocket& data);
// Opens a data connection to a server text ("host:port", "[v6]:port") (20 s).
LProcessResult FtpOpenDataConnection(LProcessInterface& iface, const std::string& address,
                                     LSecureSocket& data);
// TYPE A, PASV, the command, then collects what each receive on the data connection delivered
// (at most 259 bytes per piece, in arrival order); ok when the final reply is 200 to 399.
LProcessResult FtpDataCommand(LProcessInterface& iface, LSecureSocket& connection,
                              std::string_view commandLine, std::vector<std::string>& pieces);
