#pragma once

// OpenSSL is not linked at build time: the system's libssl and libcrypto are loaded on first use
// and each function is bound by name. Every wrapper has the OpenSSL function's name and
// arguments; when its function cannot be bound it returns the function's failure value without
// calling anything (-1 for SSL_read, SSL_peek, SSL_write, SSL_shutdown and SSL_connect, 0 or
// null for the others). No OpenSSL header is included anywhere in the program.

#include <cstddef>
#include <string>

#include <ctime>

typedef struct ssl_st SSL;
typedef struct ssl_ctx_st SSL_CTX;
typedef struct x509_st X509;
typedef struct X509_name_st X509_NAME;
typedef struct asn1_string_st ASN1_TIME;
typedef struct evp_md_st EVP_MD;

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
const char* ERR_reason_error_string(unsigned long code);

// The server's certificate and what verifying it found (the chain against the trust store is
// checked during every handshake; only the caller decides what a failure means).
X509* SSL_get1_peer_certificate(const SSL* ssl);
long SSL_get_verify_result(const SSL* ssl);
const char* X509_verify_cert_error_string(long result);
void X509_free(X509* certificate);
int X509_digest(const X509* certificate, const EVP_MD* type, unsigned char* digest,
                unsigned int* length);
const EVP_MD* EVP_sha256();
X509_NAME* X509_get_subject_name(const X509* certificate);
X509_NAME* X509_get_issuer_name(const X509* certificate);
char* X509_NAME_oneline(const X509_NAME* name, char* buffer, int size);
const ASN1_TIME* X509_get0_notBefore(const X509* certificate);
const ASN1_TIME* X509_get0_notAfter(const X509* certificate);
int ASN1_TIME_to_tm(const ASN1_TIME* time, std::tm* broken);
// 1 when the certificate is made for the name (or the address), 0 when not, below 0 on error.
int X509_check_host(X509* certificate, const char* name, std::size_t length, unsigned int flags,
                    char** matched);
int X509_check_ip_asc(X509* certificate, const char* address, unsigned int flags);

// Empties OpenSSL's error queue so the next call starts clean. The texts are never shown.
void DrainTlsErrors();

struct LSecureSocket;
class LProcessInterface;

// Turns a connected socket into a TLS client connection. The server's certificate is verified
// against the system's trust store (SSL_CERT_FILE and SSL_CERT_DIR are honoured) but a failure
// does not stop the handshake: the caller asks SSL_get_verify_result and decides. A data
// connection passes its control connection as resumeFrom, whose TLS session is offered for
// resumption. False leaves the connection connected and plain, with OpenSSL's reason in
// `failure` when given. The handshake gives up after 30 seconds, or when the user stops the run
// (the caller then sees IsStopped).
bool TlsStart(LProcessInterface& iface, LSecureSocket& socket,
              const LSecureSocket* resumeFrom = nullptr, std::string* failure = nullptr);

// Test switch: behave as if the OpenSSL libraries were not installed. Set before any TLS use.
void SetTlsLibrariesHiddenForTesting(bool hidden);
// Caps new TLS connections at TLS 1.2 (for servers, and tests, that need it).
void SetTlsCappedAtTls12(bool capped);
// The protocol a TLS connection negotiated ("TLSv1.3"), or "" on a plain one.
std::string TlsVersionText(const LSecureSocket& socket);
