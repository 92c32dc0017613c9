#pragma once

#include <cstdint>
#include <string>

#include "net/secure_socket.h"
#include "process/ui_services.h"

// Whether a TLS control connection may carry the user name and password: a certificate that
// verifies (trust store and the name the user typed) goes on silently and is logged; one that
// does not goes on when its fingerprint was trusted always for the server (the settings store)
// or trusted once in this run, and otherwise is asked about through `ui` once. "Trust Always"
// stores the fingerprint, "Trust Once" keeps it until the program ends, Cancel gives
// LPROCESS_STOPPED; without `ui`, or when nobody could answer, the connection fails with the
// reason reported.
LProcessResult TrustServerCertificate(LProcessInterface& iface, UserInterfaceServices* ui,
                                      LWindow parent, const LSecureSocket& connection,
                                      const std::string& hostText, std::uint16_t defaultPort);

// Trusts the fingerprint for the server until the program ends, as "Trust Once" does. False when
// the server text or the fingerprint cannot be read.
bool TrustCertificateOnce(const std::string& hostText, std::uint16_t defaultPort,
                          const std::string& fingerprint);
// Stores the fingerprint for the server, as "Trust Always" does.
bool TrustCertificateAlways(const std::string& hostText, std::uint16_t defaultPort,
                            const std::string& fingerprint);

// TLS on a data connection of a TLS session, resuming the control connection's session. A failed
// handshake, or a certificate other than the control connection's, fails it with the reason
// reported: the data never moves in clear or to someone else.
LProcessResult StartDataConnectionTls(LProcessInterface& iface, const LSecureSocket& control,
                                      LSecureSocket& data);
