#ifndef TOBALIN_APP_SCHEDULE_H
#define TOBALIN_APP_SCHEDULE_H

#include <cstdint>

// When the mailbox is polled. The window procedure turns its messages into
// these calls: the one-second timer into countdown_tick, the end of a poll
// into restart_countdown, the settings dialog's opening and closing into
// hold_countdown and release_countdown.

// Seconds until the next automatic poll; 0 means none is pending.
extern int32_t countdown_seconds;
// 1 while a poll runs: a second poll must not start inside the first.
extern int32_t poll_busy;

// Starts the countdown from the full interval, Timer x 60 seconds. With
// Timer 0 nothing polls by itself, and the countdown keeps its value. While
// the countdown is held it stays 0.
void restart_countdown();

// While the settings dialog is open no automatic poll may start: the
// countdown stays 0, also after a poll the user starts meanwhile by a click.
void hold_countdown();

// The dialog has closed: the countdown starts from the (possibly new)
// interval.
void release_countdown();

// One tick of the one-second timer. True when this tick ran the countdown
// out: a poll is due now.
bool countdown_tick();

#endif
