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

// Past the word at p, which ends at a space or a tab here, and the blanks after it.
const char* skip_white_word(const char* p)
{
    while (*p != '\0' && *p != ' ' && *p != '\t')
        ++p;
    return skip_blanks(p);
}

// True when count characters stand before the end of the text.
bool has_at_least(const char* p, size_t count)
{
    for (size_t i = 0; i < count; ++i)
        if (p[i] == '\0')
            return false;
    return true;
}

// The decimal value of count characters, converted on their own.
int32_t decimal_of_chars(const char* p, size_t count)
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

// A group of four characters, which the caller has made sure are there.
bool read_two_pairs(const char** p, const group_range& range, int32_t* first, int32_t* second)
{
    *first = decimal_of_chars(*p, 2);
    *second = decimal_of_chars(*p + 2, 2);
    *p += 4;
    return in_range(*first, range.first_min, range.first_max) && in_range(*second, range.second_min, range.second_max);
}

// A time group after blanks.
drop_reason read_time(const char** p, int32_t* hour, int32_t* minute)
{
    *p = skip_blanks(*p);
    if (!has_at_least(*p, 4))
        return command_cut_short;
    return read_two_pairs(p, hour_minute, hour, minute) ? not_dropped : time_out_of_range;
}

// The letters at p, in either case, are the lower-case ones given, and a
// blank follows them.
bool word_in_any_case(const char* p, const char* lower)
{
    for (; *lower != '\0'; ++p, ++lower)
        if (*p != *lower && *p != *lower - 'a' + 'A')
            return false;
    return *p == ' ' || *p == '\t';
}

// A first line that a user meant as a command but did not write as one: a
// keyword in capitals or followed by a tab, or "open" with "prog" one or two
// words after it. ("Open" alone begins too many ordinary mails.)
bool looks_like_a_command(const char* p)
{
    if (word_in_any_case(p, "resv") || word_in_any_case(p, "resvp"))
        return true;
    if (!word_in_any_case(p, "open"))
        return false;
    const char* next = skip_white_word(p);
    return word_in_any_case(next, "prog") || word_in_any_case(skip_white_word(next), "prog");
}

// Recognises the form and moves past its keywords.
drop_reason read_keywords(const char** p, command_form* form)
{
    if (const char* rest = after_prefix(*p, "resv ")) {
        *form = resv_form;
        *p = rest;
        return not_dropped;
    }
    if (const char* rest = after_prefix(*p, "resvp ")) {
        *form = resvp_form;
        *p = skip_word(skip_blanks(rest));
        return not_dropped;
    }
    if (const char* rest = after_prefix(*p, "open ")) {
        rest = after_prefix(skip_blanks(skip_word(skip_blanks(rest))), "prog ");
        rest = rest ? after_prefix(skip_blanks(rest), "add ") : nullptr;
        if (rest) {
            *form = open_form;
            *p = rest;
            return not_dropped;
        }
    }
    return looks_like_a_command(*p) ? keyword_misspelt : no_command;
}

drop_reason parse_command(const char* body, reservation* r)
{
    const char* p = skip_blanks(body);
    command_form form;
    drop_reason reason = read_keywords(&p, &form);
    if (reason != not_dropped)
        return reason;

    p = skip_blanks(p);
    if (*p == '\0')
        return command_cut_short;
    if (form == open_form) {
        if (!has_at_least(p, 4))
            return command_cut_short;
        r->year = decimal_of_chars(p, 4);
        if (r->year < 2004)
            return date_out_of_range;
        p += 4;
    }
    if (!has_at_least(p, 4))
        return command_cut_short;
    if (!read_two_pairs(&p, month_day, &r->month, &r->day))
        return date_out_of_range;
    reason = read_time(&p, &r->start_hour, &r->start_minute);
    if (reason == not_dropped)
        reason = read_time(&p, &r->end_hour, &r->end_minute);
    if (reason != not_dropped)
        return reason;

    p = skip_blanks(p);
    if (*p == '\0')
        return command_cut_short;
    r->channel = decimal_value(p);
    if (!in_range(r->channel, 1, 999))
        return channel_out_of_range;
    p = skip_blanks(skip_word(p));

    if (form != open_form) {
        p = skip_blanks(skip_word(skip_blanks(skip_word(p))));
        // The title is the rest of its line: what follows belongs to the
        // message, not to the programme.
        r->title = p;
        r->title_length = strcspn(p, "\r\n");
    }
    return not_dropped;
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

drop_reason write_programme_info_from_command(const char* body, const char* station_path, char* file, size_t room,
                                              int32_t* channel)
{
    reservation r = {};  // no year, and no title but the default one
    drop_reason reason = parse_command(body, &r);
    *channel = r.channel;
    if (reason != not_dropped)
        return reason;
    if (station_path[0] == '\0')
        return no_station_file;
    int32_t year = year_of(r);
    char station[station_name_size];
    station_lookup found = lookup_station_name(station_path, r.channel, station);
    if (found != station_found)
        return found == station_file_not_read ? station_file_unreadable : channel_not_listed;

    const char* title = r.title ? r.title : default_title;
    size_t title_length = r.title ? r.title_length : strlen(default_title);
    int length = snprintf(file, room, file_layout, station, static_cast<int>(year), static_cast<int>(r.month),
                          static_cast<int>(r.day), static_cast<int>(r.start_hour), static_cast<int>(r.start_minute),
                          static_cast<int>(r.end_hour), static_cast<int>(r.end_minute),
                          static_cast<int>(title_length), title);
    // The room covers the longest file a body can give; a shorter room is the caller's fault.
    return length >= 0 && static_cast<size_t>(length) < room ? not_dropped : command_cut_short;
}
