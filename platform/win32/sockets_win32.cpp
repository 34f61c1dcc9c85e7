// The mailbox connection over Winsock 1.1 (WSOCK32).
#include <winsock.h>

#include <cstring>

#include "platform/sockets.h"

static os_status startup(uint16_t version, uint16_t* granted)
{
    WSADATA data;
    if (WSAStartup(version, &data) != 0)
        return os_failed;
    *granted = data.wVersion;
    return os_ok;
}

static void cleanup()
{
    WSACleanup();
}

static os_socket open_tcp()
{
    SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    return s == INVALID_SOCKET ? os_no_socket : static_cast<os_socket>(s);
}

static os_status resolve(const char* host, uint32_t* address)
{
    const hostent* entry = gethostbyname(host);
    // Only an IPv4 address fits the address being built.
    if (!entry || entry->h_addrtype != AF_INET || entry->h_length != 4 || !entry->h_addr_list[0])
        return os_failed;
    memcpy(address, entry->h_addr_list[0], 4);
    return os_ok;
}

static int connect_to(os_socket socket, uint32_t address, uint16_t port)
{
    SOCKET s = static_cast<SOCKET>(socket);
    u_long non_blocking = 1;
    if (ioctlsocket(s, FIONBIO, &non_blocking) == SOCKET_ERROR)
        return -1;
    sockaddr_in peer;
    memset(&peer, 0, sizeof peer);
    peer.sin_family = AF_INET;
    peer.sin_port = htons(port);
    peer.sin_addr.s_addr = address;
    return connect(s, reinterpret_cast<const sockaddr*>(&peer), sizeof peer) == SOCKET_ERROR ? -1 : 0;
}

static int last_error()
{
    return WSAGetLastError();
}

static int send_bytes(os_socket socket, const char* data, int length)
{
    int sent = send(static_cast<SOCKET>(socket), data, length, 0);
    return sent == SOCKET_ERROR ? -1 : sent;
}

static int receive(os_socket socket, char* data, int length)
{
    int got = recv(static_cast<SOCKET>(socket), data, length, 0);
    return got == SOCKET_ERROR ? -1 : got;
}

static int wait_for(os_socket socket, os_wait_for what, uint32_t milliseconds)
{
    SOCKET s = static_cast<SOCKET>(socket);
    fd_set ready;
    fd_set failed;
    FD_ZERO(&ready);
    FD_ZERO(&failed);
    FD_SET(s, &ready);
    // Winsock reports a connection that failed among the exceptions, not as writable.
    FD_SET(s, &failed);
    timeval limit;
    limit.tv_sec = static_cast<long>(milliseconds / 1000);
    limit.tv_usec = static_cast<long>(milliseconds % 1000) * 1000;
    int count = what == os_readable ? select(0, &ready, nullptr, nullptr, &limit)
                                    : select(0, nullptr, &ready, &failed, &limit);
    if (count == SOCKET_ERROR)
        return -1;
    if (count == 0)
        return 0;
    return FD_ISSET(s, &ready) ? 1 : -1;
}

static void close_socket(os_socket socket)
{
    closesocket(static_cast<SOCKET>(socket));
}

const os_sockets_calls os_native_sockets = {startup, cleanup,   open_tcp, resolve,  connect_to,
                                            last_error, send_bytes, receive, wait_for, close_socket};
