#include "settings/trusted_certificates.h"

#include <cctype>

#include "settings/section_settings.h"

std::string TrustedCertificateName(const std::string& host, std::uint16_t port, bool ipv6) {
    std::string name;
    for (char c : host) {
        name += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return (ipv6 ? "[" + name + "]" : name) + ":" + std::to_string(port);
}

std::string StoredCertificateFingerprint(const std::string& host, std::uint16_t port, bool ipv6) {
    return GetSetting(kTrustedCertificatesSection, TrustedCertificateName(host, port, ipv6));
}

bool StoreTrustedCertificate(const std::string& host, std::uint16_t port, bool ipv6,
                             const std::string& fingerprint) {
    return SetSetting(kTrustedCertificatesSection, TrustedCertificateName(host, port, ipv6),
                      fingerprint);
}
