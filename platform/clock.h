#ifndef TOBALIN_PLATFORM_CLOCK_H
#define TOBALIN_PLATFORM_CLOCK_H

#include <cstdint>

struct os_date {
    int year;
    int month;  // 1 to 12
    int day;    // 1 to 31
};

struct os_clock_calls {
    // GetLocalTime: today's date on the local clock.
    void (*local_date)(os_date* date);
    // Sleep: block the calling thread for the given milliseconds.
    void (*sleep)(uint32_t milliseconds);
};

extern const os_clock_calls* os_clock;
extern const os_clock_calls os_native_clock;

#endif
