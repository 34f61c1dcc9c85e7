// The TV station file: lines of channel number, comma and station name,
// blank lines and "#" comments.
#include "reservation/station_table.h"

#include <cstdlib>
#include <cstring>

#include "common/decimal.h"
#include "common/text_scan.h"
#include "platform/files.h"

// The name after the comma that must stand on the channel's line; the name
// itself may stand on a later line.
static int name_on_line(const char* line, char name[station_name_size])
{
    const char* end = line_end(line);
    const char* comma = static_cast<const char*>(memchr(line, ',', static_cast<size_t>(end - line)));
    if (!comma)
        return -1;
    const char* start = skip_white(comma + 1);
    const char* stop = start;
    while (*stop != '\0' && *stop != ' ' && *stop != '\t' && *stop != '\r' && *stop != '\n')
        ++stop;
    size_t length = static_cast<size_t>(stop - start);
    if (length == 0 || length >= station_name_size)
        return -1;
    memcpy(name, start, length);
    name[length] = '\0';
    return 0;
}

static int find_station_name(const char* text, int32_t channel, char name[station_name_size])
{
    name[0] = '\0';
    for (const char* line = skip_white(text); *line != '\0'; line = skip_white(line_end(line))) {
        // The first line with the channel's number decides. A comment line,
        // which begins with "#", has no number: it never matches.
        if (decimal_value(line) == channel)
            return name_on_line(line, name);
    }
    return -1;
}

station_lookup lookup_station_name(const char* path, int32_t channel, char name[station_name_size])
{
    char* text;
    size_t length;
    if (os_files->read_whole_file(path, &text, &length) != os_ok)
        return station_file_not_read;
    int result = find_station_name(text, channel, name);
    free(text);
    return result == 0 ? station_found : station_not_listed;
}
