#include "net/certificate_trust.h"

#include <mutex>
#include <set>

#include "frame/logger.h"
#include "net/certificate.h"
#include "net/host_address.h"
#include "settings/trusted_certificates.h"

namespace {

struct TrustedOnce {
    std::mutex mutex;
    std::set<std::string> entries;  // "host:port fingerprint"
};

TrustedOnce& TheTrustedOnce() {
    static TrustedOnce trusted;
    return trusted;
}

struct ServerKey {
    HostText text;
    std::string name;  // as the store keeps it
};

bool ReadServer(const std::string& hostText, std::uint16_t defaultPort, ServerKey& key) {
    key.text = ParseHostText(hostText, defaultPort);
    key.name = TrustedCertificateName(key.text.host, key.text.port, key.text.ipv6);
    return key.text.status == HostTextStatus::kOk;
}

bool IsTrustedOnce(const std::string& name, const std::string& fingerprint) {
    TrustedOnce& trusted = TheTrustedOnce();
    const std::lock_guard<std::mutex> lock(trusted.mutex);
    return trusted.entries.contains(name + " " + fingerprint);
}

void RememberOnce(const std::string& name, const std::string& fingerprint) {
    TrustedOnce& trusted = TheTrustedOnce();
    const std::lock_guard<std::mutex> lock(trusted.mutex);
    trusted.entries.insert(name + " " + fingerprint);
}

void LogCertificate(const char* how, const ServerCertificate& certificate) {
    Log(kLogInfo, std::string(how) + ": subject " + certificate.subject + ", issuer " +
                      certificate.issuer + ", SHA-256 fingerprint " + certificate.fingerprint +
                      ".");
}

}  // namespace

LProcessResult TrustServerCertificate(LProcessInterface& iface, UserInterfaceServices* ui,
                                      LWindow parent, const LSecureSocket& connection,
                                      const std::string& hostText, std::uint16_t defaultPort) {
    ServerKey server;
    ServerCertificate certificate;
    if (!ReadServer(hostText, defaultPort, server) ||
        !ReadPeerCertificate(connection, certificate)) {
        iface.ReportError("The server's certificate could not be read.");
        return LPROCESS_FAILED;
    }
    const std::string doubt = CertificateDoubt(connection, server.text.host);
    if (doubt.empty()) {
        LogCertificate("Server certificate verified", certificate);
        return LPROCESS_OK;
    }
    const std::string stored =
        StoredCertificateFingerprint(server.text.host, server.text.port, server.text.ipv6);
    if (stored == certificate.fingerprint || IsTrustedOnce(server.name, certificate.fingerprint)) {
        LogCertificate("Server certificate trusted by its fingerprint", certificate);
        return LPROCESS_OK;
    }

    CertificateQuestion question;
    question.parent = parent;
    question.kind =
        stored.empty() ? CertificateQuestionKind::kUnknown : CertificateQuestionKind::kChanged;
    question.server = server.name;
    question.reason = doubt;
    question.subject = certificate.subject;
    question.issuer = certificate.issuer;
    question.notBefore = certificate.notBefore;
    question.notAfter = certificate.notAfter;
    question.fingerprint = certificate.fingerprint;
    question.storedFingerprint = stored;
    const CertificateTrust answer =
        ui != nullptr ? ui->AskCertificateTrust(question) : CertificateTrust::kRefused;
    switch (answer) {
        case CertificateTrust::kAlways:
            if (!StoreTrustedCertificate(server.text.host, server.text.port, server.text.ipv6,
                                         certificate.fingerprint)) {
                Log(kLogError,
                    "The trusted certificate could not be saved; it is trusted until "
                    "the program ends.");
            }
            RememberOnce(server.name, certificate.fingerprint);
            LogCertificate("Server certificate trusted always", certificate);
            return LPROCESS_OK;
        case CertificateTrust::kOnce:
            RememberOnce(server.name, certificate.fingerprint);
            LogCertificate("Server certificate trusted until the program ends", certificate);
            return LPROCESS_OK;
        case CertificateTrust::kCancel:
            return LPROCESS_STOPPED;
        case CertificateTrust::kRefused:
            break;
    }
    const std::string refused =
        ui != nullptr ? ui->CertificateRefusedText(question) : CertificateNotTrustedText(question);
    iface.ReportError(refused.c_str());
    return LPROCESS_FAILED;
}

bool TrustCertificateOnce(const std::string& hostText, std::uint16_t defaultPort,
                          const std::string& fingerprint) {
    ServerKey server;
    const std::string canonical = CanonicalFingerprint(fingerprint);
    if (!ReadServer(hostText, defaultPort, server) || canonical.empty()) {
        return false;
    }
    RememberOnce(server.name, canonical);
    return true;
}

bool TrustCertificateAlways(const std::string& hostText, std::uint16_t defaultPort,
                            const std::string& fingerprint) {
    ServerKey server;
    const std::string canonical = CanonicalFingerprint(fingerprint);
    return ReadServer(hostText, defaultPort, server) && !canonical.empty() &&
           StoreTrustedCertificate(server.text.host, server.text.port, server.text.ipv6, canonical);
}

LProcessResult StartDataConnectionTls(LProcessInterface& iface, const LSecureSocket& control,
                                      LSecureSocket& data) {
    std::string failure;
    if (!TlsStart(iface, data, &control, &failure)) {
        if (iface.IsStopped()) {
            return LPROCESS_STOPPED;
        }
        iface.ReportError(("The TLS handshake on the data connection failed: " + failure).c_str());
        return LPROCESS_FAILED;
    }
    if (!SamePeerCertificate(control, data)) {
        iface.ReportError(
            "The data connection presented another certificate than the server; the transfer "
            "was stopped.");
        return LPROCESS_FAILED;
    }
    return LPROCESS_OK;
}
