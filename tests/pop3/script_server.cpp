#include "tests/pop3/script_server.h"

#include <chrono>
#include <cstring>

#ifdef _WIN32
#include <winsock2.h>
typedef int socklen_t;
#else
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

#include <gtest/gtest.h>

namespace {

// No wait of the server outlasts this: a session gone wrong fails its test
// instead of hanging it.
const int patience_ms = 10000;

#ifdef _WIN32
typedef SOCKET native_socket;
const int no_signal = 0;
const int shut_send = SD_SEND;

bool readable(native_socket s)
{
    fd_set set;
    FD_ZERO(&set);
    FD_SET(s, &set);
    timeval limit = {patience_ms / 1000, 0};
    return select(0, &set, nullptr, nullptr, &limit) == 1;
}

void close_native(native_socket s)
{
    closesocket(s);
}
#else
typedef int native_socket;
const int no_signal = MSG_NOSIGNAL;
const int shut_send = SHUT_WR;

bool readable(native_socket s)
{
    pollfd entry = {s, POLLIN, 0};
    return poll(&entry, 1, patience_ms) == 1;
}

void close_native(native_socket s)
{
    close(s);
}
#endif

void send_all(native_socket s, const char* data, size_t length)
{
    while (length > 0) {
        int sent = static_cast<int>(send(s, data, static_cast<int>(length), no_signal));
        if (sent <= 0)
            return;  // the client has gone; what it received is what the test judges
        data += sent;
        length -= static_cast<size_t>(sent);
    }
}

void send_reply(native_socket s, const scripted_reply& reply)
{
    if (reply.delay_ms > 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(reply.delay_ms));
    const std::string& text = reply.text;
    if (reply.byte_by_byte) {
        for (char c : text)
            send_all(s, &c, 1);
        return;
    }
    size_t from = 0;
    for (size_t cut : reply.cuts) {
        send_all(s, text.data() + from, cut - from);
        // Time for the client to take this piece before the next one comes.
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
        from = cut;
    }
    send_all(s, text.data() + from, text.size() - from);
}

}  // namespace

script_server::script_server()
{
#ifdef _WIN32
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
#endif
    native_socket s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address;
    memset(&address, 0, sizeof address);
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    if (bind(s, reinterpret_cast<sockaddr*>(&address), size) != 0 || listen(s, 4) != 0 ||
        getsockname(s, reinterpret_cast<sockaddr*>(&address), &size) != 0)
        ADD_FAILURE() << "the scripted server cannot listen on loopback";
    listener_ = static_cast<uintptr_t>(s);
    port_ = ntohs(address.sin_port);
}

script_server::~script_server()
{
    if (thread_.joinable())
        thread_.join();
    close_native(static_cast<native_socket>(listener_));
#ifdef _WIN32
    WSACleanup();
#endif
}

void script_server::serve(std::vector<scripted_reply> replies)
{
    received_.clear();
    thread_ = std::thread(&script_server::run, this, std::move(replies));
}

std::string script_server::received()
{
    thread_.join();
    return received_;
}

void script_server::run(std::vector<scripted_reply> replies)
{
    native_socket listener = static_cast<native_socket>(listener_);
    if (!readable(listener))
        return;
    native_socket s = accept(listener, nullptr, nullptr);
    int on = 1;
    setsockopt(s, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&on), sizeof on);

    // Takes what the client sends until it has sent a whole line more than
    // `lines` counts, or has closed the connection.
    size_t lines = 0;
    auto next_line = [&]() {
        for (;;) {
            size_t ends = 0;
            for (char c : received_)
                ends += c == '\n';
            if (ends > lines) {
                ++lines;
                return true;
            }
            char data[512];
            if (!readable(s))
                return false;
            int got = static_cast<int>(recv(s, data, sizeof data, 0));
            if (got <= 0)
                return false;
            received_.append(data, static_cast<size_t>(got));
        }
    };

    bool open = true;
    for (size_t i = 0; open && i < replies.size(); ++i) {
        if (i > 0 && !next_line())
            break;
        send_reply(s, replies[i]);
        // Closing ends only the sending side, so that whatever the client
        // still sends is recorded.
        if (replies[i].then == scripted_reply::close_after)
            shutdown(s, shut_send);
        open = replies[i].then == scripted_reply::answer_on;
    }
    while (next_line()) {
    }
    close_native(s);
}
