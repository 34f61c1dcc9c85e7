#ifndef TOBALIN_APP_MAIL_CHECK_H
#define TOBALIN_APP_MAIL_CHECK_H

#include <cstdint>

#include "platform/clock.h"
#include "pop3/pop3_session.h"

// How the last poll went, for the tray icon's tip.
struct poll_report {
    bool done;           // false until the first poll has ended
    os_date when;        // the local date and time it ended
    pop3_result result;  // how the session ended
    int32_t handed_on;   // reservations written and handed to the recording application
    int32_t kept;        // reservations that could not be written: they stay in the mailbox
    int32_t refused;     // reservation commands refused (a wrong date, a channel not listed...)
};
extern poll_report last_poll;

// The command check_mail_now: unless a poll runs already, polls the mailbox
// of Settings, handing every reservation on and running the batch script
// after each, logs what became of every mail, then restarts the countdown.
void check_mail_now();

#endif
