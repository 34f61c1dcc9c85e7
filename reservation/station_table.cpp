// The TV station file: lines of channel number, comma and station name,
// blank lines and "#" comments.
#include "reservation/station_table.h"

#include <cstdlib>
#include <cstring>

#include "common/decimal.h"
#include "platform/files.h"

static bool is_white(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

static const char* next_line_feed(const char* p)
{
    while (*p && *p != '\n')
        ++p;
    return p;
}

int find_station_name(const char* text, int32_t channel, char name[station_name_size])
{
    name[0] = '\0';
    const char* p = text;
    while (*p) {
        while (is_white(*p))
            ++p;
        if (*p == '\0')
            break;
        if (*p != '#' && decimal_value(p) == channel) {
            // The first comma from the start of the matching line, even on
            // a later line; the name may stand on the line after it.
            const char* comma = strchr(p, ',');
            if (!comma)
                return -1;
            const char* start = comma + 1;
            while (is_white(*start))
                ++start;
            const char* end = start;
            while (*end && !is_white(*end))
                ++end;
            size_t length = static_cast<size_t>(end - start);
            if (length == 0 || length >= station_name_size)
                return -1;
            memcpy(name, start, length);
            name[length] = '\0';
            return 0;
        }
        p = next_line_feed(p);
    }
    return -1;
}

int lookup_station_name(const char* path, int32_t channel, char name[station_name_size])
{
    char* text;
    size_t length;
    if (os_files->read_whole_file(path, &text, &length) != os_ok)
        return -1;
    int result = find_station_name(text, channel, name);
    free(text);
    return result;
}
