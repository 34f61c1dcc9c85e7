#ifndef TOBALIN_TESTS_CLOCK_DOUBLE_H
#define TOBALIN_TESTS_CLOCK_DOUBLE_H

#include <cstdint>
#include <vector>

#include "platform/clock.h"
#include "tests/doubles/installed.h"

// A clock whose date is set by the test and whose pauses are recorded, not
// waited for. Installed while it lives.
struct clock_double : installed<clock_double, os_clock_calls> {
    explicit clock_double(os_date today = {2005, 6, 1});
    os_date today;
    std::vector<uint32_t> sleeps;
};

#endif
