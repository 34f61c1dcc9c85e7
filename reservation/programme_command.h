#ifndef TOBALIN_RESERVATION_PROGRAMME_COMMAND_H
#define TOBALIN_RESERVATION_PROGRAMME_COMMAND_H

#include <string>

// Parses the reservation command at the start of a message body ("resv ",
// "resvp " or "open " ... "prog " "add "), looks its channel up in the TV
// station file at station_path and appends the programme-information text,
// its lines ended by LF, to file. 0 when it was appended; -1 when the
// command is refused (an empty station path refuses every command), and
// then nothing was appended.
int write_programme_info_from_command(const char* body, const char* station_path, std::string* file);

#endif
