// The mailbox connection over BSD sockets (POSIX).
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <time.h>
#include <unistd.h>

#include "platform/sockets.h"

// What errno says of a call that failed.
static os_status status_of(int error)
{
    return error == EINPROGRESS || error == EWOULDBLOCK || error == EAGAIN ? os_would_block : os_failed;
}

// There is nothing to start here.
static os_status startup()
{
    return os_ok;
}

static void cleanup() {}

static os_socket open_tcp()
{
    int fd = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    return fd < 0 ? os_no_socket : static_cast<os_socket>(fd);
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
    int fd = static_cast<int>(socket);
    int flags = fcntl(fd, F_GETFL);
    if (flags < 0 || fcntl(fd, F_SETFL, flags | O_NONBLOCK) < 0)
        return os_failed;
    sockaddr_in peer;
    memset(&peer, 0, sizeof peer);
    peer.sin_family = AF_INET;
    peer.sin_port = htons(port);
    peer.sin_addr.s_addr = address;
    return connect(fd, reinterpret_cast<const sockaddr*>(&peer), sizeof peer) == 0 ? os_ok : status_of(errno);
}

static os_status send_bytes(os_socket socket, const char* data, size_t length, size_t* sent)
{
    // A peer that has gone must fail the call, not raise SIGPIPE.
    ssize_t count = send(static_cast<int>(socket), data, length, MSG_NOSIGNAL);
    if (count <= 0)
        return count < 0 ? status_of(errno) : os_would_block;
    *sent = static_cast<size_t>(count);
    return os_ok;
}

static os_status receive(os_socket socket, char* data, size_t room, size_t* got)
{
    ssize_t count = recv(static_cast<int>(socket), data, room, 0);
    if (count <= 0)
        return count == 0 ? os_closed : status_of(errno);
    *got = static_cast<size_t>(count);
    return os_ok;
}

static int64_t now_ms()
{
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return int64_t{now.tv_sec} * 1000 + now.tv_nsec / 1000000;
}

// poll rather than select: a descriptor above FD_SETSIZE would overrun an fd_set.
static os_status wait_for(os_socket socket, os_wait_for what, uint32_t milliseconds)
{
    pollfd entry;
    entry.fd = static_cast<int>(socket);
    entry.events = what == os_readable ? POLLIN : POLLOUT;
    int64_t deadline = now_ms() + milliseconds;
    int ready;
    for (;;) {
        int64_t left = deadline - now_ms();
        entry.revents = 0;
        ready = poll(&entry, 1, left > 0 ? static_cast<int>(left) : 0);
        if (ready >= 0 || errno != EINTR)
            break;
    }
    if (ready <= 0)
        return ready < 0 ? os_failed : os_timed_out;
    if (what == os_writable) {
        // A connection that failed shows as writable; its error says so.
        int error = 0;
        socklen_t size = sizeof error;
        if (getsockopt(entry.fd, SOL_SOCKET, SO_ERROR, &error, &size) < 0 || error != 0)
            return os_failed;
    }
    return os_ok;
}

static void close_socket(os_socket socket)
{
    close(static_cast<int>(socket));
}

const os_sockets_calls os_native_sockets = {startup,    cleanup, open_tcp, resolve,  connect_to,
                                            send_bytes, receive, wait_for, close_socket};
