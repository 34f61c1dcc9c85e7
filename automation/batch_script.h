#ifndef TOBALIN_AUTOMATION_BATCH_SCRIPT_H
#define TOBALIN_AUTOMATION_BATCH_SCRIPT_H

#include <cstdint>

#include "platform/desktop.h"

// The windows one run of a script has found, numbered 0 to 9. Every run
// starts with all ten empty; only the two searches write 1 to 9. Entry 0 is
// never written: as a parent it means the top-level windows. The entries
// stay as the run left them until the next run empties them.
constexpr int window_slot_count = 10;
extern os_window window_slots[window_slot_count];

// Only this much of a command's text counts, from its keyword on.
constexpr int command_length = 120;
// Room for the window text a title check reads, NUL included.
constexpr int title_buffer_size = 128;

// Reads the script file at path whole and runs it: the script's result, 0,
// or -1 when the file cannot be read (nothing runs then).
int run_batch_file(const char* path);

// Runs a NUL-terminated script from its beginning. 0 in every case, also
// when a command stops the script.
int run_batch_script(const char* text);

// Skips blanks, reads one number the way strtoul with base 0 reads it, on
// 32 bits ("0x" hexadecimal, a leading 0 octal, a minus sign negates modulo
// 2^32, a value past 32 bits gives 0xFFFFFFFF, no digits give 0), then skips
// the blanks after it. *rest is where the remaining text begins; with no
// digits it is the first character after the leading blanks. Returns 0.
int read_number(char* text, uint32_t* value, char** rest);

// Reads an attempt count and the delay between attempts in milliseconds
// ("30, 1000"), both decimal as atol reads them: the count where the text
// begins, the delay after the first comma from there on (0 when there is no
// comma). A count below 1, a missing one included, is one attempt. Returns 0.
int read_count_delay(const char* text, int32_t* count, uint32_t* delay);

#endif
