#include "tests/doubles/clock_double.h"

static clock_double* active_clock = nullptr;

static void fixed_date(os_date* date)
{
    *date = active_clock->today;
}

static void recorded_sleep(uint32_t milliseconds)
{
    active_clock->sleeps.push_back(milliseconds);
}

static const os_clock_calls double_clock = {fixed_date, recorded_sleep};

clock_double::clock_double(os_date date) : today(date), previous(os_clock)
{
    active_clock = this;
    os_clock = &double_clock;
}

clock_double::~clock_double()
{
    os_clock = previous;
    active_clock = nullptr;
}
