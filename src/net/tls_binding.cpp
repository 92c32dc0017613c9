#include "net/tls_binding.h"

#include <dlfcn.h>
#include <poll.h>

#include "net/secure_socket.h"
#include "process/process_interface.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <mutex>

namespace {

struct TlsImages {
    void* sslImage = nullptr;
    void* cryptoImage = nullptr;
    bool cryptoStringsLoaded = false;
};

TlsImages& Images() {
    static TlsImages images;
    static std::once_flag loaded;
    std::call_once(loaded, [] {
        // libssl needs libcrypto's symbols, so libcrypto goes first.
        images.cryptoImage = dlopen("libcrypto.so.3", RTLD_NOW | RTLD_LOCAL);
        images.sslImage = dlopen("libssl.so.3", RTLD_NOW | RTLD_LOCAL);
    });
    return images;
}

enum class Image { kSsl, kCrypto };

// Test switches: pretend the libraries are missing; cap the client at TLS 1.2.
bool librariesHidden = false;
bool capAtTls12 = false;

// Looks the function up in its image; a failed lookup is tried again on the next call.
template <typename Function>
Function* Bind(Function*& slot, Image image, const char* name) {
    if (librariesHidden) {
        return nullptr;
    }
    if (slot == nullptr) {
        TlsImages& images = Images();
        void* handle = image == Image::kSsl ? images.sslImage : images.cryptoImage;
        if (handle != nullptr) {
            slot = reinterpret_cast<Function*>(dlsym(handle, name));
        }
    }
    return slot;
}

}  // namespace

void TlsLibraryLoad() {
    Images();
}

bool TlsAvailable() {
    // OpenSSL 3 keeps SSL_library_init only as a macro over OPENSSL_init_ssl.
    static int (*slot)(unsigned long long, const void*) = nullptr;
    auto* bound = Bind(slot, Image::kSsl, "OPENSSL_init_ssl");
    return bound != nullptr;
}

int SSL_read(SSL* ssl, void* buffer, int length) {
    static int (*slot)(SSL*, void*, int) = nullptr;
    auto* bound = Bind(slot, Image::kSsl, "SSL_read");
    return bound != nullptr ? bound(ssl, buffer, length) : -1;
}

int SSL_peek(SSL* ssl, void* buffer, int length) {
    static int (*slot)(SSL*, void*, int) = nullptr;
    auto* bound = Bind(slot, Image::kSsl, "SSL_peek");
    return bound != nullptr ? bound(ssl, buffer, length) : -1;
}

int SSL_write(SSL* ssl, const void* buffer, int length) {
    static int (*slot)(SSL*, const void*, int) = nullptr;
    auto* bound = Bind(slot, Image::kSsl, "SSL_write");
    return bound != nullptr ? bound(ssl, buffer, length) : -1;
}

int SSL_pending(const SSL* ssl) {
    static int (*slot)(const SSL*) = nullptr;
    auto* bound = Bind(slot, Image::kSsl, "SSL_pending");
    return bound != nullptr ? bound(ssl) : 0;
}

bool SSL_has_pending(const SSL* ssl) {
    static int (*slot)(const SSL*) = nullptr;
    auto* bound = Bind(slot, Image::kSsl, "SSL_has_pending");
    return bound != nullptr ? bound(ssl) == 1 : SSL_pending(ssl) > 0;
}

bool TlsPeerClosed(const SSL* ssl) {
    static int (*slot)(const SSL*) = nullptr;
    constexpr int kReceivedShutdown = 2;
    auto* bound = Bind(slot, Image::kSsl, "SSL_get_shutdown");
    return bound != nullptr && (bound(ssl) & kReceivedShutdown) != 0;
}

int SSL_get_error(const SSL* ssl, int result) {
    static int (*slot)(const SSL*, int) = nullptr;
    auto* bound = Bind(slot, Image::kSsl, "SSL_get_error");
    return bound != nullptr ? bound(ssl, result) : 0;
}

int SSL_shutdown(SSL* ssl) {
    static int (*slot)(SSL*) = nullptr;
    auto* bound = Bind(slot, Image::kSsl, "SSL_shutdown");
    return bound != nullptr ? bound(ssl) : -1;
}

void SSL_free(SSL* ssl) {
    static void (*slot)(SSL*) = nullptr;
    auto* bound = Bind(slot, Image::kSsl, "SSL_free");
    if (bound != nullptr) {
        bound(ssl);
    }
}

void SSL_CTX_free(SSL_CTX* context) {
    static void (*slot)(SSL_CTX*) = nullptr;
    auto* bound = Bind(slot, Image::kSsl, "SSL_CTX_free");
    if (bound != nullptr) {
        bound(context);
    }
}

unsigned long ERR_get_error() {
    static unsigned long (*slot)() = nullptr;
    auto* bound = Bind(slot, Image::kCrypto, "ERR_get_error");
    return bound != nullptr ? bound() : 0;
}

char* ERR_error_string(unsigned long code, char* buffer) {
    static char* (*slot)(unsigned long, char*) = nullptr;
    auto* bound = Bind(slot, Image::kCrypto, "ERR_error_string");
    return bound != nullptr ? bound(code, buffer) : nullptr;
}

const char* ERR_reason_error_string(unsigned long code) {
    static const char* (*slot)(unsigned long) = nullptr;
    auto* bound = Bind(slot, Image::kCrypto, "ERR_reason_error_string");
    return bound != nullptr ? bound(code) : nullptr;
}

namespace {

void LoadCryptoStringsOnce() {
    TlsImages& images = Images();
    if (!images.cryptoStringsLoaded) {
        // OpenSSL 3 keeps ERR_load_crypto_strings only as a macro over OPENSSL_init_crypto.
        static int (*slot)(unsigned long long, const void*) = nullptr;
        auto* bound = Bind(slot, Image::kCrypto, "OPENSSL_init_crypto");
        const unsigned long long kLoadCryptoStrings = 0x00000002ULL;
        if (bound != nullptr) {
            bound(kLoadCryptoStrings, nullptr);
        }
        images.cryptoStringsLoaded = true;
    }
}

// Empties the error queue; the reason of its first error, "" when it held none.
std::string DrainTlsErrorsKeepingFirst() {
    LoadCryptoStringsOnce();
    std::string first;
    char scratch[256];
    while (unsigned long code = ERR_get_error()) {
        ERR_error_string(code, scratch);
        if (first.empty()) {
            const char* reason = ERR_reason_error_string(code);
            first = reason != nullptr ? reason : scratch;
        }
    }
    return first;
}

}  // namespace

void DrainTlsErrors() {
    DrainTlsErrorsKeepingFirst();
}

X509* SSL_get1_peer_certificate(const SSL* ssl) {
    static X509* (*slot)(const SSL*) = nullptr;
    auto* bound = Bind(slot, Image::kSsl, "SSL_get1_peer_certificate");
    return bound != nullptr ? bound(ssl) : nullptr;
}

long SSL_get_verify_result(const SSL* ssl) {
    static long (*slot)(const SSL*) = nullptr;
    auto* bound = Bind(slot, Image::kSsl, "SSL_get_verify_result");
    return bound != nullptr ? bound(ssl) : 0;
}

const char* X509_verify_cert_error_string(long result) {
    static const char* (*slot)(long) = nullptr;
    auto* bound = Bind(slot, Image::kCrypto, "X509_verify_cert_error_string");
    return bound != nullptr ? bound(result) : nullptr;
}

void X509_free(X509* certificate) {
    static void (*slot)(X509*) = nullptr;
    auto* bound = Bind(slot, Image::kCrypto, "X509_free");
    if (bound != nullptr) {
        bound(certificate);
    }
}

int X509_digest(const X509* certificate, const EVP_MD* type, unsigned char* digest,
                unsigned int* length) {
    static int (*slot)(const X509*, const EVP_MD*, unsigned char*, unsigned int*) = nullptr;
    auto* bound = Bind(slot, Image::kCrypto, "X509_digest");
    return bound != nullptr ? bound(certificate, type, digest, length) : 0;
}

const EVP_MD* EVP_sha256() {
    static const EVP_MD* (*slot)() = nullptr;
    auto* bound = Bind(slot, Image::kCrypto, "EVP_sha256");
    return bound != nullptr ? bound() : nullptr;
}

X509_NAME* X509_get_subject_name(const X509* certificate) {
    static X509_NAME* (*slot)(const X509*) = nullptr;
    auto* bound = Bind(slot, Image::kCrypto, "X509_get_subject_name");
    return bound != nullptr ? bound(certificate) : nullptr;
}

X509_NAME* X509_get_issuer_name(const X509* certificate) {
    static X509_NAME* (*slot)(const X509*) = nullptr;
    auto* bound = Bind(slot, Image::kCrypto, "X509_get_issuer_name");
    return bound != nullptr ? bound(certificate) : nullptr;
}

char* X509_NAME_oneline(const X509_NAME* name, char* buffer, int size) {
    static char* (*slot)(const X509_NAME*, char*, int) = nullptr;
    auto* bound = Bind(slot, Image::kCrypto, "X509_NAME_oneline");
    return bound != nullptr ? bound(name, buffer, size) : nullptr;
}

const ASN1_TIME* X509_get0_notBefore(const X509* certificate) {
    static const ASN1_TIME* (*slot)(const X509*) = nullptr;
    auto* bound = Bind(slot, Image::kCrypto, "X509_get0_notBefore");
    return bound != nullptr ? bound(certificate) : nullptr;
}

const ASN1_TIME* X509_get0_notAfter(const X509* certificate) {
    static const ASN1_TIME* (*slot)(const X509*) = nullptr;
    auto* bound = Bind(slot, Image::kCrypto, "X509_get0_notAfter");
    return bound != nullptr ? bound(certificate) : nullptr;
}

int ASN1_TIME_to_tm(const ASN1_TIME* time, std::tm* broken) {
    static int (*slot)(const ASN1_TIME*, std::tm*) = nullptr;
    auto* bound = Bind(slot, Image::kCrypto, "ASN1_TIME_to_tm");
    return bound != nullptr ? bound(time, broken) : 0;
}

int X509_check_host(X509* certificate, const char* name, std::size_t length, unsigned int flags,
                    char** matched) {
    static int (*slot)(X509*, const char*, std::size_t, unsigned int, char**) = nullptr;
    auto* bound = Bind(slot, Image::kCrypto, "X509_check_host");
    return bound != nullptr ? bound(certificate, name, length, flags, matched) : -1;
}

int X509_check_ip_asc(X509* certificate, const char* address, unsigned int flags) {
    static int (*slot)(X509*, const char*, unsigned int) = nullptr;
    auto* bound = Bind(slot, Image::kCrypto, "X509_check_ip_asc");
    return bound != nullptr ? bound(certificate, address, flags) : -1;
}

namespace {

// OpenSSL 3 keeps SSL_library_init, SSL_load_error_strings and OPENSSL_add_all_algorithms_noconf
// only as macros over these two initialisers.
constexpr unsigned long long kInitLoadSslStrings = 0x00200000ULL;
constexpr unsigned long long kInitLoadCryptoStrings = 0x00000002ULL;
constexpr unsigned long long kInitAddAllCiphers = 0x00000004ULL;
constexpr unsigned long long kInitAddAllDigests = 0x00000008ULL;
constexpr int kVerifyNone = 0;
// How long a handshake may take before it is given up.
constexpr auto kHandshakeLimit = std::chrono::seconds(30);

bool InitialiseOnce() {
    static bool initialised = false;
    if (initialised) {
        return true;
    }
    static int (*initSsl)(unsigned long long, const void*) = nullptr;
    static int (*initCrypto)(unsigned long long, const void*) = nullptr;
    if (Bind(initSsl, Image::kSsl, "OPENSSL_init_ssl") == nullptr ||
        Bind(initCrypto, Image::kCrypto, "OPENSSL_init_crypto") == nullptr) {
        return false;
    }
    initSsl(0, nullptr);
    initSsl(kInitLoadSslStrings | kInitLoadCryptoStrings, nullptr);
    initCrypto(kInitAddAllCiphers | kInitAddAllDigests, nullptr);
    initialised = true;
    return true;
}

SSL_CTX* NewClientContext() {
    static const void* (*clientMethod)() = nullptr;
    static SSL_CTX* (*contextNew)(const void*) = nullptr;
    static void (*setVerify)(SSL_CTX*, int, void*) = nullptr;
    static int (*defaultVerifyPaths)(SSL_CTX*) = nullptr;
    if (Bind(clientMethod, Image::kSsl, "TLS_client_method") == nullptr ||
        Bind(contextNew, Image::kSsl, "SSL_CTX_new") == nullptr ||
        Bind(setVerify, Image::kSsl, "SSL_CTX_set_verify") == nullptr ||
        Bind(defaultVerifyPaths, Image::kSsl, "SSL_CTX_set_default_verify_paths") == nullptr) {
        return nullptr;
    }
    SSL_CTX* context = contextNew(clientMethod());
    if (context != nullptr) {
        // The chain is still verified and its result kept; the logon decides what a failure
        // means, as it may ask the user.
        setVerify(context, kVerifyNone, nullptr);
        defaultVerifyPaths(context);
        if (capAtTls12) {
            // SSL_CTX_set_max_proto_version is a macro over SSL_CTX_ctrl.
            static long (*contextCtrl)(SSL_CTX*, int, long, void*) = nullptr;
            constexpr int kCtrlSetMaxProtoVersion = 124;
            constexpr long kTls12Version = 0x0303;
            if (Bind(contextCtrl, Image::kSsl, "SSL_CTX_ctrl") != nullptr) {
                contextCtrl(context, kCtrlSetMaxProtoVersion, kTls12Version, nullptr);
            }
        }
    }
    return context;
}

SSL* NewSession(SSL_CTX* context, int fd) {
    static SSL* (*sessionNew)(SSL_CTX*) = nullptr;
    static int (*setFd)(SSL*, int) = nullptr;
    static void (*setConnectState)(SSL*) = nullptr;
    if (Bind(sessionNew, Image::kSsl, "SSL_new") == nullptr ||
        Bind(setFd, Image::kSsl, "SSL_set_fd") == nullptr ||
        Bind(setConnectState, Image::kSsl, "SSL_set_connect_state") == nullptr) {
        return nullptr;
    }
    SSL* ssl = sessionNew(context);
    if (ssl != nullptr) {
        setFd(ssl, fd);
        setConnectState(ssl);
    }
    return ssl;
}

// Offers the session of `from` for resumption: servers such as vsftpd refuse a data connection
// that does not resume its control connection's TLS session.
void OfferSessionOf(SSL* ssl, SSL* from) {
    static void* (*getSession)(const SSL*) = nullptr;
    static int (*setSession)(SSL*, void*) = nullptr;
    static void (*freeSession)(void*) = nullptr;
    if (Bind(getSession, Image::kSsl, "SSL_get1_session") == nullptr ||
        Bind(setSession, Image::kSsl, "SSL_set_session") == nullptr ||
        Bind(freeSession, Image::kSsl, "SSL_SESSION_free") == nullptr) {
        return;
    }
    if (void* session = getSession(from)) {
        setSession(ssl, session);
        freeSession(session);
    }
}

// A data connection reads many records a system call instead of a header and a body each. The
// control connection keeps reading exactly what it peeks at.
void ReadDataAhead(SSL* ssl) {
    constexpr std::size_t kReadAheadBytes = 256 * 1024;
    static long (*sessionCtrl)(SSL*, int, long, void*) = nullptr;
    static void (*setReadBufferLength)(SSL*, std::size_t) = nullptr;
    constexpr int kCtrlSetReadAhead = 41;
    if (Bind(sessionCtrl, Image::kSsl, "SSL_ctrl") == nullptr ||
        Bind(setReadBufferLength, Image::kSsl, "SSL_set_default_read_buffer_len") == nullptr) {
        return;
    }
    sessionCtrl(ssl, kCtrlSetReadAhead, 1, nullptr);
    setReadBufferLength(ssl, kReadAheadBytes);
}

int SslConnect(SSL* ssl) {
    static int (*connect)(SSL*) = nullptr;
    return Bind(connect, Image::kSsl, "SSL_connect") != nullptr ? connect(ssl) : -1;
}

void DropTls(LSecureSocket& socket) {
    if (socket.ssl != nullptr) {
        SSL_free(socket.ssl);
        socket.ssl = nullptr;
    }
    if (socket.sslContext != nullptr) {
        SSL_CTX_free(socket.sslContext);
        socket.sslContext = nullptr;
    }
}

}  // namespace

bool TlsStart(LProcessInterface& iface, LSecureSocket& socket, const LSecureSocket* resumeFrom,
              std::string* failure) {
    std::string reason = "the TLS library could not start a session";
    const auto fail = [&] {
        DropTls(socket);
        if (failure != nullptr) {
            *failure = reason;
        }
        return false;
    };
    if (!InitialiseOnce() || socket.fd < 0) {
        return fail();
    }
    if (socket.sslContext != nullptr) {
        SSL_CTX_free(socket.sslContext);
    }
    socket.sslContext = NewClientContext();
    if (socket.sslContext == nullptr) {
        DrainTlsErrors();
        return fail();
    }
    if (socket.ssl != nullptr) {
        SSL_free(socket.ssl);
    }
    socket.ssl = NewSession(socket.sslContext, socket.fd);
    if (socket.ssl == nullptr) {
        return fail();
    }
    if (resumeFrom != nullptr && resumeFrom->ssl != nullptr) {
        OfferSessionOf(socket.ssl, resumeFrom->ssl);
        ReadDataAhead(socket.ssl);
    }
    reason = "no answer within 30 seconds";
    const auto deadline = std::chrono::steady_clock::now() + kHandshakeLimit;
    while (!iface.IsStopped() && std::chrono::steady_clock::now() < deadline) {
        errno = 0;
        int result = SslConnect(socket.ssl);
        if (result == 1) {
            return true;
        }
        int error = SSL_get_error(socket.ssl, result);
        if (error != kSslErrorWantRead && error != kSslErrorWantWrite) {
            const int systemError = errno;
            reason = DrainTlsErrorsKeepingFirst();
            if (reason.empty()) {
                reason = systemError != 0 && result < 0 ? std::strerror(systemError)
                                                        : "the server closed the connection";
            }
            break;
        }
        // Wait for the server's part of the handshake rather than spin.
        pollfd entry{socket.fd, static_cast<short>(error == kSslErrorWantRead ? POLLIN : POLLOUT),
                     0};
        poll(&entry, 1, 100);
    }
    return fail();
}

void SetTlsLibrariesHiddenForTesting(bool hidden) {
    librariesHidden = hidden;
}

void SetTlsCappedAtTls12(bool capped) {
    capAtTls12 = capped;
}

std::string TlsVersionText(const LSecureSocket& socket) {
    static const char* (*getVersion)(const SSL*) = nullptr;
    if (socket.ssl == nullptr || Bind(getVersion, Image::kSsl, "SSL_get_version") == nullptr) {
        return "";
    }
    const char* text = getVersion(socket.ssl);
    return text != nullptr ? text : "";
}
