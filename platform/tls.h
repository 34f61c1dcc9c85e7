#ifndef TOBALIN_PLATFORM_TLS_H
#define TOBALIN_PLATFORM_TLS_H

#include <cstddef>
#include <cstdint>

#include "platform/sockets.h"
#include "platform/status.h"

// TLS for the mailbox connection: Schannel on Windows, OpenSSL elsewhere. A
// channel runs over a socket that is connected and no longer blocks; every
// wait inside a call, the handshake's included, ends when the milliseconds
// given have passed.
typedef struct os_tls_state* os_tls_channel;

struct os_tls_calls {
    // The handshake as a client of host (TLS 1.2 at least), then the check of
    // the server's certificate by the program itself, whatever the handshake
    // accepted: a chain to a trusted root, valid today, issued for host.
    // os_ok with the channel; os_untrusted when the certificate fails that
    // check; os_timed_out; os_failed when the handshake fails or the
    // connection breaks off. Nothing is left to release after a failure.
    os_status (*open)(os_socket socket, const char* host, uint32_t milliseconds, os_tls_channel* channel);
    // Sends all of the bytes: os_ok, os_timed_out or os_failed.
    os_status (*send)(os_tls_channel channel, const char* data, size_t length, uint32_t milliseconds);
    // Waits for data and gives what has arrived: os_ok with *got from 1 to
    // room; os_closed when the server has ended the connection;
    // os_timed_out; os_failed.
    os_status (*receive)(os_tls_channel channel, char* data, size_t room, uint32_t milliseconds, size_t* got);
    // Ends the channel: tells the server so (close_notify) when notify is
    // set, then releases it. The socket stays open for its owner to close.
    void (*close)(os_tls_channel channel, bool notify);
};

extern const os_tls_calls* os_tls;
extern const os_tls_calls os_native_tls;

#endif
