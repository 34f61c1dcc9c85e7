// TLS for the mailbox connection with OpenSSL, so that the tests, the
// sanitizers and the fuzzers on Linux meet the same session over TLS as
// Windows does over Schannel.
#include <arpa/inet.h>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>
#include <time.h>

#include <cstdlib>

#include "platform/tls.h"

struct os_tls_state {
    SSL_CTX* context;
    SSL* ssl;
};

namespace {

int64_t now_ms()
{
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return int64_t{now.tv_sec} * 1000 + now.tv_nsec / 1000000;
}

// The time left of a call's milliseconds.
uint32_t left_of(int64_t deadline)
{
    int64_t left = deadline - now_ms();
    return left > 0 ? static_cast<uint32_t>(left) : 0;
}

// OpenSSL reads and writes through the program's own socket calls, which
// never raise SIGPIPE and keep the socket non-blocking.
int bio_write(BIO* bio, const char* data, int length)
{
    BIO_clear_retry_flags(bio);
    size_t sent = 0;
    os_status status = os_sockets->send(static_cast<os_socket>(BIO_get_fd(bio, nullptr)), data,
                                        static_cast<size_t>(length), &sent);
    if (status == os_would_block)
        BIO_set_retry_write(bio);
    return status == os_ok ? static_cast<int>(sent) : -1;
}

int bio_read(BIO* bio, char* data, int length)
{
    BIO_clear_retry_flags(bio);
    size_t got = 0;
    os_status status = os_sockets->receive(static_cast<os_socket>(BIO_get_fd(bio, nullptr)), data,
                                           static_cast<size_t>(length), &got);
    if (status == os_would_block)
        BIO_set_retry_read(bio);
    return status == os_ok ? static_cast<int>(got) : status == os_closed ? 0 : -1;
}

BIO_METHOD* socket_method()
{
    // Made once and kept for the life of the process, as OpenSSL's own are.
    static BIO_METHOD* method = [] {
        BIO_METHOD* made = BIO_meth_new(BIO_get_new_index() | BIO_TYPE_SOURCE_SINK | BIO_TYPE_DESCRIPTOR,
                                        "tobalin socket");
        const BIO_METHOD* plain = BIO_s_socket();
        BIO_meth_set_write(made, bio_write);
        BIO_meth_set_read(made, bio_read);
        // Keeping and giving the descriptor, flushing: as the plain socket BIO does.
        BIO_meth_set_ctrl(made, BIO_meth_get_ctrl(plain));
        BIO_meth_set_create(made, BIO_meth_get_create(plain));
        BIO_meth_set_destroy(made, BIO_meth_get_destroy(plain));
        return made;
    }();
    return method;
}

// Waits for what OpenSSL asked for after a call that returned result:
// os_ok to call again, or why not.
os_status wait_after(os_tls_state* channel, int result, int64_t deadline)
{
    int error = SSL_get_error(channel->ssl, result);
    ERR_clear_error();
    if (error != SSL_ERROR_WANT_READ && error != SSL_ERROR_WANT_WRITE)
        return error == SSL_ERROR_ZERO_RETURN ? os_closed : os_failed;
    os_socket socket = static_cast<os_socket>(SSL_get_fd(channel->ssl));
    return os_sockets->wait(socket, error == SSL_ERROR_WANT_READ ? os_readable : os_writable, left_of(deadline));
}

void release(os_tls_state* channel)
{
    SSL_free(channel->ssl);
    SSL_CTX_free(channel->context);
    free(channel);
    ERR_clear_error();
}

// A host that is an IPv4 or IPv6 address: it names no server to the
// server (no SNI), and the certificate must hold it as an address.
bool is_address(const char* host)
{
    unsigned char address[16];
    return inet_pton(AF_INET, host, address) == 1 || inet_pton(AF_INET6, host, address) == 1;
}

// The handshake accepts any certificate; this is the check that counts: a
// chain to a root of the default verify paths (SSL_CERT_FILE can name
// another), valid today, for the host set with SSL_set1_host.
bool certificate_proves_host(SSL* ssl)
{
    X509* peer = SSL_get1_peer_certificate(ssl);
    bool trusted = peer != nullptr && SSL_get_verify_result(ssl) == X509_V_OK;
    X509_free(peer);
    return trusted;
}

os_status open_channel(os_socket socket, const char* host, uint32_t milliseconds, os_tls_channel* opened)
{
    int64_t deadline = now_ms() + milliseconds;
    auto* channel = static_cast<os_tls_state*>(calloc(1, sizeof(os_tls_state)));
    if (!channel)
        return os_failed;
    channel->context = SSL_CTX_new(TLS_client_method());
    channel->ssl = channel->context ? SSL_new(channel->context) : nullptr;
    BIO* bio = channel->ssl ? BIO_new(socket_method()) : nullptr;
    if (!bio || SSL_CTX_set_min_proto_version(channel->context, TLS1_2_VERSION) != 1 ||
        SSL_CTX_set_default_verify_paths(channel->context) != 1) {
        BIO_free(bio);
        release(channel);
        return os_failed;
    }
    BIO_set_fd(bio, static_cast<int>(socket), BIO_NOCLOSE);
    SSL_set_bio(channel->ssl, bio, bio);
    SSL_set_verify(channel->ssl, SSL_VERIFY_NONE, nullptr);
    // A server that closes without close_notify has ended the connection
    // all the same: the POP3 replies carry their own ends. A new handshake
    // in the middle of the session is never needed, and could bring another
    // certificate.
    SSL_set_options(channel->ssl, SSL_OP_IGNORE_UNEXPECTED_EOF | SSL_OP_NO_RENEGOTIATION);
    if (SSL_set1_host(channel->ssl, host) != 1 ||
        (!is_address(host) && SSL_set_tlsext_host_name(channel->ssl, host) != 1)) {
        release(channel);
        return os_failed;
    }
    os_status status = os_ok;
    int result;
    while (status == os_ok && (result = SSL_connect(channel->ssl)) != 1)
        status = wait_after(channel, result, deadline);
    if (status == os_ok && !certificate_proves_host(channel->ssl))
        status = os_untrusted;
    if (status != os_ok) {
        release(channel);
        return status == os_closed ? os_failed : status;
    }
    *opened = channel;
    return os_ok;
}

os_status send_data(os_tls_channel channel, const char* data, size_t length, uint32_t milliseconds)
{
    int64_t deadline = now_ms() + milliseconds;
    size_t done = 0;
    while (done < length) {
        size_t sent = 0;
        int result = SSL_write_ex(channel->ssl, data + done, length - done, &sent);
        if (result == 1) {
            done += sent;
            continue;
        }
        os_status status = wait_after(channel, result, deadline);
        if (status != os_ok)
            return status == os_closed ? os_failed : status;
    }
    return os_ok;
}

os_status receive_data(os_tls_channel channel, char* data, size_t room, uint32_t milliseconds, size_t* got)
{
    int64_t deadline = now_ms() + milliseconds;
    for (;;) {
        int result = SSL_read_ex(channel->ssl, data, room, got);
        if (result == 1)
            return os_ok;
        os_status status = wait_after(channel, result, deadline);
        if (status != os_ok)
            return status;
    }
}

void close_channel(os_tls_channel channel, bool notify)
{
    // One try: close_notify fits any socket's buffer, and the other side's
    // answer to it is not waited for.
    if (notify)
        SSL_shutdown(channel->ssl);
    release(channel);
}

}  // namespace

const os_tls_calls os_native_tls = {open_channel, send_data, receive_data, close_channel};
