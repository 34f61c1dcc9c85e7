#ifndef TOBALIN_RESERVATION_MIME_MESSAGE_H
#define TOBALIN_RESERVATION_MIME_MESSAGE_H

#include <cstddef>
#include <string_view>

// Reading a mail as MIME does (RFC 2045 to 2047), the way today's phones
// and mail programs write it: header names in any case, folded header
// lines, parameters quoted or not, multipart messages (nested, with
// attachments), base64 and quoted-printable, and the charsets Japanese mail
// comes in. Texts are spans of the message; decoded texts are new blocks.

// The charsets a reading text may come in.
enum mime_charset {
    charset_unnamed,      // no charset parameter: the text says what it is
    charset_other,        // a charset this program does not convert
    charset_ascii,        // us-ascii
    charset_shift_jis,    // Shift_JIS, cp932, windows-31j, x-sjis
    charset_euc_jp,       // EUC-JP
    charset_iso_2022_jp,  // ISO-2022-JP (JIS)
    charset_utf_8,        // UTF-8
};

// The value of the first header field of the name (in any case) among the
// header lines, unfolded, without the blanks around it, cut to size - 1
// bytes and NUL-terminated. False, with an empty value, when there is none.
bool header_field(std::string_view headers, const char* name, char* value, size_t size);

// A parameter of a header value ("charset", "boundary"), its name in any
// case, its value quoted or not. False, with an empty value, when there is
// none.
bool header_parameter(const char* value, const char* name, char* parameter, size_t size);

mime_charset charset_named(const char* name);

// The text to read in a message, and what it is.
struct reading_part {
    std::string_view headers;  // the part's own header lines (a message's own when it has one part)
    std::string_view body;     // its body, transfer-encoded as it came
    bool programme_type;       // a part of type application/x-tv-program-info
    bool html;                 // a message of one part that says it is HTML
};

enum part_choice {
    part_chosen,
    only_html_part,  // HTML is all the message has to read
    no_text_part,  // nothing in it is text
};

// The part to read in a message whose headers and body are given: a
// multipart message's first part that holds programme information (one of
// type application/x-tv-program-info, or a plain text part that holds the
// programme-information line), else its first text/plain part; a message of
// one part is that part, whatever its type.
part_choice choose_reading_part(std::string_view headers, std::string_view body, reading_part* part);

// The part's body with its Content-Transfer-Encoding (base64,
// quoted-printable; 7bit, 8bit and binary are as they stand) undone, in a
// new NUL-terminated block for the caller to free(); null when the heap
// refuses. A 0 byte that the decoding gives ends the text.
char* decode_part_body(const reading_part& part);

// The charset of a part, from its Content-Type.
mime_charset part_charset(const reading_part& part);

// Text in a charset as Shift_JIS, in a new
// NUL-terminated block for the caller to free() (null when the heap
// refuses). JIS escapes are understood in every charset but UTF-8. Where
// the charset does not say how its 8-bit bytes read (none named, us-ascii,
// ISO-2022-JP, another one), detect_8bit has them read as EUC-JP or
// Shift_JIS, whichever the text reads better as; else they stay as they are.
char* text_in_shift_jis(std::string_view text, mime_charset charset, bool detect_8bit);

// A header value with its encoded words (=?charset?B?...?= and
// =?charset?Q?...?=) decoded, as Shift_JIS, on one line, cut to size - 1
// bytes at a character's end and NUL-terminated.
void decode_header_words(const char* value, char* text, size_t size);

// The address of a From value ("Name <user@example.com>" or the address
// alone), cut to size - 1 bytes and NUL-terminated; empty when it holds none.
void mail_address(const char* from, char* address, size_t size);

#endif
