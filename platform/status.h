#ifndef TOBALIN_PLATFORM_STATUS_H
#define TOBALIN_PLATFORM_STATUS_H

// Result of a platform call. Success is 0, as everywhere in the program;
// the failures the callers tell apart get their own codes.
enum os_status {
    os_ok = 0,
    os_failed = -1,
    os_not_found = -2,
    os_denied = -3,
    os_timed_out = -4,  // a wait ran out before the other side did anything
    os_closed = -5,     // the other side ended the connection
    os_untrusted = -6,  // the server's certificate does not prove who it is
    os_would_block = -7,  // a call on a socket that does not block would have had to wait
};

#endif
