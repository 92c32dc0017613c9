#pragma once

#include <string>
#include <string_view>

struct LSecureSocket;

// What the user is shown of a server's certificate. Times are UTC, "2030-01-31 12:00:00 UTC".
struct ServerCertificate {
    std::string subject;  // "/CN=ftp.example.com/O=Example"
    std::string issuer;
    std::string notBefore;
    std::string notAfter;
    std::string fingerprint;  // SHA-256 in upper-case hex pairs joined by ':'
};

// The peer's certificate on a TLS connection; false on a plain one or when it sent none.
bool ReadPeerCertificate(const LSecureSocket& socket, ServerCertificate& certificate);

// Why the peer's certificate cannot be trusted without asking: "" when its chain verified
// against the trust store and it is made for `host`, the name or address the user typed.
std::string CertificateDoubt(const LSecureSocket& socket, const std::string& host);

// A fingerprint as the user may type it (any letter case, with or without ':' or spaces) in the
// form ServerCertificate uses; "" when it is no SHA-256 fingerprint.
std::string CanonicalFingerprint(std::string_view text);

// Whether two TLS connections present the same certificate.
bool SamePeerCertificate(const LSecureSocket& one, const LSecureSocket& other);
