#ifndef TOBALIN_PLATFORM_STATUS_H
#define TOBALIN_PLATFORM_STATUS_H

// Result of a platform call. Success is 0, as everywhere in the program;
// the failures the callers tell apart get their own codes.
enum os_status {
    os_ok = 0,
    os_failed = -1,
    os_not_found = -2,
    os_denied = -3,
};

#endif
