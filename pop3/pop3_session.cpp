// The POP3 mailbox session: USER, PASS, STAT, then LIST (for a large
// mailbox), RETR and DELE for each message, and QUIT.
#include "pop3/pop3_session.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "common/decimal.h"
#include "platform/files.h"
#include "reservation/interpret_message.h"
#include "settings/settings.h"

uint32_t pop3_timeout_ms = pop3_default_timeout_ms;
int (*pop3_message_handler)(char* message) = interpret_message;
char* reply_buffer = nullptr;

static const char terminator[] = "\r\n.\r\n";
static const uint32_t terminator_length = 5;

// One receive into data, once the socket is readable within the time-out:
// the count received, or 0 or less when the connection failed, closed or
// stayed silent.
static int receive_some(os_socket socket, char* data, uint32_t room)
{
    if (os_sockets->wait(socket, os_readable, pop3_timeout_ms) != 1)
        return -1;
    return os_sockets->receive(socket, data, static_cast<int>(room));
}

int send_command(os_socket socket, const char* command)
{
    // One send takes a command this short; the loop covers a send that takes
    // only part of it, rather than leave a command cut off. Only a socket
    // that cannot take more is waited for.
    size_t left = strlen(command);
    while (left > 0) {
        int sent = os_sockets->send(socket, command, static_cast<int>(left));
        if (sent < 0 && os_sockets->last_error() == os_would_block &&
            os_sockets->wait(socket, os_writable, pop3_timeout_ms) == 1)
            continue;
        if (sent <= 0)
            return -1;
        command += sent;
        left -= static_cast<size_t>(sent);
    }
    return 0;
}

bool reply_is_good(const char* buffer, uint32_t length)
{
    return length >= 3 && buffer[0] == '+' && (buffer[1] == 'O' || buffer[1] == 'o') &&
           (buffer[2] == 'K' || buffer[2] == 'k');
}

// Receives into buffer until the status line has ended with its LF. A reply
// is judged only on a whole status line, which may come in many pieces.
static int read_status_line(os_socket socket, uint32_t* total, char* buffer)
{
    *total = 0;
    for (;;) {
        if (*total == pop3_reply_limit)
            return -1;  // no status line is that long
        int got = receive_some(socket, buffer + *total, pop3_reply_limit - *total);
        if (got <= 0)
            return -1;
        const char* piece = buffer + *total;
        *total += static_cast<uint32_t>(got);
        buffer[*total] = '\0';
        if (memchr(piece, '\n', static_cast<size_t>(got)))
            return 0;
    }
}

int read_reply(os_socket socket, uint32_t* length, char* buffer)
{
    uint32_t total;
    *length = 0;
    if (read_status_line(socket, &total, buffer) != 0)
        return -1;
    *length = total;
    return 0;
}

static bool ends_with_terminator(const char* bytes, uint32_t count)
{
    return count >= terminator_length && memcmp(bytes + count - terminator_length, terminator, terminator_length) == 0;
}

// Reads and drops the rest of a reply whose first pop3_reply_limit bytes
// fill buffer, up to its terminator, which may be split across receives and
// may have begun among the bytes kept.
static int discard_rest(os_socket socket, const char* buffer)
{
    char last[terminator_length];
    memcpy(last, buffer + pop3_reply_limit - terminator_length, terminator_length);
    char scratch[4096];
    uint32_t dropped = 0;
    while (memcmp(last, terminator, terminator_length) != 0) {
        if (dropped >= pop3_discard_limit)
            return -1;
        int got = receive_some(socket, scratch, sizeof scratch);
        if (got <= 0)
            return -1;
        uint32_t count = static_cast<uint32_t>(got);
        dropped += count;
        if (count >= terminator_length) {
            memcpy(last, scratch + count - terminator_length, terminator_length);
        } else {
            memmove(last, last + count, terminator_length - count);
            memcpy(last + terminator_length - count, scratch, count);
        }
    }
    return 0;
}

int read_multiline_reply(os_socket socket, uint32_t* length, char* buffer)
{
    uint32_t total;
    *length = 0;
    if (read_status_line(socket, &total, buffer) != 0 || !reply_is_good(buffer, total))
        return -1;
    while (!ends_with_terminator(buffer, total)) {
        if (total == pop3_reply_limit) {
            // Keep the first bytes as the message, but stay in step with the
            // server: the next reply starts after this one's terminator.
            if (discard_rest(socket, buffer) != 0)
                return -1;
            break;
        }
        int got = receive_some(socket, buffer + total, pop3_reply_limit - total);
        if (got <= 0)
            return -1;
        total += static_cast<uint32_t>(got);
    }
    buffer[total] = '\0';
    *length = total;
    return 0;
}

// Sends the command formatted in reply_buffer and reads its one-line reply,
// which must be good.
static bool exchange(os_socket socket, uint32_t* length)
{
    return send_command(socket, reply_buffer) == 0 && read_reply(socket, length, reply_buffer) == 0 &&
           reply_is_good(reply_buffer, *length);
}

// The number after the first space or LF at or after the sixth byte of a
// reply: the total of "+OK 2 320", the size of "+OK 7 20000". 0 when the
// reply ends first.
static int32_t second_number(const char* reply, uint32_t length)
{
    if (length <= 5)
        return 0;
    const char* p = reply + 5;
    while (*p != '\0' && *p != ' ' && *p != '\n')
        ++p;
    return *p == '\0' ? 0 : decimal_value(p + 1);
}

// From connecting to QUIT, on an open socket with reply_buffer taken.
static int run_session(os_socket socket, const char* server, unsigned short port)
{
    uint32_t address;
    if (os_sockets->resolve(server, &address) != os_ok)
        return -1;
    if (os_sockets->connect(socket, address, port) != 0) {
        if (os_sockets->last_error() != os_would_block)
            return -1;
        if (os_sockets->wait(socket, os_writable, pop3_timeout_ms) != 1)
            return -1;
    }

    uint32_t length;
    if (read_reply(socket, &length, reply_buffer) != 0 || !reply_is_good(reply_buffer, length))
        return -1;
    snprintf(reply_buffer, pop3_buffer_size, "USER %s\r\n", Settings.User);
    if (!exchange(socket, &length))
        return -1;
    snprintf(reply_buffer, pop3_buffer_size, "PASS %s\r\n", Settings.Pass);
    if (!exchange(socket, &length))
        return -1;
    snprintf(reply_buffer, pop3_buffer_size, "STAT\r\n");
    if (!exchange(socket, &length))
        return -1;
    int32_t count = decimal_value(reply_buffer + 4);
    int32_t total = second_number(reply_buffer, length);

    for (int64_t n = 1; n <= count; ++n) {
        bool wanted = true;
        if (total > static_cast<int32_t>(pop3_reply_limit)) {
            snprintf(reply_buffer, pop3_buffer_size, "LIST %d\r\n", static_cast<int>(n));
            if (!exchange(socket, &length))
                return -1;
            // A message that large is deleted unread.
            wanted = second_number(reply_buffer, length) <= static_cast<int32_t>(pop3_reply_limit);
        }
        if (wanted) {
            snprintf(reply_buffer, pop3_buffer_size, "RETR %d\r\n", static_cast<int>(n));
            if (send_command(socket, reply_buffer) != 0 || read_multiline_reply(socket, &length, reply_buffer) != 0)
                return -1;
            // The raw copy of the last message retrieved, its bytes exactly as
            // received; not being able to write it does not stop the session.
            os_files->write_whole_file("Tobalin.tmp", reply_buffer, length);
            pop3_message_handler(reply_buffer);
        }
        snprintf(reply_buffer, pop3_buffer_size, "DELE %d\r\n", static_cast<int>(n));
        if (!exchange(socket, &length))
            return -1;
    }

    snprintf(reply_buffer, pop3_buffer_size, "QUIT\r\n");
    return exchange(socket, &length) ? 0 : -1;
}

int poll_mailbox(const char* server, unsigned short port)
{
    uint16_t granted = 0;
    if (os_sockets->startup(pop3_winsock_version, &granted) != os_ok)
        return -1;
    if (granted != pop3_winsock_version) {
        os_sockets->cleanup();
        return -1;
    }
    reply_buffer = static_cast<char*>(malloc(pop3_buffer_size));
    if (!reply_buffer) {
        os_sockets->cleanup();
        return -1;
    }
    os_socket socket = os_sockets->open_tcp();
    int result = -1;
    if (socket != os_no_socket) {
        result = run_session(socket, server, port);
        os_sockets->close(socket);
    }
    free(reply_buffer);
    reply_buffer = nullptr;
    os_sockets->cleanup();
    return result;
}
