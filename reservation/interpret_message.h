#ifndef TOBALIN_RESERVATION_INTERPRET_MESSAGE_H
#define TOBALIN_RESERVATION_INTERPRET_MESSAGE_H

// What became of one retrieved message.
enum reservation_outcome {
    reservation_written,      // "Tobalin.tvpi" now holds its reservation: hand it off
    no_reservation,           // not a reservation, or a refused command: the file is as it was
    reservation_not_written,  // a reservation, but the file could not be written whole
};

// Interprets one retrieved message: the reply to RETR exactly as received,
// NUL-terminated, in a buffer the interpreter may write NUL bytes into. A
// body holding programme-information text is that text; any other body is
// taken for a reservation command, whose channel is looked up in the TV
// station file at station_path. A reservation is written to "Tobalin.tvpi"
// in the current directory, every line ended by CR LF.
reservation_outcome interpret_message(char* message, const char* station_path);

#endif
