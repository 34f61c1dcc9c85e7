#ifndef TOBALIN_POP3_POP3_SESSION_H
#define TOBALIN_POP3_POP3_SESSION_H

#include <cstdint>

// One POP3 session against the mailbox (USER, PASS, STAT, then LIST when
// the mailbox is large, RETR and DELE for each message, and QUIT), in plain
// text or over TLS. Every message is retrieved, copied to "Tobalin.tmp",
// handed to the handler and, unless the handler keeps it, deleted. Servers
// remove what DELE marked only at QUIT: a session that breaks off sends no
// QUIT, and the server keeps every message of it for the next poll.

// How a session ended, so that the program can tell its user why nothing
// arrives.
enum pop3_result {
    pop3_ok = 0,
    pop3_no_such_server,         // the server's name does not resolve
    pop3_no_connection,          // no socket, the connection refused, or turned away at the greeting
    pop3_server_silent,          // a reply did not come within the time-out
    pop3_login_refused,          // USER or PASS answered -ERR: a wrong account or password
    pop3_mailbox_error,          // STAT, LIST, RETR, DELE or QUIT answered -ERR
    pop3_connection_broken,      // the connection failed or closed, or a reply broke the protocol
    pop3_bad_server_entry,       // the POP setting names no server: nothing was sent
    pop3_tls_failed,             // the TLS handshake failed
    pop3_untrusted_certificate,  // the server could not prove it is the one named: nothing was sent
};

// Most bytes of one retrieved message, its +OK line and final "." line
// included. A message the server lists above it is deleted unread; of a
// longer reply to RETR the first this many bytes are the message.
constexpr uint32_t pop3_message_limit = 256 * 1024;

// What the handler decided for one message.
enum message_fate {
    delete_message,  // handled, or nothing to handle
    keep_message,    // could not be handled here and now: the next poll tries again
};

// Where the messages go. on_message gets each retrieved message: the reply
// to RETR exactly as received (the +OK line, the message, the final "."
// line), length bytes and a NUL after them, in a buffer it may write into.
// on_too_large hears of each message listed above the limit, which is
// deleted without being retrieved. Both get the context.
struct mailbox_handler {
    message_fate (*on_message)(void* context, char* message, uint32_t length);
    void (*on_too_large)(void* context, uint32_t size);
    void* context;
};

// Bounds the connect, the TLS handshake, each send and each receive of a
// session, so that a silent server cannot hold the program. Tests shorten it.
constexpr uint32_t pop3_default_timeout_ms = 60000;
extern uint32_t pop3_timeout_ms;

// Runs one session against the server the POP setting names (see
// mailbox_server.h), logging in with the account and password. An -ERR to
// LIST, RETR or DELE of one message leaves that message on the server and
// the session goes on with the next (the result is then
// pop3_mailbox_error); any other failure ends the session at once.
pop3_result poll_mailbox(const char* server, const char* account, const char* password,
                         const mailbox_handler& handler);

#endif
