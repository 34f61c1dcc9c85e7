#ifndef TOBALIN_TESTS_CLOCK_DOUBLE_H
#define TOBALIN_TESTS_CLOCK_DOUBLE_H

#include <cstdint>
#include <vector>

#include "platform/clock.h"

// A clock whose date is set by the test and whose pauses are recorded, not
// waited for. Installed while it lives.
struct clock_double {
    explicit clock_double(os_date today = {2005, 6, 1});
    ~clock_double();
    os_date today;
    std::vector<uint32_t> sleeps;

private:
    const os_clock_calls* previous;
};

#endif
