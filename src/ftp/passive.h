#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "net/secure_socket.h"

// Reads the address of a 227 reply's text: "(h1,h2,h3,h4,p1,p2)" becomes "h1.h2.h3.h4:P" with
// P = p1 * 256 + p2, numbers read as atoi reads them. False without '(' or with fewer than
// five ',' after it.
bool ParsePassiveReplyText(std::string_view text, std::string& address);
// "PASV"; ok with the address text only for a 227 reply that parses.
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
// connection's session. A failed handshake leaves it plain; only a stop is returned.
LProcessResult FtpSecureDataConnection(LProcessInterface& iface, LSecureSocket& connection,
                                       LSecureSocket& data);
// Opens a data connection to "host:port" (20 s).
LProcessResult FtpOpenDataConnection(LProcessInterface& iface, const std::string& address,
                                     LSecureSocket& data);
// TYPE A, PASV, the command, then collects what each receive on the data connection delivered
// (at most 259 bytes per piece, in arrival order); ok when the final reply is 200 to 399.
LProcessResult FtpDataCommand(LProcessInterface& iface, LSecureSocket& connection,
                              std::string_view commandLine, std::vector<std::string>& pieces);
