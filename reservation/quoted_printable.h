#ifndef TOBALIN_RESERVATION_QUOTED_PRINTABLE_H
#define TOBALIN_RESERVATION_QUOTED_PRINTABLE_H

// Decodes quoted-printable text into a new block on the heap, which the
// caller releases with free(); null when the heap refuses the block. "=XX"
// with two hexadecimal digits is the byte XX, and a decoded 0 byte ends the
// text. "=" before a line end, with or without blanks between, is a soft
// line break: it, the blanks and the run of CRs and LFs vanish. Any other "="
// stands for itself.
char* decode_quoted_printable(const char* text);

#endif
