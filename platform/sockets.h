#ifndef TOBALIN_PLATFORM_SOCKETS_H
#define TOBALIN_PLATFORM_SOCKETS_H

#include <cstdint>

#include "platform/status.h"

// The mailbox connection: Winsock 1.1 on Windows, BSD sockets elsewhere.

// A socket as Winsock hands it out (a file descriptor elsewhere).
typedef uintptr_t os_socket;
constexpr os_socket os_no_socket = ~os_socket{0};  // INVALID_SOCKET

// WSAEWOULDBLOCK: a connection under way, or a call that would have to wait.
constexpr int os_would_block = 10035;

enum os_wait_for { os_readable, os_writable };

struct os_sockets_calls {
    // WSAStartup asking for the given version; *granted is the version the
    // library grants (the one asked for where there is nothing to start).
    os_status (*startup)(uint16_t version, uint16_t* granted);
    // WSACleanup, once for each startup that succeeded.
    void (*cleanup)();
    // socket(AF_INET, SOCK_STREAM, IPPROTO_TCP); os_no_socket when refused.
    os_socket (*open_tcp)();
    // gethostbyname: the first IPv4 address of a host name or dotted
    // address, in network byte order.
    os_status (*resolve)(const char* host, uint32_t* address);
    // connect to the address and a port in host byte order, without waiting
    // for the connection: the socket no longer blocks from here on, so
    // every wait is one made with `wait`. 0, or -1 with last_error telling
    // why (os_would_block: the connection is under way).
    int (*connect)(os_socket socket, uint32_t address, uint16_t port);
    // WSAGetLastError after a call that returned -1; an error of the system
    // elsewhere, os_would_block for its own word for it.
    int (*last_error)();
    // send, no flags: the count of bytes sent, or -1.
    int (*send)(os_socket socket, const char* data, int length);
    // recv, no flags: the count of bytes received, 0 when the peer has
    // closed the connection, or -1.
    int (*receive)(os_socket socket, char* data, int length);
    // select on the one socket: 1 when it is readable (or writable), 0 when
    // the milliseconds have passed first, -1 on an error. Waiting to write
    // after a connection under way gives -1 when that connection failed.
    int (*wait)(os_socket socket, os_wait_for what, uint32_t milliseconds);
    // closesocket.
    void (*close)(os_socket socket);
};

extern const os_sockets_calls* os_sockets;
extern const os_sockets_calls os_native_sockets;

#endif
