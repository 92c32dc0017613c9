#pragma once

#include <cstdint>
#include <string>

// The server certificates the user chose to trust always, one SHA-256 fingerprint per host and
// port, in the section "TrustedCertificates" of the user's settings store.

inline constexpr char kTrustedCertificatesSection[] = "TrustedCertificates";

// The name a server's fingerprint is kept under: "host:port", or "[address]:port" for IPv6; the
// host in lower case, as names are.
std::string TrustedCertificateName(const std::string& host, std::uint16_t port, bool ipv6);

// The stored fingerprint, "" when there is none.
std::string StoredCertificateFingerprint(const std::string& host, std::uint16_t port, bool ipv6);
// Replaces whatever was stored for the server. False when the store did not take it.
bool StoreTrustedCertificate(const std::string& host, std::uint16_t port, bool ipv6,
                             const std::string& fingerprint);
