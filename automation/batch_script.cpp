// The batch script interpreter: works other programs' windows the way the
// user's script says, line by line. It shows nothing and logs nothing; a bad
// line is skipped or ends the script, but never stops the caller.
#include "automation/batch_script.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "common/decimal.h"
#include "common/text_scan.h"
#include "platform/clock.h"
#include "platform/desktop.h"
#include "platform/files.h"

namespace {

// The windows one run of a script has found, numbered 0 to 9. Every run
// starts with all ten empty; only the two searches write 1 to 9. Entry 0 is
// never written: as a parent it means the top-level windows.
os_window window_slots[10];

// Only this much of a command's text counts, from its keyword on.
constexpr int command_length = 120;
// Room for the window text a title check reads, NUL included.
constexpr int title_buffer_size = 128;

enum outcome { command_done, line_skipped, script_stopped };

// Sleep takes this value as a wait without end.
const uint32_t endless_pause = 0xFFFFFFFF;

// White space as the C library's isspace gives it.
bool is_space(char c)
{
    return c == ' ' || (c >= '\t' && c <= '\r');
}

// 0 to 35 for a digit or letter; 36 for anything else.
unsigned digit_value(char c)
{
    if (c >= '0' && c <= '9')
        return static_cast<unsigned>(c - '0');
    if (c >= 'a' && c <= 'z')
        return static_cast<unsigned>(c - 'a' + 10);
    if (c >= 'A' && c <= 'Z')
        return static_cast<unsigned>(c - 'A' + 10);
    return 36;
}

// Skips blanks, reads one number the way strtoul with base 0 reads it, on
// 32 bits ("0x" hexadecimal, a leading 0 octal, a minus sign negates modulo
// 2^32, a value past 32 bits gives 0xFFFFFFFF, no digits give 0), then skips
// the blanks after it. *rest is where the remaining text begins; with no
// digits it is the first character after the leading blanks.
void read_number(char* text, uint32_t* value, char** rest)
{
    char* start = skip_blanks(text);
    char* p = start;
    while (is_space(*p))
        ++p;
    bool negative = *p == '-';
    if (*p == '-' || *p == '+')
        ++p;
    unsigned base = 10;
    if (p[0] == '0' && (p[1] == 'x' || p[1] == 'X') && digit_value(p[2]) < 16) {
        base = 16;
        p += 2;
    } else if (p[0] == '0') {
        base = 8;
    }
    const uint64_t limit = 0xFFFFFFFF;
    uint64_t magnitude = 0;
    char* digits = p;
    for (; digit_value(*p) < base; ++p)
        if (magnitude <= limit)
            magnitude = magnitude * base + digit_value(*p);
    if (p == digits) {
        *value = 0;
        *rest = start;
        return;
    }
    if (magnitude > limit)
        *value = 0xFFFFFFFF;
    else
        *value = negative ? 0u - static_cast<uint32_t>(magnitude) : static_cast<uint32_t>(magnitude);
    *rest = skip_blanks(p);
}

// Reads an attempt count and the delay between attempts in milliseconds
// ("30, 1000"), both decimal as atol reads them: the count where the text
// begins, the delay after the first comma from there on (0 when there is no
// comma). A count below 1, a missing one included, is one attempt.
void read_count_delay(const char* text, int32_t* count, uint32_t* delay)
{
    text = skip_blanks(text);
    *count = decimal_value(text);
    // The comma is looked for from the count's start, not its end.
    const char* comma = strchr(text, ',');
    *delay = comma ? static_cast<uint32_t>(decimal_value(comma + 1)) : 0;
    // A negative count would count down through almost 2^32 attempts: like
    // 0 or a missing count, it means one attempt.
    if (*count < 1)
        *count = 1;
}

// A pause of 0xFFFFFFFF ms would block the program for good, so it is left
// out; every finite pause, however long, is the script's choice and is made.
void pause(uint32_t milliseconds)
{
    if (milliseconds != endless_pause)
        os_clock->sleep(milliseconds);
}

// Reads the slot number a command begins with; false when it is not 1 to 9
// (read as a signed number, -1 is out of range as much as 10 is).
bool read_slot(char** p, uint32_t* slot)
{
    read_number(*p, slot, p);
    return *slot >= 1 && *slot <= 9;
}

// After blanks, the separator c and the blanks after it; null when c is
// not there.
char* after_separator(char* p, char c)
{
    p = skip_blanks(p);
    return *p == c ? skip_blanks(p + 1) : nullptr;
}

// At p a double quote must open a string whose closing quote is in the
// command text. Cuts the string out at its closing quote and gives the text
// after it; null when either quote is missing.
char* cut_quoted(char* p, char** string)
{
    if (!p || *p != '"')
        return nullptr;
    char* close = strchr(p + 1, '"');
    if (!close)
        return nullptr;
    *close = '\0';
    *string = p + 1;
    return close + 1;
}

// "FindWindow " slot "class" count, delay
outcome find_window_command(char* p)
{
    uint32_t slot;
    if (!read_slot(&p, &slot))
        return script_stopped;
    char* class_name;
    p = cut_quoted(p, &class_name);
    if (!p)
        return line_skipped;
    int32_t count;
    uint32_t delay;
    read_count_delay(p, &count, &delay);
    // Every attempt's result is stored, so a search that never succeeds
    // leaves the slot empty.
    for (int32_t left = count; left > 0; --left) {
        window_slots[slot] = os_desktop->find_window(class_name, nullptr);
        if (window_slots[slot])
            break;
        pause(delay);
    }
    return command_done;
}

// "FindWindowEx " slot parent, "class", "title", count, delay
outcome find_window_ex_command(char* p)
{
    uint32_t slot, parent;
    if (!read_slot(&p, &slot))
        return script_stopped;
    read_number(p, &parent, &p);
    if (parent > 9)
        return script_stopped;
    if (parent != 0 && !window_slots[parent])
        return line_skipped;
    char *class_name, *title;
    p = cut_quoted(after_separator(p, ','), &class_name);
    p = p ? cut_quoted(after_separator(p, ','), &title) : nullptr;
    p = p ? after_separator(p, ',') : nullptr;
    if (!p)
        return line_skipped;
    int32_t count;
    uint32_t delay;
    read_count_delay(p, &count, &delay);
    // The parent's window is taken once, before the first attempt: when the
    // result slot is the parent slot too, a failed attempt empties it, and
    // the later attempts must still search inside that window rather than
    // among the top-level windows.
    os_window parent_window = window_slots[parent];
    for (int32_t left = count; left > 0; --left) {
        window_slots[slot] = os_desktop->find_window_ex(parent_window, nullptr, class_name, title);
        if (window_slots[slot])
            break;
        pause(delay);
    }
    return command_done;
}

// "TitleCheck " slot "title" count, delay
outcome title_check_command(char* p)
{
    uint32_t slot;
    if (!read_slot(&p, &slot))
        return script_stopped;
    os_window window = window_slots[slot];
    if (!window)
        return line_skipped;
    char* title;
    p = cut_quoted(p, &title);
    if (!p)
        return line_skipped;
    int32_t count;
    uint32_t delay;
    read_count_delay(p, &count, &delay);
    char window_text[title_buffer_size];
    for (int32_t left = count; left > 0; --left) {
        // A window that gives no text (or no longer exists) shows "".
        window_text[0] = '\0';
        os_desktop->get_window_text(window, window_text, title_buffer_size);
        window_text[title_buffer_size - 1] = '\0';
        if (strcmp(window_text, title) == 0)
            break;
        pause(delay);
    }
    return command_done;
}

// "SendMessage " or "PostMessage " slot message, wParam, lParam; the two
// last ones are optional and read as 0 when left out.
outcome message_command(char* p, bool post)
{
    uint32_t slot;
    if (!read_slot(&p, &slot))
        return script_stopped;
    if (!window_slots[slot])
        return line_skipped;
    uint32_t message, wparam = 0, lparam = 0;
    read_number(p, &message, &p);
    if (*p == ',')
        read_number(p + 1, &wparam, &p);
    if (*p == ',')
        read_number(p + 1, &lparam, &p);
    if (post)
        os_desktop->post_message(window_slots[slot], message, wparam, lparam);
    else
        os_desktop->send_message(window_slots[slot], message, wparam, lparam);
    return command_done;
}

outcome send_message_command(char* p)
{
    return message_command(p, false);
}

outcome post_message_command(char* p)
{
    return message_command(p, true);
}

// "SetForegroundWindow " slot
outcome set_foreground_window_command(char* p)
{
    uint32_t slot;
    if (!read_slot(&p, &slot))
        return script_stopped;
    if (!window_slots[slot])
        return line_skipped;
    os_desktop->set_foreground_window(window_slots[slot]);
    return command_done;
}

// "Sleep " milliseconds
outcome sleep_command(char* p)
{
    uint32_t milliseconds;
    read_number(p, &milliseconds, &p);
    pause(milliseconds);
    return command_done;
}

// Each keyword ends in its one space, so no command matches two of them.
struct command_entry {
    const char* keyword;
    outcome (*run)(char* arguments);
};

const command_entry commands[] = {
    {"FindWindow ", find_window_command},   {"FindWindowEx ", find_window_ex_command},
    {"TitleCheck ", title_check_command},   {"SendMessage ", send_message_command},
    {"PostMessage ", post_message_command}, {"SetForegroundWindow ", set_foreground_window_command},
    {"Sleep ", sleep_command},
};

// Copies one command's text out of the script: up to the line's end or a
// "#" outside double quotes, at most command_length characters. Inside
// quotes a line end does not end it. Gives the position where it stopped.
const char* collect_command(const char* p, char command[command_length + 1])
{
    bool quoted = false;
    int length = 0;
    while (length < command_length) {
        if (*p == '"')
            quoted = !quoted;
        if (*p == '\0' || (!quoted && (*p == '\r' || *p == '\n' || *p == '#')))
            break;
        command[length++] = *p++;
    }
    command[length] = '\0';
    return p;
}

}  // namespace

int run_batch_script(const char* text)
{
    for (os_window& slot : window_slots)
        slot = nullptr;
    const char* p = text;
    while (*p) {
        p = skip_white(p);
        if (*p == '#') {
            p = line_end(p);
            continue;
        }
        char command[command_length + 1];
        p = collect_command(p, command);
        // The rest of the line is dropped: a comment, what lies past the
        // 120 characters, or, after a CR, all up to the next LF.
        p = line_end(p);
        for (const command_entry& entry : commands) {
            if (char* arguments = after_prefix(command, entry.keyword)) {
                if (entry.run(arguments) == script_stopped)
                    return 0;
                break;
            }
        }
    }
    return 0;
}

int run_batch_file(const char* path)
{
    char* text;
    size_t length;
    if (os_files->read_whole_file(path, &text, &length) != os_ok)
        return -1;
    int result = run_batch_script(text);
    free(text);
    return result;
}
