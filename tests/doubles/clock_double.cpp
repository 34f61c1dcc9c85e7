#include "tests/doubles/clock_double.h"

static void fixed_date(os_date* date)
{
    *date = clock_double::active->today;
}

static void recorded_sleep(uint32_t milliseconds)
{
    clock_double::active->sleeps.push_back(milliseconds);
}

static const os_clock_calls double_clock = {fixed_date, recorded_sleep};

clock_double::clock_double(os_date date) : installed(os_clock, double_clock), today(date) {}
