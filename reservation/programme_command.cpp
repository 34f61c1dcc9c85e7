// Reservation commands and the programme-information file written from them.
#include "reservation/programme_command.h"

#include <cstdint>
#include <cstdio>
#include <cstring>

#include "common/decimal.h"
#include "common/text_scan.h"
#include "platform/clock.h"
#include "reservation/station_table.h"

namespace {

// The file, line by line.
const char file_layout[] =
    "Content-type: application/x-tv-program-info; charset=shift_jis\n"
    "version: 1\n"
    "station: %s\n"
    "year: %04d\n"
    "month: %d\n"
    "date: %d\n"
    "start: %02d:%02d\n"
    "end: %02d:%02d\n"
    "program-title: %.*s\n"
    "program-subtitle: \n"
    "genre: \n"
    "subgenre: \n"
    "Extend: 0\n"
    "\n";

// "Tobalin" followed by the Shift_JIS for "reservation".
const char default_title[] = "Tobalin\x97\x5C\x96\xF1";

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

// A word runs to the next space; tabs and line ends belong to it.
const char* skip_word(const char* p)
{
    while (*p != '\0' && *p != ' ')
        ++p;
    return p;
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

// Recognises the form and moves past its keywords; false for no known form.
bool read_keywords(const char** p, command_form* form)
{
    if (const char* rest = after_prefix(*p, "resv ")) {
        *form = resv_form;
        *p = rest;
        return true;
    }
    if (const char* rest = after_prefix(*p, "resvp ")) {
        *form = resvp_form;
        *p = skip_word(skip_blanks(rest));
        return true;
    }
    if (const char* rest = after_prefix(*p, "open ")) {
        *form = open_form;
        rest = after_prefix(skip_blanks(skip_word(skip_blanks(rest))), "prog ");
        rest = rest ? after_prefix(skip_blanks(rest), "add ") : nullptr;
        *p = rest;
        return rest != nullptr;
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

int write_programme_info_from_command(const char* body, const char* station_path, char* file, size_t room)
{
    if (station_path[0] == '\0')
        return -1;
    reservation r = {};  // no year, and no title but the default one
    if (!parse_command(body, &r))
        return -1;
    int32_t year = year_of(r);
    char station[station_name_size];
    if (lookup_station_name(station_path, r.channel, station) != 0)
        return -1;

    const char* title = r.title ? r.title : default_title;
    size_t title_length = r.title ? r.title_length : strlen(default_title);
    int length = snprintf(file, room, file_layout, station, static_cast<int>(year), static_cast<int>(r.month),
                          static_cast<int>(r.day), static_cast<int>(r.start_hour), static_cast<int>(r.start_minute),
                          static_cast<int>(r.end_hour), static_cast<int>(r.end_minute),
                          static_cast<int>(title_length), title);
    return length >= 0 && static_cast<size_t>(length) < room ? 0 : -1;
}
