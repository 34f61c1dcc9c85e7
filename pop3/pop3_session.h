#ifndef TOBALIN_POP3_POP3_SESSION_H
#define TOBALIN_POP3_POP3_SESSION_H

#include <cstdint>

#include "platform/sockets.h"

// One POP3 session against the mailbox: every message is retrieved, copied
// to "Tobalin.tmp", handed to the message handler and deleted, and the
// session ends with QUIT. A session that fails anywhere sends no QUIT, so
// the server keeps every message of it for the next poll.

// How a session ended, so that the program can tell its user why nothing
// arrives.
enum pop3_result {
    pop3_ok = 0,
    pop3_no_such_server,     // the server's name does not resolve
    pop3_no_connection,      // no socket, the connection refused, or turned away at the greeting
    pop3_server_silent,      // a reply did not come within the time-out
    pop3_login_refused,      // USER or PASS answered -ERR: a wrong account or password
    pop3_mailbox_error,      // STAT, LIST, RETR, DELE or QUIT answered -ERR
    pop3_connection_broken,  // the connection failed or closed, or a reply broke the protocol
};

constexpr uint32_t pop3_buffer_size = 16400;  // the reply buffer
constexpr uint32_t pop3_reply_limit = 16384;  // most bytes kept of one reply
constexpr uint16_t pop3_winsock_version = 0x0101;

// Bounds the connect, each send and each receive of a session, so that a
// silent server cannot hold the program. Tests shorten it.
constexpr uint32_t pop3_default_timeout_ms = 60000;
extern uint32_t pop3_timeout_ms;

// The rest of a reply beyond pop3_reply_limit is read and dropped, up to
// this many bytes; a server that goes on longer fails the session rather
// than keep it for ever.
constexpr uint32_t pop3_discard_limit = 64u * 1024 * 1024;

// Each retrieved message goes here: the reply to RETR, NUL-terminated, in
// the reply buffer, which the handler may write into. Its result is not
// looked at. interpret_message unless a test puts a double in its place.
extern int (*pop3_message_handler)(char* message);

// The session's block of pop3_buffer_size bytes, taken from the heap for
// one session (null between sessions). It holds each command and then its
// reply, always followed by a NUL.
extern char* reply_buffer;

// Runs one session against the server (host name or dotted address) and
// port, logging in with the User and Pass of Settings. 0 when the whole
// session, QUIT included, succeeded; -1 otherwise.
int poll_mailbox(const char* server, unsigned short port);

// Sends the NUL-terminated command text whole. -1 when it cannot.
int send_command(os_socket socket, const char* command);

// Reads a single-line reply into buffer: receives until its status line
// has ended (however many receives that takes, within pop3_reply_limit),
// then stores a NUL after it and its length. -1 when the connection fails,
// closes or stays silent first; *length is then 0.
int read_reply(os_socket socket, uint32_t* length, char* buffer);

// Reads a multi-line reply (to RETR) into buffer: a good status line, then
// everything up to and including the terminator "\r\n.\r\n". Of a longer
// reply the first pop3_reply_limit bytes are kept and the rest is read and
// dropped, so the next reply is read from its start. -1 for a reply that is
// not good or a connection that fails, closes or stays silent first.
int read_multiline_reply(os_socket socket, uint32_t* length, char* buffer);

// A reply is good when it begins "+OK", the O and K in either case.
bool reply_is_good(const char* buffer, uint32_t length);

#endif
