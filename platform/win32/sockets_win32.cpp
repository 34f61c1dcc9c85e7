// The mailbox connection over Winsock 1.1 (WSOCK32).
#include <winsock.h>

#include <cstring>

#include "platform/sockets.h"

// The version the program is written for; another one granted is refused.
static const WORD winsock_version = MAKEWORD(1, 1);

// What WSAGetLastError says of a call that failed.
static os_status last_status()
{
    return WSAGetLastError() == WSAEWOULDBLOCK ? os_would_block : os_failed;
}

static os_status startup()
{
    WSADATA data;
    if (WSAStartup(winsock_version, &data) != 0)
        return os_failed;
    if (data.wVersion == winsock_version)
        return os_ok;
    WSACleanup();
    return os_failed;
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

static os_status connect_to(os_socket socket, uint32_t address, uint16_t port)
{
    SOCKET s = static_cast<SOCKET>(socket);
    u_long non_blocking = 1;
    if (ioctlsocket(s, FIONBIO, &non_blocking) == SOCKET_ERROR)
        return os_failed;
    sockaddr_in peer;
    memset(&peer, 0, sizeof peer);
    peer.sin_family = AF_INET;
    peer.sin_port = htons(port);
    peer.sin_addr.s_addr = address;
    return connect(s, reinterpret_cast<const sockaddr*>(&peer), sizeof peer) == 0 ? os_ok : last_status();
}

static os_status send_bytes(os_socket socket, const char* data, size_t length, size_t* sent)
{
    int count = send(static_cast<SOCKET>(socket), data, static_cast<int>(length), 0);
    if (count == SOCKET_ERROR)
        return last_status();
    *sent = static_cast<size_t>(count);
    return count > 0 ? os_ok : os_would_block;
}

static os_status receive(os_socket socket, char* data, size_t room, size_t* got)
{
    int count = recv(static_cast<SOCKET>(socket), data, static_cast<int>(room), 0);
    if (count == SOCKET_ERROR)
        return last_status();
    if (count == 0)
        return os_closed;
    *got = static_cast<size_t>(count);
    return os_ok;
}

static os_status wait_for(os_socket socket, os_wait_for what, uint32_t milliseconds)
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
    if (count == 0)
        return os_timed_out;
    return count != SOCKET_ERROR && FD_ISSET(s, &ready) ? os_ok : os_failed;
}

static void close_socket(os_socket socket)
{
    closesocket(static_cast<SOCKET>(socket));
}

const os_sockets_calls os_native_sockets = {startup,    cleanup, open_tcp, resolve,  connect_to,
                                            send_bytes, receive, wait_for, close_socket};
