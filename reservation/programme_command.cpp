// Reservation commands and the programme-information file written from them.
#include "reservation/programme_command.h"

#include <cstdint>
#include <cstring>

#include "common/decimal.h"
#include "platform/clock.h"
#include "reservation/station_table.h"
#include "settings/settings.h"

namespace {

// "program-title: Tobalin" followed by the Shift_JIS for "reservation".
const char default_title_line[] = "program-title: Tobalin\x97\x5C\x96\xF1\n";

enum command_form { resv_form, resvp_form, open_form };

struct reservation {
    int32_t year;  // 0 when the command gives none
    int32_t month, day;
    int32_t start_hour, start_minute;
    int32_t end_hour, end_minute;
    int32_t channel;
    const char* title;  // null for the default title
    size_t title_length;
};

const char* skip_blanks(const char* p)
{
    while (*p == ' ' || *p == '\t')
        ++p;
    return p;
}

// A word runs to the next space; tabs and line ends belong to it.
const char* skip_word(const char* p)
{
    while (*p && *p != ' ')
        ++p;
    return p;
}

bool starts_with(const char* p, const char* keyword)
{
    return strncmp(p, keyword, strlen(keyword)) == 0;
}

// True when count characters stand before the end of the text.
bool has_chars(const char* p, size_t count)
{
    for (size_t i = 0; i < count; ++i)
        if (p[i] == '\0')
            return false;
    return true;
}

// The decimal value of count characters, converted on their own.
int32_t run_value(const char* p, size_t count)
{
    char run[5] = {};
    memcpy(run, p, count);
    return decimal_value(run);
}

bool in_range(int32_t value, int32_t low, int32_t high)
{
    return value >= low && value <= high;
}

// A group of two pairs, each within its range; moves past it.
struct group_range {
    int32_t first_min, first_max, second_min, second_max;
};

const group_range month_day = {1, 12, 1, 31};
const group_range hour_minute = {0, 23, 0, 59};

bool read_group(const char** p, const group_range& range, int32_t* first, int32_t* second)
{
    if (!has_chars(*p, 4))
        return false;
    *first = run_value(*p, 2);
    *second = run_value(*p + 2, 2);
    *p += 4;
    return in_range(*first, range.first_min, range.first_max) && in_range(*second, range.second_min, range.second_max);
}

bool read_time(const char** p, int32_t* hour, int32_t* minute)
{
    *p = skip_blanks(*p);
    return **p != '\0' && read_group(p, hour_minute, hour, minute);
}

// Returns the form and moves past the keywords, or returns false.
bool read_keywords(const char** p, command_form* form)
{
    if (starts_with(*p, "resv ")) {
        *form = resv_form;
        *p += 5;
        return true;
    }
    if (starts_with(*p, "resvp ")) {
        *form = resvp_form;
        *p = skip_word(skip_blanks(*p + 6));
        return true;
    }
    if (starts_with(*p, "open ")) {
        *form = open_form;
        *p = skip_blanks(skip_word(skip_blanks(*p + 5)));
        if (!starts_with(*p, "prog "))
            return false;
        *p = skip_blanks(*p + 5);
        if (!starts_with(*p, "add "))
            return false;
        *p += 4;
        return true;
    }
    return false;
}

bool parse_command(const char* body, reservation* r)
{
    const char* p = skip_blanks(body);
    command_form form;
    if (*p == '\0' || !read_keywords(&p, &form))
        return false;

    p = skip_blanks(p);
    if (*p == '\0')
        return false;
    r->year = 0;
    if (form == open_form) {
        if (!has_chars(p, 4))
            return false;
        r->year = run_value(p, 4);
        if (r->year < 2004)
            return false;
        p += 4;
    }
    if (!read_group(&p, month_day, &r->month, &r->day))
        return false;
    if (!read_time(&p, &r->start_hour, &r->start_minute) || !read_time(&p, &r->end_hour, &r->end_minute))
        return false;

    p = skip_blanks(p);
    if (*p == '\0')
        return false;
    r->channel = decimal_value(p);
    if (!in_range(r->channel, 1, 999))
        return false;
    p = skip_blanks(skip_word(p));

    r->title = nullptr;
    r->title_length = 0;
    if (form != open_form) {
        p = skip_blanks(skip_word(skip_blanks(skip_word(p))));
        // The title is the rest of its line: what follows belongs to the
        // message, not to the programme.
        r->title = p;
        r->title_length = strcspn(p, "\r\n");
    }
    return true;
}

// A date without a year is the next one to come: today or later this year,
// else next year.
int32_t year_of(const reservation& r)
{
    if (r.year != 0)
        return r.year;
    os_date today;
    os_clock->local_date(&today);
    bool passed = today.month > r.month || (today.month == r.month && today.day > r.day);
    return today.year + (passed ? 1 : 0);
}

}  // namespace

int write_programme_info_from_command(text_file* output, const char* body)
{
    if (Settings.Station[0] == '\0')
        return -1;
    reservation r;
    if (!parse_command(body, &r))
        return -1;
    int32_t year = year_of(r);
    char station[station_name_size];
    if (lookup_station_name(Settings.Station, r.channel, station) != 0)
        return -1;

    text_file_puts(output, "Content-type: application/x-tv-program-info; charset=shift_jis\n");
    text_file_puts(output, "version: 1\n");
    text_file_printf(output, "station: %s\n", station);
    text_file_printf(output, "year: %04d\n", static_cast<int>(year));
    text_file_printf(output, "month: %d\n", static_cast<int>(r.month));
    text_file_printf(output, "date: %d\n", static_cast<int>(r.day));
    text_file_printf(output, "start: %02d:%02d\n", static_cast<int>(r.start_hour), static_cast<int>(r.start_minute));
    text_file_printf(output, "end: %02d:%02d\n", static_cast<int>(r.end_hour), static_cast<int>(r.end_minute));
    if (r.title) {
        text_file_puts(output, "program-title: ");
        text_file_write(output, r.title, r.title_length);
        text_file_puts(output, "\n");
    } else {
        text_file_puts(output, default_title_line);
    }
    text_file_puts(output, "program-subtitle: \n");
    text_file_puts(output, "genre: \n");
    text_file_puts(output, "subgenre: \n");
    text_file_puts(output, "Extend: 0\n");
    text_file_puts(output, "\n");
    return 0;
}
