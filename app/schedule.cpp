#include "app/schedule.h"

#include "settings/settings.h"

int32_t countdown_seconds = 0;
int32_t poll_busy = 0;

namespace {
bool countdown_held = false;
}

void restart_countdown()
{
    if (countdown_held || Settings.Timer == 0)
        return;
    // A Timer typed into the registry by hand may be too large for a 32-bit
    // count of seconds; it then means "as seldom as can be counted".
    int64_t seconds = int64_t{Settings.Timer} * 60;
    countdown_seconds = seconds > INT32_MAX ? INT32_MAX : static_cast<int32_t>(seconds);
}

void hold_countdown()
{
    countdown_held = true;
    countdown_seconds = 0;
}

void release_countdown()
{
    countdown_held = false;
    restart_countdown();
}

bool countdown_tick()
{
    if (countdown_seconds == 0)
        return false;
    return --countdown_seconds == 0;
}
