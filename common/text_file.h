#ifndef TOBALIN_COMMON_TEXT_FILE_H
#define TOBALIN_COMMON_TEXT_FILE_H

#include <cstddef>
#include <cstdio>

// An output file whose lines end in CR LF on disk, on every platform: the
// line ends the recording application reads. Each LF is stored as CR LF, and
// carriage returns standing directly before an LF belong to that line end,
// so text that already ends its lines in CR LF is not stored as CR CR LF.
// A CR that no LF follows is kept as it is.
struct text_file {
    FILE* stream;
    size_t pending_cr;  // CRs held back until the next byte shows what they are
    bool failed;        // a write went wrong; reported by text_file_close
};

// Creates the file, or empties it if it exists. 0, or -1 when it cannot be opened.
int text_file_create(text_file* file, const char* path);

void text_file_write(text_file* file, const char* bytes, size_t length);
void text_file_puts(text_file* file, const char* text);
#if defined(__GNUC__)
__attribute__((format(printf, 2, 3)))
#endif
void text_file_printf(text_file* file, const char* format, ...);

// Closes the file. 0 when every byte written reached it, else -1.
int text_file_close(text_file* file);

#endif
