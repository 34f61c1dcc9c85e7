#include "tests/doubles/sockets_double.h"

#include <algorithm>
#include <cstring>

namespace {

sockets_double*& active = sockets_double::active;
const size_t no_step = ~size_t{0};

const pop3_step* current()
{
    return active->step < active->steps.size() ? &active->steps[active->step] : nullptr;
}

os_status startup()
{
    if (active->startup_fails)
        return os_failed;
    ++active->startups;
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

os_status resolve(const char* host, uint32_t* address)
{
    active->host = host;
    *address = 0x0100007f;
    return active->resolve_fails ? os_failed : os_ok;
}

os_status connect_to(os_socket, uint32_t, uint16_t port)
{
    active->port = port;
    active->step = 0;  // the greeting
    active->position = 0;
    return active->connect_result;
}

// A whole command line brings the next step's reply.
os_status send_bytes(os_socket, const char* data, size_t length, size_t* sent)
{
    if (++active->sends <= active->blocked_sends)
        return os_would_block;
    if (active->sends == active->failing_send)
        return os_failed;
    size_t count = active->send_room != 0 ? std::min(length, active->send_room) : length;
    active->sent.append(data, count);
    if (memchr(data, '\n', count)) {
        active->step = active->step == no_step ? no_step : active->step + 1;
        active->position = 0;
    }
    *sent = count;
    return os_ok;
}

// Whether the step's reply has been read whole.
bool drained(const pop3_step& s)
{
    return active->position == s.reply.size();
}

os_status wait_for(os_socket, os_wait_for what, uint32_t)
{
    if (what == os_writable)
        return active->writable_wait;
    const pop3_step* s = current();
    if (!s)
        return os_timed_out;  // nothing more is scripted: the server says nothing
    if (!drained(*s))
        return os_ok;
    return s->then == pop3_step::closes || s->then == pop3_step::fails ? os_ok : os_timed_out;
}

os_status receive(os_socket, char* data, size_t length, size_t* got)
{
    const pop3_step* s = current();
    if (!s || drained(*s))
        return s && s->then == pop3_step::fails ? os_failed : os_closed;
    // Up to the next cut after the position.
    size_t end = s->reply.size();
    for (size_t cut : s->cuts)
        if (cut > active->position && cut < end)
            end = cut;
    size_t count = std::min(length, end - active->position);
    memcpy(data, s->reply.data() + active->position, count);
    active->position += count;
    *got = count;
    return os_ok;
}

void close_socket(os_socket)
{
    ++active->closes;
    active->step = no_step;
}

const os_sockets_calls double_sockets = {startup,    cleanup, open_tcp, resolve,     connect_to,
                                         send_bytes, receive, wait_for, close_socket};

// TLS over the conversation: the same bytes, the statuses of a channel.
os_status tls_open(os_socket, const char*, uint32_t, os_tls_channel* channel)
{
    *channel = nullptr;
    if (active->tls_open != os_ok)
        return active->tls_open;
    ++active->tls_opens;
    *channel = reinterpret_cast<os_tls_channel>(active);
    return os_ok;
}

os_status tls_send(os_tls_channel, const char* data, size_t length, uint32_t)
{
    size_t sent = 0;
    return send_bytes(7, data, length, &sent);  // a channel sends all or fails
}

os_status tls_receive(os_tls_channel, char* data, size_t room, uint32_t, size_t* got)
{
    os_status status = wait_for(7, os_readable, 0);
    return status == os_ok ? receive(7, data, room, got) : status;
}

void tls_close(os_tls_channel, bool notify)
{
    ++active->tls_closes;
    active->tls_notices += notify ? 1 : 0;
}

const os_tls_calls double_tls = {tls_open, tls_send, tls_receive, tls_close};

}  // namespace

sockets_double::sockets_double(std::vector<pop3_step> script)
    : installed(os_sockets, double_sockets), steps(std::move(script)), step(no_step), tls(os_tls, double_tls)
{
}

std::string pop3_message(const std::string& subject, const std::string& body)
{
    return "+OK octets\r\nSubject: " + subject + "\r\n\r\n" + body + ".\r\n";
}

std::vector<pop3_step> pop3_conversation(const std::string& text)
{
    std::vector<pop3_step> steps = {{"", text.substr(0, text.find(" | ")) + "\r\n"}};
    for (size_t end = text.find(" | "); end != std::string::npos;) {
        size_t start = end + 3;
        end = text.find(" | ", start);
        std::string step = text.substr(start, end - start), reply = "+OK\r\n";
        size_t colon = step.find(": ");
        std::string command = step.substr(0, colon);
        if (colon != std::string::npos)
            reply = step.substr(colon + 2) + "\r\n";
        else if (command.compare(0, 5, "RETR ") == 0)
            reply = pop3_message(command.substr(5));
        if (!step.empty())
            steps.push_back({command + "\r\n", reply});
    }
    return steps;
}
