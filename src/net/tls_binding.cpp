#include "net/tls_binding.h"

#include <dlfcn.h>

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

// Looks the function up in its image; a failed lookup is tried again on the next call.
template <typename Function>
Function* Bind(Function*& slot, Image image, const char* name) {
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

void DrainTlsErrors() {
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
    char scratch[256];
    while (unsigned long code = ERR_get_error()) {
        ERR_error_string(code, scratch);
    }
}
