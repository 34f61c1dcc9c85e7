// One poll, from the tray click or the countdown to the recording
// application: the mailbox session, and for each mail the reading, the
// programme-information file, the hand-off, the batch script and the log.
#include "app/mail_check.h"

#include <cstdlib>

#include "app/hand_off.h"
#include "app/mail_log.h"
#include "app/schedule.h"
#include "automation/batch_script.h"
#include "reservation/interpret_message.h"
#include "settings/settings.h"

poll_report last_poll;

namespace {

// Every retrieved mail: a reservation is handed to the recording
// application, and the batch script works its windows, before the next
// mail is retrieved; one that could not be written stays in the mailbox.
message_fate handle_mail(void* context, char* message, uint32_t)
{
    poll_report* report = static_cast<poll_report*>(context);
    interpretation mail;
    interpret_message(message, Settings.Station, Settings.Senders, &mail);
    message_fate fate = delete_message;
    if (!mail.text) {
        log_mail(mail, mail_dropped);
        if (is_refused_command(mail.reason))
            ++report->refused;
    } else if (!write_programme_file(mail.text)) {
        log_mail(mail, mail_kept);
        ++report->kept;
        fate = keep_message;
    } else {
        log_mail(mail, hand_off_reservation() ? mail_booked : mail_not_opened);
        if (Settings.Batch[0] != '\0')
            run_batch_file(Settings.Batch);
        ++report->handed_on;
    }
    free(mail.text);
    return fate;
}

void note_too_large(void*, uint32_t size)
{
    log_mail_too_large(size);
}

}  // namespace

void check_mail_now()
{
    if (poll_busy)
        return;
    poll_busy = 1;
    poll_report current = {};
    const mailbox_handler handler = {handle_mail, note_too_large, &current};
    current.result = poll_mailbox(Settings.POP, Settings.User, Settings.Pass, handler);
    if (current.result != pop3_ok)
        log_failed_poll(current.result, Settings.POP);
    os_clock->local_date(&current.when);
    current.done = true;
    last_poll = current;
    poll_busy = 0;
    restart_countdown();
}
