// One poll, from the tray click or the countdown to the recording
// application: the mailbox session, and for each message the interpreter,
// the hand-off and the batch script.
#include "app/mail_check.h"

#include "app/schedule.h"
#include "automation/batch_script.h"
#include "reservation/hand_off.h"
#include "reservation/interpret_message.h"
#include "settings/settings.h"

poll_report last_poll;

// Every retrieved message: a reservation is handed to the recording
// application, and the batch script works its windows, before the next
// message is retrieved; one that could not be written stays in the mailbox.
static message_fate take_message(void* context, char* message, uint32_t)
{
    poll_report* report = static_cast<poll_report*>(context);
    switch (interpret_message(message, Settings.Station)) {
    case reservation_written:
        hand_off_reservation();
        if (Settings.Batch[0] != '\0')
            run_batch_file(Settings.Batch);
        ++report->handed_on;
        return delete_message;
    case reservation_not_written:
        ++report->kept;
        return keep_message;
    case no_reservation:
        break;
    }
    return delete_message;
}

static void skip_message(void*, uint32_t) {}

void check_mail_now()
{
    if (poll_busy)
        return;
    poll_busy = 1;
    poll_report current = {};
    const mailbox_handler handler = {take_message, skip_message, &current};
    current.result = poll_mailbox(Settings.POP, Settings.User, Settings.Pass, handler);
    os_clock->local_date(&current.when);
    current.done = true;
    last_poll = current;
    poll_busy = 0;
    restart_countdown();
}
