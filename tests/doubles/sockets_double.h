#ifndef TOBALIN_TESTS_SOCKETS_DOUBLE_H
#define TOBALIN_TESTS_SOCKETS_DOUBLE_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/sockets.h"
#include "platform/tls.h"
#include "tests/doubles/installed.h"

// One step of a POP3 conversation: the command line the client sends ("" for
// the greeting), the server's reply, where it is cut into separate receives,
// and how the step ends once its bytes are read.
struct pop3_step {
    enum ending { answers_on, closes, falls_silent, fails };
    std::string command;
    std::string reply;
    std::vector<size_t> cuts = {};
    ending then = answers_on;
};

// A conversation written as its steps' "command: reply", separated by " | ";
// the first step is the greeting's text. Without a reply, RETR n answers
// pop3_message(n) and every other command +OK.
std::vector<pop3_step> pop3_conversation(const std::string& text);

// RETR's reply: a message whose subject is its number, ended by the "." line.
std::string pop3_message(const std::string& subject, const std::string& body = "..line\r\n");

// A server that plays a conversation: each command line the client sends
// brings the next step's reply, whatever it says; everything sent is
// recorded. Also the faults real sockets do not give on demand. Through TLS
// the same conversation runs once the handshake ends as tls_open says (real
// TLS meets real servers in its own tests). Installed while it lives.
struct sockets_double : installed<sockets_double, os_sockets_calls> {
    explicit sockets_double(std::vector<pop3_step> steps = {});

    std::vector<pop3_step> steps;
    bool startup_fails = false, open_fails = false, resolve_fails = false;
    os_status connect_result = os_ok;  // os_would_block: under way
    os_status writable_wait = os_ok;   // a wait to write: after a connection under way, a send that would block
    int failing_send = 0;   // the n-th send fails (from 1); 0: none does
    int blocked_sends = 0;  // the first sends that would block
    size_t send_room = 0;   // most bytes one send takes; 0: all

    os_status tls_open = os_ok;  // how a handshake ends

    std::string host;    // resolved
    uint16_t port = 0;   // connected to
    std::string sent;
    int startups = 0, cleanups = 0, opens = 0, closes = 0;
    int tls_opens = 0, tls_closes = 0, tls_notices = 0;  // channels opened, closed, closed with close_notify

    // The conversation as it goes.
    size_t step = 0;      // whose reply is being read; steps.size(): none is due
    size_t position = 0;  // into that reply
    int sends = 0;

private:
    table_swap<os_tls_calls> tls;
};

#endif
