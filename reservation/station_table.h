#ifndef TOBALIN_RESERVATION_STATION_TABLE_H
#define TOBALIN_RESERVATION_STATION_TABLE_H

#include <cstdint>

// Room for a station name and its NUL.
constexpr int station_name_size = 128;

enum station_lookup {
    station_found = 0,
    station_not_listed = -1,       // the file was read; no line names the channel
    station_file_not_read = -2,  // the file could not be read
};

// Finds the station name for a channel in the TV station file at path:
// lines of channel number, comma and name (one word), "#" comments and blank
// lines. The file is read at every call, so an edit counts at the next one.
// station_found with the name in the buffer; otherwise the buffer is empty
// when the file was read and untouched when it could not be read. A matching
// line without its comma, a name too long for the buffer, and a comma with
// no name after it count as not listed.
station_lookup lookup_station_name(const char* path, int32_t channel, char name[station_name_size]);

#endif
