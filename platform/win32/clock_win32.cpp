// Local date and pauses (KERNEL32).
#include <windows.h>

#include "platform/clock.h"

static void local_date(os_date* date)
{
    SYSTEMTIME now;
    GetLocalTime(&now);
    date->year = now.wYear;
    date->month = now.wMonth;
    date->day = now.wDay;
    date->hour = now.wHour;
    date->minute = now.wMinute;
}

static void sleep_ms(uint32_t milliseconds)
{
    Sleep(milliseconds);
}

const os_clock_calls os_native_clock = {local_date, sleep_ms};
