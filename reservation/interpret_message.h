#ifndef TOBALIN_RESERVATION_INTERPRET_MESSAGE_H
#define TOBALIN_RESERVATION_INTERPRET_MESSAGE_H

// The name of the programme-information file, in the current directory.
extern const char programme_file_name[];

// Interprets one retrieved message: the reply to RETR exactly as received,
// NUL-terminated, in a buffer the interpreter may write NUL bytes into. A
// reservation becomes "Tobalin.tvpi", which is then handed off. 0 when the
// file was written and handed off, -1 otherwise.
int interpret_message(char* message);

// Decodes quoted-printable text into a new block on the heap, which the
// caller releases with free(); null when the heap refuses the block.
char* decode_quoted_printable(const char* text);

// Opens "Tobalin.tvpi" with the application registered for it and runs the
// batch script, if one is set. The script's result, or 0 without a script.
int hand_off_reservation();

#endif
