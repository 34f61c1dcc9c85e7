#ifndef TOBALIN_AUTOMATION_BATCH_SCRIPT_H
#define TOBALIN_AUTOMATION_BATCH_SCRIPT_H

// Reads the script file at path whole and runs it: the script's result, 0,
// or -1 when the file cannot be read (nothing runs then).
int run_batch_file(const char* path);

// Runs a NUL-terminated script from its beginning. 0 in every case, also
// when a command stops the script.
int run_batch_script(const char* text);

#endif
