#ifndef TOBALIN_TESTS_SOCKETS_DOUBLE_H
#define TOBALIN_TESTS_SOCKETS_DOUBLE_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/sockets.h"

// A connection to a server that sends its replies in order, one more after
// each command whatever the command, in receives of the given sizes; and the faults a real socket does not give
// on demand: Winsock refusing to start or granting another version, no
// socket, a name that does not resolve, a connection under way or refused.
// Everything sent is recorded. Installed while it lives.
struct sockets_double {
    sockets_double();
    ~sockets_double();

    enum ending { closes, fails, goes_silent };

    // What the calls do.
    bool startup_fails = false;
    uint16_t granted = 0x0101;
    bool open_fails = false;
    bool resolve_fails = false;
    int connect_error = 0;         // 0: connected at once; else connect fails with it
    int connect_wait = 1;          // the wait for a connection under way
    std::vector<std::string> replies;  // the first is there at once, each next one after a send
    std::vector<size_t> pieces;        // most bytes the n-th receive gives (cycled); none: no bound
    ending after_replies = closes;     // what a receive meets once every reply is used up
    int failing_send = 0;          // 1-based; 0: no send fails

    // What happened.
    std::string sent;
    int startups = 0;
    int cleanups = 0;
    int opens = 0;
    int closed = 0;
    std::vector<uint32_t> receive_waits;  // the time-out of each wait to read

private:
    const os_sockets_calls* previous;
};

#endif
