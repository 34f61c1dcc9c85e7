#ifndef TOBALIN_RESERVATION_INTERPRET_MESSAGE_H
#define TOBALIN_RESERVATION_INTERPRET_MESSAGE_H

#include <cstdint>

#include "reservation/drop_reason.h"

// What one retrieved message says.
struct interpretation {
    // The programme-information text of its reservation, in Shift_JIS,
    // NUL-terminated, in a block the caller releases with free(); null when
    // it books nothing.
    char* text;
    drop_reason reason;  // why it books nothing
    int32_t channel;     // of a reservation command, once read; else 0
    char sender[128];    // the From address
    char subject[128];   // the Subject, decoded, in Shift_JIS
};

// Reads one retrieved message: the reply to RETR exactly as received (the
// +OK line, the mail, the final "." line), NUL-terminated, in a buffer the
// reader may write into. The mail is read as MIME reads it; its text (the
// part to read, decoded, in Shift_JIS) is programme information when it
// holds a programme-information line, and is taken for a reservation
// command otherwise, whose channel is looked up in the TV station file at
// station_path. With senders set (addresses and "@domain" entries separated
// by spaces or commas), a mail from anyone else books nothing. Writes no
// file.
void interpret_message(char* message, const char* station_path, const char* senders, interpretation* result);

// Whether the From address is one of the senders (letters in any case); an
// empty list allows everyone.
bool sender_allowed(const char* address, const char* senders);

#endif
