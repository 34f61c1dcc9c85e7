#include "tests/doubles/sockets_double.h"

#include <algorithm>
#include <cstring>

namespace {

sockets_double* active = nullptr;

os_status startup(uint16_t, uint16_t* granted)
{
    if (active->startup_fails)
        return os_failed;
    ++active->startups;
    *granted = active->granted;
    return os_ok;
}

void cleanup()
{
    ++active->cleanups;
}

os_socket open_tcp()
{
    if (active->open_fails)
        return os_no_socket;
    ++active->opens;
    return 7;
}

os_status resolve(const char*, uint32_t* address)
{
    *address = 0x0100007f;
    return active->resolve_fails ? os_failed : os_ok;
}

int connect_to(os_socket, uint32_t, uint16_t)
{
    if (!active->replies.empty())
        active->served = active->replies[0];
    active->error = active->connect_error;
    return active->error == 0 ? 0 : -1;
}

int last_error()
{
    return active->error;
}

int send_bytes(os_socket, const char* data, int length)
{
    if (++active->sends == active->failing_send) {
        active->error = 10054;  // WSAECONNRESET
        return -1;
    }
    active->sent.append(data, static_cast<size_t>(length));
    if (static_cast<size_t>(active->sends) < active->replies.size())
        active->served += active->replies[static_cast<size_t>(active->sends)];
    return length;
}

// Every reply sent and received: what comes next is the ending.
bool ended()
{
    return active->position == active->served.size() &&
           static_cast<size_t>(active->sends) + 1 >= active->replies.size();
}

int receive(os_socket, char* data, int length)
{
    if (ended()) {
        if (active->after_replies == sockets_double::closes)
            return 0;
        active->error = 10054;
        return -1;
    }
    size_t count = std::min(static_cast<size_t>(length), active->served.size() - active->position);
    const std::vector<size_t>& pieces = active->pieces;
    if (!pieces.empty())
        count = std::min(count, std::max<size_t>(1, pieces[active->receives % pieces.size()]));
    ++active->receives;
    memcpy(data, active->served.data() + active->position, count);
    active->position += count;
    return static_cast<int>(count);
}

int wait_for(os_socket, os_wait_for what, uint32_t)
{
    if (what == os_writable)
        return active->connect_wait;
    // A server with nothing to say until it is asked is silent too.
    if (ended())
        return active->after_replies == sockets_double::goes_silent ? 0 : 1;
    return active->position < active->served.size() ? 1 : 0;
}

void close_socket(os_socket)
{
    ++active->closed;
}

const os_sockets_calls double_sockets = {startup, cleanup, open_tcp, resolve, connect_to, last_error,
                                         send_bytes, receive, wait_for, close_socket};

}  // namespace

sockets_double::sockets_double() : previous(os_sockets)
{
    active = this;
    os_sockets = &double_sockets;
}

sockets_double::~sockets_double()
{
    os_sockets = previous;
    active = nullptr;
}
