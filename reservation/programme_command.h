#ifndef TOBALIN_RESERVATION_PROGRAMME_COMMAND_H
#define TOBALIN_RESERVATION_PROGRAMME_COMMAND_H

#include <cstddef>
#include <cstdint>

#include "reservation/drop_reason.h"

// Room the programme-information text of a command takes beyond the
// length of the body it comes from (whose line is the most of it a title
// can take).
constexpr size_t programme_file_overhead = 512;

// Parses the reservation command at the start of a message body ("resv ",
// "resvp " or "open " ... "prog " "add "), looks its channel up in the TV
// station file at station_path and writes the programme-information text,
// its lines ended by LF, NUL-terminated, into file, which has room bytes:
// strlen(body) + programme_file_overhead are enough. not_dropped when it was
// written; otherwise why the body is no command, or why the command is
// refused (an empty station path refuses every command). *channel is the
// command's channel once it has been read, else 0.
drop_reason write_programme_info_from_command(const char* body, const char* station_path, char* file, size_t room,
                                              int32_t* channel);

#endif
