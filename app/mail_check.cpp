// One poll, from the tray click or the countdown to the recording
// application: the mailbox session, and for each message the interpreter,
// the hand-off and the batch script.
#include "app/mail_check.h"

#include "app/schedule.h"
#include "settings/settings.h"

poll_report last_poll;

void check_mail_now()
{
    if (poll_busy)
        return;
    poll_busy = 1;
    poll_report report = {};
    int result = poll_mailbox(Settings.POP, pop3_port);
    report.result = result == 0 ? pop3_ok : pop3_connection_broken;
    os_clock->local_date(&report.when);
    report.done = true;
    last_poll = report;
    poll_busy = 0;
    restart_countdown();
}
