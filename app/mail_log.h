#ifndef TOBALIN_APP_MAIL_LOG_H
#define TOBALIN_APP_MAIL_LOG_H

#include <cstdint>

#include "pop3/pop3_session.h"
#include "reservation/interpret_message.h"

// "Tobalin.log" in the working folder: what became of every mail and why a
// poll failed, one line each, in Japanese like the tip, Shift_JIS with CR
// LF so that Notepad opens it. Each line begins with the local date and
// time. Past log_limit bytes the log becomes "Tobalin.log.1" (in place of
// an older one) and a new log starts. A log that cannot be written is gone
// without a word: the mails are handled all the same.
extern const char log_file_name[];
extern const char old_log_file_name[];
constexpr uint64_t log_limit = uint64_t{256} * 1024;

// What became of a mail that was read.
enum mail_fate {
    mail_booked,      // its reservation was handed to the recording application
    mail_not_opened,  // its reservation was written, but nothing could be started to open it
    mail_kept,        // its reservation could not be written: it stays in the mailbox
    mail_dropped,     // it books nothing, for message.reason
};

void log_mail(const interpretation& message, mail_fate fate);

// A mail the server listed at size bytes, deleted unread.
void log_mail_too_large(uint32_t size);

// A poll that failed, against the server the POP setting names.
void log_failed_poll(pop3_result result, const char* server);

#endif
