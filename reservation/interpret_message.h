#ifndef TOBALIN_RESERVATION_INTERPRET_MESSAGE_H
#define TOBALIN_RESERVATION_INTERPRET_MESSAGE_H

// Interprets one retrieved message: the reply to RETR exactly as received,
// NUL-terminated, in a buffer the interpreter may write NUL bytes into. A
// reservation becomes "Tobalin.tvpi", which is then handed off. 0 when the
// file was written and handed off, -1 otherwise.
int interpret_message(char* message);

#endif
