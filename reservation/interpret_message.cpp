// From a retrieved message to the programme-information file: a message
// whose body holds programme-information text is written out as that text;
// any other body is taken for a reservation command.
#include "reservation/interpret_message.h"

#include <cstdlib>
#include <cstring>

#include "common/text_file.h"
#include "kanji/kanji_convert.h"
#include "reservation/programme_command.h"

const char programme_file_name[] = "Tobalin.tvpi";

namespace {

// The blank line of a text: the first "\n\n" anywhere in it or, only when
// it holds none, the first "\r\n\r\n". Gives the byte after the line break
// that ends the line before it, and the first byte after the blank line.
bool find_blank_line(char* text, char** line_end, char** after)
{
    if (char* lf = strstr(text, "\n\n")) {
        *line_end = lf + 1;
        *after = lf + 2;
        return true;
    }
    if (char* crlf = strstr(text, "\r\n\r\n")) {
        *line_end = crlf + 2;
        *after = crlf + 4;
        return true;
    }
    return false;
}

const char* skip_spaces(const char* p)
{
    while (*p == ' ')
        ++p;
    return p;
}

bool starts_with(const char* p, const char* value)
{
    return strncmp(p, value, strlen(value)) == 0;
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
    char *line_end, *after;
    if (find_blank_line(part, &line_end, &after)) {
        *line_end = '\0';
        return;
    }
    size_t length = strlen(part);
    if (ends_with(part, length, "\n.\r\n"))
        part[length - 3] = '\0';
    else if (ends_with(part, length, "\n.\n"))
        part[length - 2] = '\0';
}

// Where the charset value of a programme-information part begins: after
// "Content-Type:", the media type, one separator byte and "charset=". Null
// when the part is not programme information.
const char* charset_of(const char* part)
{
    const char* p = skip_spaces(part + 13);
    if (!starts_with(p, "application/x-tv-program-info"))
        return nullptr;
    p += 29;
    if (*p == '\0')
        return nullptr;
    p = skip_spaces(p + 1);
    return starts_with(p, "charset=") ? p + 8 : nullptr;
}

// Writes the programme-information file; false when it could not be written whole.
bool write_programme_file(const char* text)
{
    text_file file;
    if (text_file_create(&file, programme_file_name) != 0)
        return false;
    text_file_puts(&file, text);
    return text_file_close(&file) == 0;
}

// The text to write for a programme-information part, in a new block:
// converted to Shift_JIS when its charset says shift_jis, else unchanged.
char* programme_text(const char* part, const char* charset)
{
    size_t length = strlen(part);
    char* output = static_cast<char*>(malloc(length + 32));
    if (!output)
        return nullptr;
    if (!starts_with(charset, "shift_jis")) {
        memcpy(output, part, length + 1);
        return output;
    }
    int converted = kanji_convert("auto", "sjis", part, static_cast<int>(length), output, static_cast<int>(length + 30));
    if (converted < 0) {  // cannot happen: Shift_JIS output is never longer than its input
        free(output);
        return nullptr;
    }
    output[converted] = '\0';
    return output;
}

int interpret_programme_information(const char* headers, char* part)
{
    const char* encoding = strstr(headers, "Content-Transfer-Encoding:");
    if (!encoding)
        return -1;
    cut_part(part);

    char* decoded = nullptr;
    if (starts_with(skip_spaces(encoding + 26), "quoted-printable")) {
        decoded = decode_quoted_printable(part);
        if (!decoded)
            return -1;
        part = decoded;
    }
    int result = -1;
    const char* charset = charset_of(part);
    char* output = charset ? programme_text(part, charset) : nullptr;
    if (output && write_programme_file(output)) {
        hand_off_reservation();
        result = 0;
    }
    free(decoded);
    free(output);
    return result;
}

int interpret_command(const char* body)
{
    // Created before the command is looked at: a refused command leaves it empty.
    text_file file;
    if (text_file_create(&file, programme_file_name) != 0)
        return -1;
    int result = write_programme_info_from_command(&file, body);
    if (text_file_close(&file) != 0 || result != 0)
        return -1;
    hand_off_reservation();
    return 0;
}

}  // namespace

int interpret_message(char* message)
{
    char *headers_end, *body;
    if (!find_blank_line(message, &headers_end, &body))
        return -1;
    *headers_end = '\0';
    const char* headers = message;
    if (!strstr(headers, "Content-Type:"))
        return -1;

    char* part = strstr(body, "Content-Type:");
    if (!part)
        part = strstr(body, "Content-type:");
    return part ? interpret_programme_information(headers, part) : interpret_command(body);
}
