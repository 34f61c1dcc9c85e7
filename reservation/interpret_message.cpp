// From a retrieved message to the programme-information file: a message
// whose body holds programme-information text is written out as that text;
// any other body is taken for a reservation command.
#include "reservation/interpret_message.h"

#include <cstdlib>
#include <cstring>

#include "common/crlf_lines.h"
#include "common/text_scan.h"
#include "kanji/kanji_convert.h"
#include "platform/files.h"
#include "reservation/programme_command.h"
#include "reservation/quoted_printable.h"

namespace {

const char programme_file_name[] = "Tobalin.tvpi";

// The blank line of a text: the first "\n\n" anywhere in it or, only when
// it holds none, the first "\r\n\r\n". Gives the byte after the line break
// that ends the line before it, and the first byte after the blank line.
bool find_blank_line(char* text, char** before, char** after)
{
    if (char* lf = strstr(text, "\n\n")) {
        *before = lf + 1;
        *after = lf + 2;
        return true;
    }
    if (char* crlf = strstr(text, "\r\n\r\n")) {
        *before = crlf + 2;
        *after = crlf + 4;
        return true;
    }
    return false;
}

bool ends_with(const char* text, size_t length, const char* tail)
{
    size_t tail_length = strlen(tail);
    return length >= tail_length && memcmp(text + length - tail_length, tail, tail_length) == 0;
}

// Ends the programme-information part at its blank line. Without one it runs
// to the end of the message, but not into the mailbox's end-of-message line:
// a final line holding only "." is the mailbox's, not the message's.
void cut_part(char* part)
{
    char *before, *after;
    if (find_blank_line(part, &before, &after)) {
        *before = '\0';
        return;
    }
    size_t length = strlen(part);
    if (ends_with(part, length, "\n.\r\n"))
        part[length - 3] = '\0';
    else if (ends_with(part, length, "\n.\n"))
        part[length - 2] = '\0';
}

// Where the charset value of a programme-information part begins: after its
// "Content-Type:" (or "Content-type:"), the media type, one separator byte
// and "charset=". Null when the part is not programme information.
const char* charset_of(const char* part)
{
    const char* p = after_prefix(part, "Content-Type:");
    if (!p)
        p = after_prefix(part, "Content-type:");
    if (p)
        p = after_prefix(skip_spaces(p), "application/x-tv-program-info");
    if (!p || *p == '\0')
        return nullptr;
    return after_prefix(skip_spaces(p + 1), "charset=");
}

// The text of a programme-information part, in a new block: converted to
// Shift_JIS when its charset says shift_jis, else as it stands. Null when
// the part is none.
char* programme_text(const char* headers, char* part)
{
    const char* encoding = strstr(headers, "Content-Transfer-Encoding:");
    if (!encoding)
        return nullptr;
    cut_part(part);

    char* decoded = nullptr;
    if (after_prefix(skip_spaces(after_prefix(encoding, "Content-Transfer-Encoding:")), "quoted-printable")) {
        decoded = decode_quoted_printable(part);
        if (!decoded)
            return nullptr;
        part = decoded;
    }
    const char* charset = charset_of(part);
    size_t length = strlen(part);
    char* text = charset ? static_cast<char*>(malloc(length + 32)) : nullptr;
    if (text && after_prefix(charset, "shift_jis")) {
        // Shift_JIS output is never longer than its input: the room suffices.
        int room = static_cast<int>(length) + 30;
        int converted = kanji_convert("auto", "sjis", part, static_cast<int>(length), text, room);
        text[converted >= 0 ? converted : room] = '\0';
    } else if (text) {
        memcpy(text, part, length + 1);
    }
    free(decoded);
    return text;
}

// The programme-information text of a reservation command, in a new block;
// null when the command is refused.
char* command_text(const char* body, const char* station_path)
{
    size_t room = strlen(body) + programme_file_overhead;
    char* text = static_cast<char*>(malloc(room));
    if (text && write_programme_info_from_command(body, station_path, text, room) != 0) {
        free(text);
        text = nullptr;
    }
    return text;
}

// Writes the file whole, every line ended by CR LF, with one call.
reservation_outcome write_programme_file(const char* text)
{
    size_t length = strlen(text);
    char* lines = static_cast<char*>(malloc(crlf_room(length)));
    if (!lines)
        return reservation_not_written;
    size_t count = crlf_lines(text, length, lines);
    os_status status = os_files->write_whole_file(programme_file_name, lines, count);
    free(lines);
    return status == os_ok ? reservation_written : reservation_not_written;
}

}  // namespace

reservation_outcome interpret_message(char* message, const char* station_path)
{
    char *headers_end, *body;
    if (!find_blank_line(message, &headers_end, &body))
        return no_reservation;
    *headers_end = '\0';
    const char* headers = message;
    if (!strstr(headers, "Content-Type:"))
        return no_reservation;

    char* part = strstr(body, "Content-Type:");
    if (!part)
        part = strstr(body, "Content-type:");
    // Built whole before the file is touched: a message that is no
    // reservation leaves the file as it was.
    char* text = part ? programme_text(headers, part) : command_text(body, station_path);
    if (!text)
        return no_reservation;
    reservation_outcome outcome = write_programme_file(text);
    free(text);
    return outcome;
}
