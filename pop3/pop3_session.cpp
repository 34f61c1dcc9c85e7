// The POP3 mailbox session: USER, PASS, STAT, then LIST (for a large
// mailbox), RETR and DELE for each message, and QUIT, in plain text or
// over TLS.
#include "pop3/pop3_session.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "common/compiler.h"
#include "common/decimal.h"
#include "platform/files.h"
#include "platform/sockets.h"
#include "platform/tls.h"
#include "pop3/mailbox_server.h"

uint32_t pop3_timeout_ms = pop3_default_timeout_ms;

namespace {

const uint32_t reply_limit = pop3_message_limit;  // most bytes kept of one reply
const uint32_t buffer_size = reply_limit + 1;     // each command, then its reply and a NUL
// The rest of a reply beyond reply_limit is read and dropped, up to this
// many bytes; a server that goes on longer fails the session rather than
// keep it for ever.
const uint32_t discard_limit = 64u * 1024 * 1024;
const char terminator[] = "\r\n.\r\n";
const uint32_t terminator_length = sizeof terminator - 1;
// The numbers of STAT and LIST stand after "+OK ".
const uint32_t status_word_length = sizeof "+OK " - 1;

enum reply_kind { reply_ok, reply_err, reply_failed };

struct session {
    os_socket socket;
    os_tls_channel tls;   // null while the conversation is plain text
    char* reply;          // the block of buffer_size bytes, NUL after the latest reply
    uint32_t length;      // of the latest reply
    pop3_result failure;  // why the connection failed, once it has
};

// The stream the conversation runs on: the socket itself, or the TLS
// channel over it. Above these two calls nothing knows which.

os_status plain_receive(os_socket socket, char* data, size_t room, size_t* got)
{
    os_status status = os_sockets->wait(socket, os_readable, pop3_timeout_ms);
    return status == os_ok ? os_sockets->receive(socket, data, room, got) : status;
}

// One send takes a command this short; the loop covers a send that takes
// only part of it, rather than leave a command cut off. Only a socket that
// cannot take more is waited for.
os_status plain_send(os_socket socket, const char* data, size_t count)
{
    while (count > 0) {
        size_t sent = 0;
        os_status status = os_sockets->send(socket, data, count, &sent);
        if (status == os_would_block)
            status = os_sockets->wait(socket, os_writable, pop3_timeout_ms);
        else if (status == os_ok) {
            data += sent;
            count -= sent;
        }
        if (status != os_ok)
            return status;
    }
    return os_ok;
}

void note_stream_failure(session* s, os_status status)
{
    s->failure = status == os_timed_out ? pop3_server_silent : pop3_connection_broken;
}

// One receive once something has arrived: the count received, or 0 when
// the connection failed, closed or stayed silent.
uint32_t receive_some(session* s, char* data, uint32_t room)
{
    size_t got = 0;
    os_status status = s->tls ? os_tls->receive(s->tls, data, room, pop3_timeout_ms, &got)
                              : plain_receive(s->socket, data, room, &got);
    if (status == os_ok)
        return static_cast<uint32_t>(got);
    note_stream_failure(s, status);
    return 0;
}

// Sends the command text whole.
bool send_command(session* s, const char* command)
{
    size_t count = strlen(command);
    os_status status = s->tls ? os_tls->send(s->tls, command, count, pop3_timeout_ms)
                              : plain_send(s->socket, command, count);
    if (status != os_ok)
        note_stream_failure(s, status);
    return status == os_ok;
}

// Receives until the status line has ended with its LF: a reply is judged
// only on a whole status line, which may come in many pieces.
bool read_status_line(session* s)
{
    s->length = 0;
    for (;;) {
        if (s->length == reply_limit) {
            s->failure = pop3_connection_broken;  // no status line is that long
            return false;
        }
        uint32_t got = receive_some(s, s->reply + s->length, reply_limit - s->length);
        if (got == 0)
            return false;
        const char* piece = s->reply + s->length;
        s->length += got;
        s->reply[s->length] = '\0';
        if (memchr(piece, '\n', got))
            return true;
    }
}

// The letters at p, in either case, are the upper-case ones given.
bool letters_are(const char* p, const char* upper)
{
    for (; *upper != '\0'; ++p, ++upper)
        if (*p != *upper && *p != *upper - 'A' + 'a')
            return false;
    return true;
}

// A reply begins "+OK" or "-ERR", in either case; anything else breaks the
// protocol.
reply_kind read_reply(session* s)
{
    if (!read_status_line(s))
        return reply_failed;
    if (s->reply[0] == '+' && letters_are(s->reply + 1, "OK"))
        return reply_ok;
    if (s->reply[0] == '-' && letters_are(s->reply + 1, "ERR"))
        return reply_err;
    s->failure = pop3_connection_broken;
    return reply_failed;
}

bool ends_with_terminator(const char* bytes, uint32_t count)
{
    return count >= terminator_length && memcmp(bytes + count - terminator_length, terminator, terminator_length) == 0;
}

// Reads and drops the rest of a reply whose first reply_limit bytes fill
// the block, up to its terminator, which may be split across receives and
// may have begun among the bytes kept.
bool discard_rest(session* s)
{
    char last[terminator_length];
    memcpy(last, s->reply + reply_limit - terminator_length, terminator_length);
    char scratch[4096];
    uint32_t dropped = 0;
    while (memcmp(last, terminator, terminator_length) != 0) {
        if (dropped >= discard_limit) {
            s->failure = pop3_connection_broken;
            return false;
        }
        uint32_t count = receive_some(s, scratch, sizeof scratch);
        if (count == 0)
            return false;
        dropped += count;
        if (count >= terminator_length) {
            memcpy(last, scratch + count - terminator_length, terminator_length);
        } else {
            memmove(last, last + count, terminator_length - count);
            memcpy(last + terminator_length - count, scratch, count);
        }
    }
    return true;
}

// The reply to RETR: a good status line, then everything up to and
// including the terminator. Of a longer reply the first reply_limit bytes
// are kept and the rest is read and dropped, so the next reply is read
// from its start.
reply_kind read_multiline_reply(session* s)
{
    reply_kind kind = read_reply(s);
    if (kind != reply_ok)
        return kind;
    while (!ends_with_terminator(s->reply, s->length)) {
        if (s->length == reply_limit) {
            if (!discard_rest(s))
                return reply_failed;
            break;
        }
        uint32_t got = receive_some(s, s->reply + s->length, reply_limit - s->length);
        if (got == 0)
            return reply_failed;
        s->length += got;
    }
    s->reply[s->length] = '\0';
    return reply_ok;
}

// Formats a command into the block, sends it and reads its one-line reply.
PRINTF_FORMAT(2, 3) reply_kind exchange(session* s, const char* format, ...)
{
    va_list arguments;
    va_start(arguments, format);
    vsnprintf(s->reply, buffer_size, format, arguments);
    va_end(arguments);
    return send_command(s, s->reply) ? read_reply(s) : reply_failed;
}

// Sends RETR n and reads the message that answers it.
reply_kind retrieve(session* s, int n)
{
    snprintf(s->reply, buffer_size, "RETR %d\r\n", n);
    return send_command(s, s->reply) ? read_multiline_reply(s) : reply_failed;
}

// STAT answers "+OK count total", LIST "+OK n size". The first number starts
// after "+OK "; the second one follows the first space or LF from the byte
// after that, and is 0 when the reply ends first.
int32_t first_number(const session* s)
{
    return decimal_value(s->reply + status_word_length);
}

int32_t second_number(const session* s)
{
    if (s->length <= status_word_length + 1)
        return 0;
    const char* p = s->reply + status_word_length + 1;
    while (*p != '\0' && *p != ' ' && *p != '\n')
        ++p;
    return *p == '\0' ? 0 : decimal_value(p + 1);
}

// Message n from the list to its DELE: its size asked with LIST in a large
// mailbox (a message above the limit is deleted unread), then RETR, the raw
// copy, the handler and DELE, unless the handler keeps it. reply_err when
// the server refused one of the commands for this message.
reply_kind handle_message(session* s, int n, bool large_mailbox, const mailbox_handler& handler)
{
    bool wanted = true;
    if (large_mailbox) {
        reply_kind listed = exchange(s, "LIST %d\r\n", n);
        if (listed != reply_ok)
            return listed;
        int32_t size = second_number(s);
        wanted = size <= static_cast<int32_t>(reply_limit);
        if (!wanted)
            handler.on_too_large(handler.context, static_cast<uint32_t>(size));
    }
    if (wanted) {
        reply_kind retrieved = retrieve(s, n);
        if (retrieved != reply_ok)
            return retrieved;
        // The raw copy of the last message retrieved, its bytes exactly as
        // received; not being able to write it does not stop the session.
        os_files->write_whole_file("Tobalin.tmp", s->reply, s->length);
        if (handler.on_message(handler.context, s->reply, s->length) == keep_message)
            return reply_ok;
    }
    return exchange(s, "DELE %d\r\n", n);
}

// Opens the connection, and TLS over it when the server wants it.
pop3_result connect_to(session* s, const mailbox_server& server)
{
    uint32_t address;
    if (os_sockets->resolve(server.host, &address) != os_ok)
        return pop3_no_such_server;
    os_status connected = os_sockets->connect(s->socket, address, server.port);
    if (connected == os_would_block)
        connected = os_sockets->wait(s->socket, os_writable, pop3_timeout_ms);
    if (connected != os_ok)
        return pop3_no_connection;
    if (!server.tls)
        return pop3_ok;
    switch (os_tls->open(s->socket, server.host, pop3_timeout_ms, &s->tls)) {
    case os_ok: return pop3_ok;
    case os_untrusted: return pop3_untrusted_certificate;
    case os_timed_out: return pop3_server_silent;
    default: return pop3_tls_failed;
    }
}

// From connecting to QUIT, on an open socket with the block taken.
pop3_result run_session(session* s, const mailbox_server& server, const char* account, const char* password,
                        const mailbox_handler& handler)
{
    pop3_result connected = connect_to(s, server);
    if (connected != pop3_ok)
        return connected;

    reply_kind kind = read_reply(s);
    if (kind != reply_ok)
        return kind == reply_err ? pop3_no_connection : s->failure;
    kind = exchange(s, "USER %s\r\n", account);
    if (kind == reply_ok)
        kind = exchange(s, "PASS %s\r\n", password);
    if (kind != reply_ok)
        return kind == reply_err ? pop3_login_refused : s->failure;
    kind = exchange(s, "STAT\r\n");
    if (kind != reply_ok)
        return kind == reply_err ? pop3_mailbox_error : s->failure;
    int32_t count = first_number(s);
    bool large_mailbox = second_number(s) > static_cast<int32_t>(reply_limit);

    bool refused = false;
    for (int64_t n = 1; n <= count; ++n) {
        kind = handle_message(s, static_cast<int>(n), large_mailbox, handler);
        if (kind == reply_failed)
            return s->failure;
        refused = refused || kind == reply_err;
    }
    kind = exchange(s, "QUIT\r\n");
    if (kind == reply_failed)
        return s->failure;
    return kind == reply_err || refused ? pop3_mailbox_error : pop3_ok;
}

}  // namespace

pop3_result poll_mailbox(const char* server_entry, const char* account, const char* password,
                         const mailbox_handler& handler)
{
    mailbox_server server;
    if (!parse_mailbox_server(server_entry, &server))
        return pop3_bad_server_entry;
    if (os_sockets->startup() != os_ok)
        return pop3_no_connection;
    pop3_result result = pop3_no_connection;
    session s = {os_no_socket, nullptr, nullptr, 0, pop3_ok};
    s.reply = static_cast<char*>(malloc(buffer_size));
    if (s.reply)
        s.socket = os_sockets->open_tcp();
    if (s.socket != os_no_socket) {
        result = run_session(&s, server, account, password, handler);
        // close_notify, unless the connection itself has failed.
        if (s.tls)
            os_tls->close(s.tls, result != pop3_connection_broken && result != pop3_server_silent);
        os_sockets->close(s.socket);
    }
    free(s.reply);
    os_sockets->cleanup();
    return result;
}
