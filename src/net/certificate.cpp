#include "net/certificate.h"

#include <arpa/inet.h>

#include <array>
#include <cctype>
#include <ctime>
#include <memory>

#include "frame/text_limits.h"
#include "net/secure_socket.h"

namespace {

constexpr std::size_t kSha256Bytes = 32;
constexpr long kVerifiedOk = 0;

struct CertificateFree {
    void operator()(X509* certificate) const { X509_free(certificate); }
};
using Certificate = std::unique_ptr<X509, CertificateFree>;

Certificate PeerCertificate(const LSecureSocket& socket) {
    return Certificate(socket.ssl != nullptr ? SSL_get1_peer_certificate(socket.ssl) : nullptr);
}

std::string Fingerprint(const X509* certificate) {
    std::array<unsigned char, kSha256Bytes> digest{};
    unsigned int length = 0;
    const EVP_MD* sha256 = EVP_sha256();
    if (sha256 == nullptr || X509_digest(certificate, sha256, digest.data(), &length) != 1 ||
        length != kSha256Bytes) {
        return "";
    }
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string text;
    for (unsigned char byte : digest) {
        text += text.empty() ? "" : ":";
        text += kHex[byte >> 4];
        text += kHex[byte & 0x0f];
    }
    return text;
}

std::string NameText(const X509_NAME* name) {
    char buffer[kTextLimit + 1] = {};
    return name != nullptr && X509_NAME_oneline(name, buffer, sizeof buffer) != nullptr ? buffer
                                                                                        : "";
}

std::string TimeText(const ASN1_TIME* time) {
    std::tm broken{};
    char text[40] = {};
    if (time == nullptr || ASN1_TIME_to_tm(time, &broken) != 1 ||
        std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S UTC", &broken) == 0) {
        return "unknown";
    }
    return text;
}

bool IsAddress(const std::string& host) {
    in6_addr scratch{};
    return inet_pton(AF_INET, host.c_str(), &scratch) == 1 ||
           inet_pton(AF_INET6, host.c_str(), &scratch) == 1;
}

}  // namespace

bool ReadPeerCertificate(const LSecureSocket& socket, ServerCertificate& certificate) {
    const Certificate peer = PeerCertificate(socket);
    if (!peer) {
        return false;
    }
    certificate.subject = NameText(X509_get_subject_name(peer.get()));
    certificate.issuer = NameText(X509_get_issuer_name(peer.get()));
    certificate.notBefore = TimeText(X509_get0_notBefore(peer.get()));
    certificate.notAfter = TimeText(X509_get0_notAfter(peer.get()));
    certificate.fingerprint = Fingerprint(peer.get());
    return !certificate.fingerprint.empty();
}

std::string CertificateDoubt(const LSecureSocket& socket, const std::string& host) {
    const Certificate peer = PeerCertificate(socket);
    if (!peer) {
        return "the server sent no certificate";
    }
    const long verified = SSL_get_verify_result(socket.ssl);
    if (verified != kVerifiedOk) {
        const char* reason = X509_verify_cert_error_string(verified);
        return reason != nullptr ? reason : "it could not be verified";
    }
    const int matches = IsAddress(host)
                            ? X509_check_ip_asc(peer.get(), host.c_str(), 0)
                            : X509_check_host(peer.get(), host.data(), host.size(), 0, nullptr);
    return matches == 1 ? "" : "it was not made for " + host;
}

std::string CanonicalFingerprint(std::string_view text) {
    std::string hex;
    for (char c : text) {
        if (std::isxdigit(static_cast<unsigned char>(c))) {
            hex += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        } else if (c != ':' && c != ' ') {
            return "";
        }
    }
    if (hex.size() != kSha256Bytes * 2) {
        return "";
    }
    std::string canonical;
    for (std::size_t i = 0; i < hex.size(); i += 2) {
        canonical += canonical.empty() ? "" : ":";
        canonical += hex.substr(i, 2);
    }
    return canonical;
}

bool SamePeerCertificate(const LSecureSocket& one, const LSecureSocket& other) {
    const Certificate first = PeerCertificate(one);
    const Certificate second = PeerCertificate(other);
    if (!first || !second) {
        return false;
    }
    const std::string fingerprint = Fingerprint(first.get());
    return !fingerprint.empty() && fingerprint == Fingerprint(second.get());
}
