#ifndef TOBALIN_KANJI_KANJI_CONVERT_H
#define TOBALIN_KANJI_KANJI_CONVERT_H

// Converts Japanese text among Shift_JIS ("sjis"), EUC-JP ("euc") and 7-bit
// JIS ("jis": ISO-2022-JP escapes, SO/SI for half-width katakana), and makes
// every line end a single LF. Input codes: "auto" (EUC-JP or Shift_JIS is
// decided once, from the 4096 bytes that begin at the first 8-bit byte),
// "sjis", "euc"; any other input name is taken as "auto". Output codes:
// "sjis", "euc", "jis"; any other output name is taken as "sjis". JIS
// escapes, SO and SI in the input are understood whatever the input code
// (outputs "sjis" and "euc"). Output "jis" ends in one-byte mode.
//
// The source is counted (NUL is an ordinary byte); the destination is not
// NUL-terminated. Returns the bytes written, or -1 when the output did not
// fit into capacity: then the destination holds the bytes that did fit and
// nothing is stored past capacity. With output "sjis" the output is never
// longer than the source. A null source, or a negative length, is empty; a
// null destination has no room. One conversion at a time: not re-entrant.
int kanji_convert(const char* input_code, const char* output_code,
                  const char* source, int source_length, char* destination, int capacity);

#endif
