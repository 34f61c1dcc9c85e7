// Reading a mail as MIME does: header fields, parameters, the part to read,
// transfer encodings, charsets and encoded words.
#include "reservation/mime_message.h"

#include <cstdlib>
#include <cstring>

#include "common/text_scan.h"
#include "kanji/kanji_convert.h"
#include "kanji/utf8_to_sjis.h"
#include "reservation/quoted_printable.h"

namespace {

// Multipart messages nest; deeper than this is no mail anyone writes.
const int deepest_part = 8;

// Room for a Content-Type or Content-Transfer-Encoding value.
const size_t value_size = 512;

bool is_blank(char c)
{
    return c == ' ' || c == '\t';
}

std::string_view trimmed(std::string_view text)
{
    while (!text.empty() && (is_blank(text.front()) || text.front() == '\r' || text.front() == '\n'))
        text.remove_prefix(1);
    while (!text.empty() && (is_blank(text.back()) || text.back() == '\r' || text.back() == '\n'))
        text.remove_suffix(1);
    return text;
}

// Copies at most size - 1 bytes and a NUL; the text may lie in out itself.
void copy_text(std::string_view text, char* out, size_t size)
{
    size_t length = text.size() < size ? text.size() : size - 1;
    if (length > 0)  // an empty view may have no data at all
        memmove(out, text.data(), length);
    out[length] = '\0';
}

// The line at position, without its line end; position moves to the next.
std::string_view next_line(std::string_view text, size_t* position)
{
    size_t start = *position;
    size_t lf = text.find('\n', start);
    size_t end = lf == std::string_view::npos ? text.size() : lf;
    *position = lf == std::string_view::npos ? text.size() : lf + 1;
    std::string_view line = slice(text, start, end - start);
    if (!line.empty() && line.back() == '\r')
        line.remove_suffix(1);
    return line;
}

// Splits an entity at the first empty line into its header lines and its
// body; an entity that begins with an empty line has no header lines.
void split_entity(std::string_view entity, std::string_view* headers, std::string_view* body)
{
    size_t position = 0;
    while (position < entity.size()) {
        size_t start = position;
        if (next_line(entity, &position).empty()) {
            *headers = slice(entity, 0, start);
            *body = slice(entity, position);
            return;
        }
    }
    *headers = entity;
    *body = std::string_view();
}

// The type and subtype of a Content-Type value, lower case: "text/plain".
std::string_view media_type(const char* value, char* type, size_t size)
{
    size_t length = strcspn(value, ";");
    copy_text(trimmed(std::string_view(value, length)), type, size);
    for (char* p = type; *p != '\0'; ++p)
        *p = ascii_lower(*p);
    return type;
}

// What a part is, from its header lines; text/plain when they do not say.
struct part_type {
    char content_type[value_size];
    char media[64];
};

void read_part_type(std::string_view headers, part_type* type)
{
    if (!header_field(headers, "Content-Type", type->content_type, sizeof type->content_type) ||
        media_type(type->content_type, type->media, sizeof type->media).empty())
        copy_text("text/plain", type->media, sizeof type->media);
}

// The text holds a programme-information line: "Content-Type:" or
// "Content-type:", spaces, and the media type.
bool holds_programme_line(const char* text)
{
    for (const char* name : {"Content-Type:", "Content-type:"}) {
        for (const char* p = strstr(text, name); p; p = strstr(p + 1, name)) {
            const char* type = p + strlen(name);
            while (*type == ' ')
                ++type;
            if (strncmp(type, "application/x-tv-program-info", strlen("application/x-tv-program-info")) == 0)
                return true;
        }
    }
    return false;
}

// The search through the parts, depth first, in the order they stand.
struct part_search {
    reading_part first_plain_text;
    bool plain_text_seen;
    bool html_seen;
};

// The delimiter lines of a multipart body ("--" boundary, "--" boundary
// "--" for the last) cut it into parts; gives false to end the search once
// a part that holds programme information has been found.
bool search_parts(std::string_view headers, std::string_view body, int depth, part_search* search,
                  reading_part* found);

bool search_multipart(std::string_view body, const char* boundary, int depth, part_search* search,
                      reading_part* found)
{
    const std::string_view delimiter = boundary;
    size_t position = 0;
    size_t part_start = std::string_view::npos;
    while (position < body.size()) {
        size_t line_start = position;
        std::string_view line = next_line(body, &position);
        if (line.size() < 2 + delimiter.size() || slice(line, 0, 2) != "--" ||
            slice(line, 2, delimiter.size()) != delimiter)
            continue;
        std::string_view rest = trimmed(slice(line, 2 + delimiter.size()));
        if (!rest.empty() && rest != "--")
            continue;
        if (part_start != std::string_view::npos) {
            // The line end before a delimiter belongs to the delimiter.
            size_t end = line_start;
            if (end > part_start && body[end - 1] == '\n')
                --end;
            if (end > part_start && body[end - 1] == '\r')
                --end;
            std::string_view part_headers, part_body;
            split_entity(slice(body, part_start, end - part_start), &part_headers, &part_body);
            if (!search_parts(part_headers, part_body, depth + 1, search, found))
                return false;
        }
        if (rest == "--")
            return true;
        part_start = position;
    }
    // No closing delimiter: a message cut short still has its last part.
    if (part_start == std::string_view::npos)
        return true;
    std::string_view part_headers, part_body;
    split_entity(slice(body, part_start), &part_headers, &part_body);
    return search_parts(part_headers, part_body, depth + 1, search, found);
}

bool search_parts(std::string_view headers, std::string_view body, int depth, part_search* search,
                  reading_part* found)
{
    part_type type;
    read_part_type(headers, &type);
    std::string_view media = type.media;
    if (begins_in_any_case(media, "multipart/")) {
        char boundary[value_size];
        if (depth < deepest_part && header_parameter(type.content_type, "boundary", boundary, sizeof boundary) &&
            boundary[0] != '\0')
            return search_multipart(body, boundary, depth, search, found);
        return true;
    }
    if (media == "message/rfc822" && depth < deepest_part) {
        std::string_view inner_headers, inner_body;
        split_entity(body, &inner_headers, &inner_body);
        return search_parts(inner_headers, inner_body, depth + 1, search, found);
    }
    const reading_part part = {headers, body, media == "application/x-tv-program-info", false};
    if (part.programme_type) {
        *found = part;
        return false;
    }
    if (media == "text/html") {
        search->html_seen = true;
    } else if (media == "text/plain") {
        char* text = decode_part_body(part);
        bool programme = text && holds_programme_line(text);
        free(text);
        if (programme) {
            *found = part;
            return false;
        }
        if (!search->plain_text_seen) {
            search->first_plain_text = part;
            search->plain_text_seen = true;
        }
    }
    return true;
}

int base64_value(char c)
{
    if (c >= 'A' && c <= 'Z')
        return c - 'A';
    if (c >= 'a' && c <= 'z')
        return c - 'a' + 26;
    if (c >= '0' && c <= '9')
        return c - '0' + 52;
    if (c == '+')
        return 62;
    if (c == '/')
        return 63;
    return -1;
}

// Base64 into out, which has room for the text's length; characters outside
// the alphabet (line ends, blanks) are passed over and "=" ends the data.
size_t decode_base64(std::string_view text, char* out)
{
    size_t length = 0;
    uint32_t bits = 0;
    int count = 0;
    for (char c : text) {
        if (c == '=')
            break;
        int value = base64_value(c);
        if (value < 0)
            continue;
        bits = bits << 6 | static_cast<uint32_t>(value);
        count += 6;
        if (count >= 8) {
            count -= 8;
            out[length++] = static_cast<char>(bits >> count & 0xFF);
        }
    }
    return length;
}

// A Q-encoded word: "_" is a space, "=XX" a byte.
size_t decode_q_word(std::string_view text, char* out)
{
    size_t length = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        int high = text[i] == '=' && i + 2 < text.size() ? hex_digit_value(text[i + 1]) : -1;
        int low = high >= 0 ? hex_digit_value(text[i + 2]) : -1;
        if (low >= 0) {
            out[length++] = static_cast<char>(high << 4 | low);
            i += 2;
        } else {
            out[length++] = text[i] == '_' ? ' ' : text[i];
        }
    }
    return length;
}

// Appends text to out (capacity size, NUL kept), turning line ends and
// tabs into spaces.
void append_on_one_line(std::string_view text, char* out, size_t size, size_t* length)
{
    for (char c : text) {
        if (*length + 1 >= size)
            return;
        out[(*length)++] = c == '\r' || c == '\n' || c == '\t' ? ' ' : c;
    }
}

// An encoded word =?charset?B?data?= or =?charset?Q?data?= at the start
// of text: its length, and its bytes decoded and made Shift_JIS.
size_t encoded_word(std::string_view text, char** decoded)
{
    if (slice(text, 0, 2) != "=?")
        return 0;
    size_t charset_end = text.find('?', 2);
    if (charset_end == std::string_view::npos || charset_end + 2 >= text.size() || text[charset_end + 2] != '?')
        return 0;
    size_t data_start = charset_end + 3;
    size_t data_end = text.find("?=", data_start);
    if (data_end == std::string_view::npos)
        return 0;
    char charset[64];
    // RFC 2231 allows a language after "*": "utf-8*ja".
    std::string_view name = slice(text, 2, charset_end - 2);
    copy_text(slice(name, 0, name.find('*')), charset, sizeof charset);
    std::string_view data = slice(text, data_start, data_end - data_start);
    char* bytes = static_cast<char*>(malloc(data.size() + 1));
    if (!bytes)
        return 0;
    char kind = ascii_lower(text[charset_end + 1]);
    size_t length = kind == 'b' ? decode_base64(data, bytes) : kind == 'q' ? decode_q_word(data, bytes) : 0;
    if (kind != 'b' && kind != 'q') {
        free(bytes);
        return 0;
    }
    *decoded = text_in_shift_jis(std::string_view(bytes, length), charset_named(charset), false);
    free(bytes);
    return *decoded ? data_end + 2 : 0;
}

// Well-formed UTF-8 throughout, as far as telling it from the Japanese
// legacy encodings needs: lead bytes with their continuation bytes.
bool well_formed_utf8(std::string_view text)
{
    for (size_t i = 0; i < text.size();) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        size_t more = c < 0x80 ? 0 : c >= 0xC2 && c <= 0xDF ? 1 : c >= 0xE0 && c <= 0xEF ? 2 : c >= 0xF0 && c <= 0xF4 ? 3 : 4;
        if (more == 4 || text.size() - i <= more)
            return false;
        for (size_t k = 1; k <= more; ++k)
            if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80)
                return false;
        i += more + 1;
    }
    return true;
}

// Header text outside encoded words, as mailers send it raw: ASCII as it
// stands, well-formed UTF-8 as UTF-8, anything else (JIS escapes, EUC-JP,
// Shift_JIS) as the converter reads it. A new block, or null.
char* raw_header_text(std::string_view text)
{
    bool escapes = false, eight_bit = false;
    for (char c : text) {
        escapes = escapes || c == '\x1b';
        eight_bit = eight_bit || static_cast<unsigned char>(c) >= 0x80;
    }
    if (!escapes && !eight_bit) {
        char* copy = static_cast<char*>(malloc(text.size() + 1));
        if (copy)
            copy_text(text, copy, text.size() + 1);
        return copy;
    }
    bool utf8 = !escapes && well_formed_utf8(text);
    return text_in_shift_jis(text, utf8 ? charset_utf_8 : charset_unnamed, true);
}

// Cuts Shift_JIS text at length so that no character is cut in two.
size_t whole_characters(const char* text, size_t length)
{
    size_t end = 0;
    for (size_t i = 0; i < length;) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        size_t width = (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC) ? 2 : 1;
        if (i + width > length)
            break;
        i += width;
        end = i;
    }
    return end;
}

}  // namespace

bool header_field(std::string_view headers, const char* name, char* value, size_t size)
{
    value[0] = '\0';
    const size_t name_length = strlen(name);
    size_t position = 0;
    while (position < headers.size()) {
        std::string_view line = next_line(headers, &position);
        if (!begins_in_any_case(line, std::string_view(name, name_length)))
            continue;
        std::string_view rest = slice(line, name_length);
        while (!rest.empty() && is_blank(rest.front()))
            rest.remove_prefix(1);
        if (rest.empty() || rest.front() != ':')
            continue;
        // The value, and the lines folded into it: those that begin with a blank.
        size_t length = 0;
        append_on_one_line(slice(rest, 1), value, size, &length);
        while (position < headers.size() && is_blank(headers[position]))
            append_on_one_line(next_line(headers, &position), value, size, &length);
        value[length] = '\0';
        copy_text(trimmed(std::string_view(value, length)), value, size);
        return true;
    }
    return false;
}

bool header_parameter(const char* value, const char* name, char* parameter, size_t size)
{
    parameter[0] = '\0';
    const std::string_view wanted = name;
    const char* p = strchr(value, ';');
    while (p) {
        ++p;
        while (is_blank(*p))
            ++p;
        const char* name_end = p + strcspn(p, "=; \t");
        std::string_view this_name(p, static_cast<size_t>(name_end - p));
        p = name_end;
        while (is_blank(*p))
            ++p;
        if (*p != '=') {
            p = strchr(p, ';');
            continue;
        }
        ++p;
        while (is_blank(*p))
            ++p;
        size_t length = 0;
        if (*p == '"') {
            // A quoted string: a backslash makes the next character itself.
            for (++p; *p != '\0' && *p != '"'; ++p) {
                if (*p == '\\' && p[1] != '\0')
                    ++p;
                if (length + 1 < size)
                    parameter[length++] = *p;
            }
        } else {
            for (; *p != '\0' && *p != ';' && !is_blank(*p); ++p)
                if (length + 1 < size)
                    parameter[length++] = *p;
        }
        parameter[length] = '\0';
        if (same_in_any_case(this_name, wanted))
            return true;
        parameter[0] = '\0';
        p = strchr(p, ';');
    }
    return false;
}

mime_charset charset_named(const char* name)
{
    const struct {
        const char* name;
        mime_charset charset;
    } names[] = {
        {"us-ascii", charset_ascii},         {"ascii", charset_ascii},
        {"shift_jis", charset_shift_jis},    {"shift-jis", charset_shift_jis},
        {"sjis", charset_shift_jis},         {"x-sjis", charset_shift_jis},
        {"cp932", charset_shift_jis},        {"windows-31j", charset_shift_jis},
        {"ms_kanji", charset_shift_jis},     {"csshiftjis", charset_shift_jis},
        {"euc-jp", charset_euc_jp},          {"x-euc-jp", charset_euc_jp},
        {"eucjp", charset_euc_jp},           {"iso-2022-jp", charset_iso_2022_jp},
        {"csiso2022jp", charset_iso_2022_jp}, {"utf-8", charset_utf_8},
        {"utf8", charset_utf_8},
    };
    if (name[0] == '\0')
        return charset_unnamed;
    for (const auto& entry : names)
        if (same_in_any_case(name, entry.name))
            return entry.charset;
    return charset_other;
}

part_choice choose_reading_part(std::string_view headers, std::string_view body, reading_part* part)
{
    part_type type;
    read_part_type(headers, &type);
    // A message of one part is read whole, whatever its type says.
    if (!begins_in_any_case(type.media, "multipart/")) {
        const std::string_view media = type.media;
        *part = {headers, body, media == "application/x-tv-program-info", media == "text/html"};
        return part_chosen;
    }
    part_search search = {};
    if (!search_parts(headers, body, 0, &search, part))
        return part_chosen;
    if (search.plain_text_seen) {
        *part = search.first_plain_text;
        return part_chosen;
    }
    return search.html_seen ? only_html_part : no_text_part;
}

char* decode_part_body(const reading_part& part)
{
    char encoding[value_size];
    header_field(part.headers, "Content-Transfer-Encoding", encoding, sizeof encoding);
    char* text = static_cast<char*>(malloc(part.body.size() + 1));
    if (!text)
        return nullptr;
    size_t length = part.body.size();
    if (same_in_any_case(encoding, "base64"))
        length = decode_base64(part.body, text);
    else if (length > 0)  // an empty view may have no data at all
        memcpy(text, part.body.data(), length);
    text[length] = '\0';
    if (!same_in_any_case(encoding, "quoted-printable"))
        return text;
    char* decoded = decode_quoted_printable(text);
    free(text);
    return decoded;
}

mime_charset part_charset(const reading_part& part)
{
    char content_type[value_size], charset[64];
    header_field(part.headers, "Content-Type", content_type, sizeof content_type);
    header_parameter(content_type, "charset", charset, sizeof charset);
    return charset_named(charset);
}

char* text_in_shift_jis(std::string_view text, mime_charset charset, bool detect_8bit)
{
    const int length = static_cast<int>(text.size());
    // UTF-8 may take two bytes for one (a malformed byte becomes a whole
    // substitute character); every other conversion to Shift_JIS shrinks.
    const int room = charset == charset_utf_8 ? 2 * length : length;
    char* out = static_cast<char*>(malloc(static_cast<size_t>(room) + 1));
    if (!out)
        return nullptr;
    int written;
    if (charset == charset_utf_8) {
        written = utf8_to_sjis(text.data(), length, out, room);
    } else {
        const char* input = charset == charset_euc_jp      ? "euc"
                            : charset == charset_shift_jis ? "sjis"
                            : detect_8bit                  ? "auto"
                                                           : "sjis";
        written = kanji_convert(input, "sjis", text.data(), length, out, room);
    }
    out[written >= 0 ? written : room] = '\0';
    return out;
}

void decode_header_words(const char* value, char* text, size_t size)
{
    std::string_view rest = value;
    size_t length = 0;
    bool after_word = false;
    while (!rest.empty()) {
        // The text up to the next encoded word, then the word.
        size_t start = 0;
        char* decoded = nullptr;
        size_t used = 0;
        for (; start < rest.size(); ++start)
            if (rest[start] == '=' && (used = encoded_word(slice(rest, start), &decoded)) > 0)
                break;
        std::string_view before = slice(rest, 0, start);
        // Blanks between two encoded words vanish.
        if (!(after_word && used > 0 && trimmed(before).empty())) {
            char* plain = raw_header_text(before);
            if (plain)
                append_on_one_line(plain, text, size, &length);
            free(plain);
        }
        if (decoded)
            append_on_one_line(decoded, text, size, &length);
        free(decoded);
        rest.remove_prefix(start + used);
        after_word = used > 0;
    }
    text[whole_characters(text, length)] = '\0';
}

void mail_address(const char* from, char* address, size_t size)
{
    std::string_view text = from;
    size_t open = text.rfind('<');
    size_t close = open == std::string_view::npos ? open : text.find('>', open);
    if (close != std::string_view::npos) {
        text = slice(text, open + 1, close - open - 1);
    } else {
        // The address alone, perhaps with a (comment) after it.
        text = slice(text, 0, text.find_first_of(" \t("));
    }
    text = trimmed(text);
    copy_text(text.find('@') == std::string_view::npos ? std::string_view() : text, address, size);
}
