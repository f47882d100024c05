// The fake service's HTTPS side: a certificate made at run time, and each
// TLS connection turned into a plain one. The connection thread does the
// handshake and then relays bytes between the TLS stream and one end of a
// socket pair; a second thread serves the plain HTTP exchange on the other
// end exactly as an unencrypted connection is served, faults included.

#include "tests/support/fake_service.h"

#include "tests/support/fake_service_io.h"
#include "tests/support/temp_files.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>

#include <cstdio>
#include <memory>
#include <mutex>

namespace testsupport {

namespace {

constexpr int kHandshakeMs = 10000;

struct Credentials {
    EVP_PKEY* key = nullptr;
    X509* certificate = nullptr;
    std::unique_ptr<TempDir> folder;
    std::string file;
};

bool AddExtension(X509* x, int nid, const char* value)
{
    X509V3_CTX context;
    X509V3_set_ctx_nodb(&context);
    X509V3_set_ctx(&context, x, x, nullptr, nullptr, 0);
    X509_EXTENSION* extension = X509V3_EXT_conf_nid(nullptr, &context, nid, value);
    if (!extension)
        return false;
    const bool added = X509_add_ext(x, extension, -1) == 1;
    X509_EXTENSION_free(extension);
    return added;
}

// A P-256 key and a self-signed certificate for the loopback names, its PEM
// written to a private folder that lives as long as the process.
Credentials MakeCredentials()
{
    Credentials made;
    EVP_PKEY* key = EVP_EC_gen("P-256");
    X509* x = X509_new();
    if (!key || !x) {
        EVP_PKEY_free(key);
        X509_free(x);
        return made;
    }
    X509_set_version(x, 2);
    ASN1_INTEGER_set(X509_get_serialNumber(x), 1);
    X509_gmtime_adj(X509_getm_notBefore(x), -3600);
    X509_gmtime_adj(X509_getm_notAfter(x), 30L * 24 * 3600);
    X509_set_pubkey(x, key);
    X509_NAME* name = X509_get_subject_name(x);
    X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC, reinterpret_cast<const unsigned char*>("KVO test service"),
                               -1, -1, 0);
    X509_set_issuer_name(x, name);
    const bool ok = AddExtension(x, NID_basic_constraints, "critical,CA:TRUE") &&
                    AddExtension(x, NID_key_usage, "critical,digitalSignature,keyCertSign") &&
                    AddExtension(x, NID_subject_alt_name, "IP:127.0.0.1,IP:127.0.0.2,DNS:localhost") &&
                    X509_sign(x, key, EVP_sha256()) > 0;
    if (!ok) {
        EVP_PKEY_free(key);
        X509_free(x);
        return made;
    }
    made.folder = std::make_unique<TempDir>();
    const std::string file = made.folder->File("fake-service.pem");
    if (FILE* out = std::fopen(file.c_str(), "w")) {
        const bool written = PEM_write_X509(out, x) == 1;
        if (std::fclose(out) == 0 && written)
            made.file = file;
    }
    made.key = key;
    made.certificate = x;
    return made;
}

Credentials& TheCredentials()
{
    static Credentials credentials = MakeCredentials();
    return credentials;
}

SSL_CTX* TheContext()
{
    static SSL_CTX* context = [] {
        Credentials& c = TheCredentials();
        if (!c.key)
            return static_cast<SSL_CTX*>(nullptr);
        SSL_CTX* ctx = SSL_CTX_new(TLS_server_method());
        if (!ctx)
            return ctx;
        SSL_CTX_set_mode(ctx, SSL_MODE_ENABLE_PARTIAL_WRITE | SSL_MODE_ACCEPT_MOVING_WRITE_BUFFER);
        if (SSL_CTX_use_certificate(ctx, c.certificate) != 1 || SSL_CTX_use_PrivateKey(ctx, c.key) != 1) {
            SSL_CTX_free(ctx);
            return static_cast<SSL_CTX*>(nullptr);
        }
        return ctx;
    }();
    return context;
}

// Waits until the TLS socket can go on (its last call wanted to read or to
// write); false when the time ran out, the peer went or the fake stops.
bool WaitFor(SSL* ssl, int fd, int result, int stopFd, int ms)
{
    const int error = SSL_get_error(ssl, result);
    short events = 0;
    if (error == SSL_ERROR_WANT_READ)
        events = POLLIN;
    else if (error == SSL_ERROR_WANT_WRITE)
        events = POLLOUT;
    else
        return false;
    pollfd fds[2] = {{fd, events, 0}, {stopFd, POLLIN, 0}};
    return ::poll(fds, 2, ms) > 0 && !fds[1].revents;
}

// Writes all bytes to the TLS stream; false when the peer went.
bool WriteAll(SSL* ssl, int fd, const char* data, size_t size, int stopFd)
{
    while (size > 0) {
        const int n = SSL_write(ssl, data, static_cast<int>(size));
        if (n > 0) {
            data += n;
            size -= static_cast<size_t>(n);
        } else if (!WaitFor(ssl, fd, n, stopFd, kHandshakeMs)) {
            return false;
        }
    }
    return true;
}

}  // namespace

std::string FakeService::CertificateFile()
{
    static std::once_flag once;
    std::call_once(once, [] { TheCredentials(); });
    return TheCredentials().file;
}

void FakeService::ServeTls(int fd)
{
    SSL_CTX* context = TheContext();
    int pair[2];
    if (!context || ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair) != 0) {
        ::close(fd);
        return;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
    SSL* ssl = SSL_new(context);
    SSL_set_fd(ssl, fd);
    bool up = false;
    for (;;) {
        const int r = SSL_accept(ssl);
        if (r == 1) {
            up = true;
            break;
        }
        if (!WaitFor(ssl, fd, r, wakeRead_, kHandshakeMs))
            break;
    }
    if (!up) {
        SSL_free(ssl);
        ::close(fd);
        ::close(pair[0]);
        ::close(pair[1]);
        return;
    }
    {
        std::lock_guard<std::mutex> lock(mutex_);
        const int plain = pair[1];
        connections_.emplace_back([this, plain] { ServeHttp(plain); });
    }

    char buffer[16384];
    bool clientOpen = true;
    for (;;) {
        // Once the client is done its socket is left out: it would report
        // its end on every poll.
        pollfd fds[3] = {{clientOpen ? fd : -1, POLLIN, 0}, {pair[0], POLLIN, 0}, {wakeRead_, POLLIN, 0}};
        const bool pending = clientOpen && SSL_pending(ssl) > 0;
        if (!pending && ::poll(fds, 3, -1) < 0)
            continue;
        if (fds[2].revents)
            break;
        if (clientOpen && (pending || (fds[0].revents & (POLLIN | POLLHUP | POLLERR)))) {
            const int n = SSL_read(ssl, buffer, sizeof buffer);
            if (n > 0) {
                fakeio::SendAll(pair[0], buffer, static_cast<size_t>(n));
            } else {
                const int error = SSL_get_error(ssl, n);
                if (error != SSL_ERROR_WANT_READ && error != SSL_ERROR_WANT_WRITE) {
                    // The client is done: the plain side sees its end.
                    clientOpen = false;
                    ::shutdown(pair[0], SHUT_WR);
                }
            }
        }
        if (fds[1].revents & (POLLIN | POLLHUP | POLLERR)) {
            const ssize_t n = ::recv(pair[0], buffer, sizeof buffer, 0);
            if (n <= 0) {
                SSL_shutdown(ssl);
                break;
            }
            if (!WriteAll(ssl, fd, buffer, static_cast<size_t>(n), wakeRead_))
                break;
        }
    }
    SSL_free(ssl);
    ::close(fd);
    ::close(pair[0]);
}

}  // namespace testsupport
