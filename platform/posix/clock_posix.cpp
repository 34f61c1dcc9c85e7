// Local date and pauses (POSIX).
#include <cerrno>
#include <time.h>

#include "platform/clock.h"

static void local_date(os_date* date)
{
    time_t now = time(nullptr);
    struct tm local;
    localtime_r(&now, &local);
    date->year = local.tm_year + 1900;
    date->month = local.tm_mon + 1;
    date->day = local.tm_mday;
    date->hour = local.tm_hour;
    date->minute = local.tm_min;
}

static void sleep_ms(uint32_t milliseconds)
{
    struct timespec pause;
    pause.tv_sec = milliseconds / 1000;
    pause.tv_nsec = static_cast<long>(milliseconds % 1000) * 1000000L;
    while (nanosleep(&pause, &pause) != 0 && errno == EINTR) {
    }
}

const os_clock_calls os_native_clock = {local_date, sleep_ms};
