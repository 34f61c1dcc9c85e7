#ifndef TOBALIN_PLATFORM_SOCKETS_H
#define TOBALIN_PLATFORM_SOCKETS_H

#include <cstddef>
#include <cstdint>

#include "platform/status.h"

// The mailbox connection: Winsock 1.1 on Windows, BSD sockets elsewhere.
// Once connecting has begun a socket never blocks: a call that would have
// to wait says so (os_would_block), and `wait` is the one call that waits.

// A socket as Winsock hands it out (a file descriptor elsewhere).
typedef uintptr_t os_socket;
constexpr os_socket os_no_socket = ~os_socket{0};  // INVALID_SOCKET

enum os_wait_for { os_readable, os_writable };

struct os_sockets_calls {
    // Makes sockets usable, once for each session: on Windows, Winsock
    // version 1.1, asked for and required as granted. cleanup follows each
    // startup that succeeded.
    os_status (*startup)();
    void (*cleanup)();
    // socket(AF_INET, SOCK_STREAM, IPPROTO_TCP); os_no_socket when refused.
    os_socket (*open_tcp)();
    // gethostbyname: the first IPv4 address of a host name or dotted
    // address, in network byte order.
    os_status (*resolve)(const char* host, uint32_t* address);
    // Begins connecting to the address and a port in host byte order: os_ok
    // when connected at once; os_would_block while under way (a wait to
    // write then ends it, in a connection or a failure); os_failed.
    os_status (*connect)(os_socket socket, uint32_t address, uint16_t port);
    // Sends what the socket takes now: os_ok with *sent from 1 to length;
    // os_would_block when it takes nothing yet; os_failed.
    os_status (*send)(os_socket socket, const char* data, size_t length, size_t* sent);
    // Gives what has arrived: os_ok with *got from 1 to room; os_closed when
    // the peer has closed the connection; os_would_block when nothing has
    // arrived yet; os_failed.
    os_status (*receive)(os_socket socket, char* data, size_t room, size_t* got);
    // Waits until the socket is readable (or writable): os_ok; os_timed_out
    // when the milliseconds have passed first; os_failed on an error, a
    // connection under way that failed included.
    os_status (*wait)(os_socket socket, os_wait_for what, uint32_t milliseconds);
    // closesocket.
    void (*close)(os_socket socket);
};

extern const os_sockets_calls* os_sockets;
extern const os_sockets_calls os_native_sockets;

#endif
