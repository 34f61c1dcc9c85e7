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

#endif
