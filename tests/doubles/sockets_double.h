#ifndef TOBALIN_TESTS_SOCKETS_DOUBLE_H
#define TOBALIN_TESTS_SOCKETS_DOUBLE_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/sockets.h"

// A server that sends its replies in order, one more after each command
// whatever the command, in receives of the given sizes; and the faults a
// real socket does not give on demand. Everything sent is recorded.
// Installed while it lives.
struct sockets_double {
    sockets_double();
    ~sockets_double();

    enum ending { closes, fails, goes_silent };

    bool startup_fails = false;
    uint16_t granted = 0x0101;
    bool open_fails = false;
    bool resolve_fails = false;
    int connect_error = 0;             // 0: connected at once; else connect fails with it
    int connect_wait = 1;              // the wait to write, as after a connection under way
    int failing_send = 0;              // 1-based; 0: no send fails
    std::vector<std::string> replies;  // the first is there at once, each next one after a send
    std::vector<size_t> pieces;        // most bytes the n-th receive gives (cycled); none: no bound
    ending after_replies = closes;     // what a receive meets once every reply is used up

    std::string sent;
    int startups = 0, cleanups = 0, opens = 0, closed = 0;

    // The connection as it goes.
    std::string served;       // the replies sent so far
    size_t position = 0;      // into served
    size_t receives = 0;      // made so far, to pick the piece size
    int sends = 0;
    int error = 0;
    const os_sockets_calls* previous;
};

#endif
