// When polls happen: the countdown over one-second ticks.
#include <gtest/gtest.h>

#include "app/schedule.h"
#include "settings/settings.h"

namespace {

// The ticks, counted from 1, on which a poll falls due, up to a limit.
std::vector<int> due_ticks(int ticks)
{
    std::vector<int> due;
    for (int t = 1; t <= ticks; ++t)
        if (countdown_tick())
            due.push_back(t);
    return due;
}

TEST(schedule, a_poll_falls_due_a_full_interval_after_each_restart_and_timer_0_never)
{
    Settings.Timer = 5;
    countdown_seconds = 0;
    restart_countdown();
    EXPECT_EQ(due_ticks(700), std::vector<int>{300}) << "once, then nothing until the poll restarts it";

    restart_countdown();  // a poll ended, 120 s into a new interval
    due_ticks(120);
    restart_countdown();  // a click polled: the interval starts again
    EXPECT_EQ(due_ticks(400), std::vector<int>{300});

    restart_countdown();
    hold_countdown();     // the settings dialog is open
    restart_countdown();  // and a click polled meanwhile
    EXPECT_EQ(due_ticks(400), std::vector<int>{});
    Settings.Timer = 1;  // the dialog closed with a new interval
    release_countdown();
    EXPECT_EQ(due_ticks(400), std::vector<int>{60});

    Settings.Timer = 0;  // polls on clicks only
    restart_countdown();
    EXPECT_EQ(due_ticks(100000), std::vector<int>{});
    Settings.Timer = 0xFFFFFFFF;  // minutes past what the countdown holds: held at its most
    restart_countdown();
    EXPECT_EQ(countdown_seconds, INT32_MAX);
}

}  // namespace
