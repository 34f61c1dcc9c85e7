#ifndef TOBALIN_POP3_POP3_SESSION_H
#define TOBALIN_POP3_POP3_SESSION_H

#include <cstdint>

// One POP3 session against the mailbox (USER, PASS, STAT, then LIST when
// the mailbox is large, RETR and DELE for each message, and QUIT). Every
// message is retrieved, copied to "Tobalin.tmp", handed to the handler and,
// unless the handler keeps it, deleted. Servers remove what DELE marked only
// at QUIT: a session that breaks off sends no QUIT, and the server keeps
// every message of it for the next poll.

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

// What the handler decided for one message.
enum message_fate {
    delete_message,  // handled, or nothing to handle
    keep_message,    // could not be handled here and now: the next poll tries again
};

// Takes one retrieved message: the reply to RETR exactly as received (the
// +OK line, the message, the final "." line; at most 16384 bytes),
// NUL-terminated, in a buffer the handler may write into.
typedef message_fate (*message_handler)(char* message);

// Bounds the connect, each send and each receive of a session, so that a
// silent server cannot hold the program. Tests shorten it.
constexpr uint32_t pop3_default_timeout_ms = 60000;
extern uint32_t pop3_timeout_ms;

// Runs one session against the server (host name or dotted address) and
// port, logging in with the account and password. An -ERR to LIST, RETR or
// DELE of one message leaves that message on the server and the session
// goes on with the next (the result is then pop3_mailbox_error); any other
// failure ends the session at once.
pop3_result poll_mailbox(const char* server, unsigned short port, const char* account, const char* password,
                         message_handler handle);

#endif
