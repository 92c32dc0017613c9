#pragma once

// OpenSSL is not linked at build time: the system's libssl and libcrypto are loaded on first use
// and each function is bound by name. Every wrapper has the OpenSSL function's name and
// arguments; when its function cannot be bound it returns the function's failure value without
// calling anything (-1 for SSL_read, SSL_peek, SSL_write, SSL_shutdown and SSL_connect, 0 or
// null for the others). No OpenSSL header is included anywhere in the program.

#include <cstddef>
#include <string>

typedef struct ssl_st SSL;
typedef struct ssl_ctx_st SSL_CTX;

inline constexpr int kSslErrorNone = 0;
inline constexpr int kSslErrorSsl = 1;
inline constexpr int kSslErrorWantRead = 2;
inline constexpr int kSslErrorWantWrite = 3;

// Loads the libraries once; later calls do nothing.
void TlsLibraryLoad();
// True when the libraries loaded and the library initialisation entry point is bound.
bool TlsAvailable();

int SSL_read(SSL* ssl, void* buffer, int length);
int SSL_peek(SSL* ssl, void* buffer, int length);
int SSL_write(SSL* ssl, const void* buffer, int length);
int SSL_pending(const SSL* ssl);
// Whether OpenSSL holds bytes not yet returned, processed or not (SSL_pending sees only the
// former).
bool SSL_has_pending(const SSL* ssl);
// Whether the peer's TLS close has been read (SSL_get_shutdown's SSL_RECEIVED_SHUTDOWN).
bool TlsPeerClosed(const SSL* ssl);
int SSL_get_error(const SSL* ssl, int result);
int SSL_shutdown(SSL* ssl);
void SSL_free(SSL* ssl);
void SSL_CTX_free(SSL_CTX* context);
unsigned long ERR_get_error();
char* ERR_error_string(unsigned long code, char* buffer);

// Empties OpenSSL's error queue so the next call starts clean. The texts are never shown.
void DrainTlsErrors();

struct LSecureSocket;
class LProcessInterface;

// Turns a connected socket into a TLS client connection (the server's certificate is not
// checked). A data connection passes its control connection as resumeFrom, whose TLS session is
// offered for resumption. False leaves the connection connected and plain. The handshake gives up
// after 30 seconds, or when the user stops the run (the caller then sees IsStopped).
bool TlsStart(LProcessInterface& iface, LSecureSocket& socket,
              const LSecureSocket* resumeFrom = nullptr);

// Test switch: behave as if the OpenSSL libraries were not installed. Set before any TLS use.
void SetTlsLibrariesHiddenForTesting(bool hidden);
// Caps new TLS connections at TLS 1.2 (for servers, and tests, that need it).
void SetTlsCappedAtTls12(bool capped);
// The protocol a TLS connection negotiated ("TLSv1.3"), or "" on a plain one.
std::string TlsVersionText(const LSecureSocket& socket);
