#ifndef TOBALIN_KANJI_UTF8_TO_SJIS_H
#define TOBALIN_KANJI_UTF8_TO_SJIS_H

// Converts UTF-8 text to Shift_JIS as Windows writes it (code page 932, the
// NEC and IBM extensions and the user-defined area included; where a
// character has two codes, the one Windows writes). Line ends and ASCII
// pass unchanged, NUL included; half-width katakana become single bytes.
// Characters that other Japanese systems write with another code point
// become the code page 932 form: WAVE DASH as FULLWIDTH TILDE, MINUS SIGN,
// DOUBLE VERTICAL LINE, CENT, POUND and NOT SIGN, EM DASH; YEN SIGN and
// OVERLINE as the single bytes 5C and 7E, a no-break space as a space.
// Invisible characters (joiners, variation selectors, a byte-order mark) are
// dropped. A character that Shift_JIS cannot hold becomes the geta mark
// (81AC), and so does each maximal ill-formed part of the UTF-8 (an
// overlong form, a surrogate, a code point above U+10FFFF, a stray
// continuation byte, a sequence cut short), as Unicode recommends.
//
// The source is counted (NUL is an ordinary byte); the destination is not
// NUL-terminated. Returns the bytes written, or -1 when the output did not
// fit into capacity: then the destination holds the output's first
// capacity bytes (the last may be the first half of a pair) and nothing is
// stored past capacity. Never longer than twice the source. A null source,
// or a negative length, is empty; a null destination has no room. Keeps no
// state between calls: re-entrant.
int utf8_to_sjis(const char* source, int source_length, char* destination, int capacity);

#endif
