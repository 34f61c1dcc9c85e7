// From a retrieved message to the text of its reservation: the mail is read
// as MIME reads it; a text that holds programme information is that
// information, any other text is taken for a reservation command.
#include "reservation/interpret_message.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "common/text_scan.h"
#include "reservation/mime_message.h"
#include "reservation/programme_command.h"

namespace {

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

// The mail as it was before the mailbox sent it: the final "." line goes,
// and a line that begins with "." has the one the server put before it
// taken off again. In place.
bool ends_with(const char* text, size_t length, const char* tail)
{
    size_t tail_length = strlen(tail);
    return length >= tail_length && memcmp(text + length - tail_length, tail, tail_length) == 0;
}

void unstuff(char* message)
{
    size_t length = strlen(message);
    if (ends_with(message, length, "\n.\r\n"))
        length -= strlen(".\r\n");
    else if (ends_with(message, length, "\n.\n"))
        length -= strlen(".\n");
    size_t out = 0;
    for (size_t in = 0; in < length; ++in) {
        bool line_start = in == 0 || message[in - 1] == '\n';
        if (line_start && message[in] == '.' && in + 1 < length && message[in + 1] == '.')
            continue;
        message[out++] = message[in];
    }
    message[out] = '\0';
}

// The text holds the word, its letters in any case.
bool holds_in_any_case(std::string_view text, std::string_view word)
{
    for (size_t i = 0; i + word.size() <= text.size(); ++i)
        if (same_in_any_case(slice(text, i, word.size()), word))
            return true;
    return false;
}

// Ends the programme-information part at its blank line; without one it
// runs to the end of the text.
void cut_part(char* part)
{
    char *before, *after;
    if (find_blank_line(part, &before, &after))
        *before = '\0';
}

// Where the charset value of a programme-information part begins: after its
// "Content-Type:" (or "Content-type:"), the media type, one separator byte
// and "charset=". Null when the part is not programme information.
const char* charset_of(const char* part)
{
    const char* type = after_prefix(part, "Content-Type:");
    if (!type)
        type = after_prefix(part, "Content-type:");
    const char* media_end = type ? after_prefix(skip_spaces(type), "application/x-tv-program-info") : nullptr;
    if (!media_end || *media_end == '\0')
        return nullptr;
    // One byte, whatever it is, separates the media type from its parameters.
    const char* parameters = media_end + 1;
    return after_prefix(skip_spaces(parameters), "charset=");
}

// The first programme-information line of a text: "Content-Type:" or,
// when the text holds none, "Content-type:".
char* programme_line(char* text)
{
    char* line = strstr(text, "Content-Type:");
    return line ? line : strstr(text, "Content-type:");
}

// The programme-information text that begins at part, in a new block:
// converted to Shift_JIS when its charset says shift_jis, else as it stands.
char* programme_text(char* part, const reading_part& reading, drop_reason* reason)
{
    cut_part(part);
    const char* charset = charset_of(part);
    if (!charset) {
        *reason = programme_info_malformed;
        return nullptr;
    }
    if (after_prefix(charset, "shift_jis"))
        return text_in_shift_jis(part, part_charset(reading), true);
    char* text = static_cast<char*>(malloc(strlen(part) + 1));
    if (text)
        strcpy(text, part);
    return text;
}

// The programme-information text of a reservation command, in a new block.
char* command_text(const char* body, const reading_part& reading, const char* station_path,
                   interpretation* result)
{
    char* command = text_in_shift_jis(body, part_charset(reading), false);
    size_t room = command ? strlen(command) + programme_file_overhead : 0;
    char* text = command ? static_cast<char*>(malloc(room)) : nullptr;
    if (text) {
        result->reason = write_programme_info_from_command(command, station_path, text, room, &result->channel);
        if (result->reason != not_dropped) {
            free(text);
            text = nullptr;
        }
    }
    free(command);
    return text;
}

// A programme-information part without its own Content-type line gets the
// line its part headers stand for: in a charset this program converts, the
// text is made Shift_JIS, and the line says so.
char* with_programme_line(char* text, const reading_part& reading)
{
    char content_type[512], charset[64];
    header_field(reading.headers, "Content-Type", content_type, sizeof content_type);
    header_parameter(content_type, "charset", charset, sizeof charset);
    if (charset_named(charset) != charset_other)
        strcpy(charset, "shift_jis");
    static const char line[] = "Content-type: application/x-tv-program-info; charset=";
    size_t length = strlen(line) + strlen(charset) + strlen("\r\n") + strlen(text);
    char* whole = static_cast<char*>(malloc(length + 1));
    if (whole)
        snprintf(whole, length + 1, "%s%s\r\n%s", line, charset, text);
    free(text);
    return whole;
}

// The text of the message's reservation, or why it has none.
char* reservation_text(const char* body, std::string_view headers, const char* station_path, interpretation* result)
{
    reading_part reading;
    part_choice choice = choose_reading_part(headers, body, &reading);
    if (choice != part_chosen) {
        result->reason = choice == only_html_part ? html_only : no_command;
        return nullptr;
    }
    char* decoded = decode_part_body(reading);
    if (decoded && reading.programme_type && !programme_line(decoded))
        decoded = with_programme_line(decoded, reading);
    if (!decoded)
        return nullptr;
    char* part = programme_line(decoded);
    char* text = part ? programme_text(part, reading, &result->reason)
                      : command_text(decoded, reading, station_path, result);
    free(decoded);
    if (!text && result->reason == no_command && reading.html)
        result->reason = html_only;
    return text;
}

}  // namespace

bool sender_allowed(const char* address, const char* senders)
{
    const size_t address_length = strlen(address);
    const char* p = senders;
    bool listed = false;
    for (;;) {
        p += strspn(p, " \t,;");
        size_t length = strcspn(p, " \t,;");
        if (length == 0)
            return !listed;
        listed = true;
        // "@example.com" allows that domain; anything else is one address.
        bool domain = p[0] == '@';
        if ((domain ? address_length > length : address_length == length) &&
            same_in_any_case(std::string_view(address + address_length - length, length), std::string_view(p, length)))
            return true;
        p += length;
    }
}

void interpret_message(char* message, const char* station_path, const char* senders, interpretation* result)
{
    memset(result, 0, sizeof *result);
    unstuff(message);
    char *headers_end, *body;
    if (!find_blank_line(message, &headers_end, &body)) {
        result->reason = no_body;
        return;
    }
    const std::string_view headers(message, static_cast<size_t>(headers_end - message));
    char value[512];
    if (header_field(headers, "From", value, sizeof value))
        mail_address(value, result->sender, sizeof result->sender);
    if (header_field(headers, "Subject", value, sizeof value))
        decode_header_words(value, result->subject, sizeof result->subject);

    if (!sender_allowed(result->sender, senders)) {
        result->reason = sender_not_allowed;
        return;
    }
    // Anywhere in the header lines, as the first programs that sent
    // reservations put it.
    if (!holds_in_any_case(headers, "content-type:")) {
        result->reason = no_content_type;
        return;
    }
    result->text = reservation_text(body, headers, station_path, result);
    if (!result->text && result->reason == not_dropped)
        result->reason = no_command;  // the heap refused: nothing to book
}
