#ifndef TOBALIN_RESERVATION_PROGRAMME_COMMAND_H
#define TOBALIN_RESERVATION_PROGRAMME_COMMAND_H

#include "common/text_file.h"

// Parses the reservation command at the start of a message body ("resv ",
// "resvp " or "open " ... "prog " "add "), looks its channel up in the TV
// station file and writes the programme-information text to output.
// 0 when the file's lines have been written; -1 when the command is
// refused, and then nothing has been written.
int write_programme_info_from_command(text_file* output, const char* body);

#endif
