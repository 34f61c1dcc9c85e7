#ifndef TOBALIN_PLATFORM_CLOCK_H
#define TOBALIN_PLATFORM_CLOCK_H

#include <cstdint>

struct os_date {
    int year;
    int month;  // 1 to 12
    int day;    // 1 to 31
    int hour = 0;  // 0 to 23
    int minute = 0;
};

struct os_clock_calls {
    // GetLocalTime: today's date and the time of day on the local clock.
    void (*local_date)(os_date* date);
    // Sleep: block the calling thread for the given milliseconds.
    void (*sleep)(uint32_t milliseconds);
};

extern const os_clock_calls* os_clock;
extern const os_clock_calls os_native_clock;

#endif
