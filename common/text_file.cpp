#include "common/text_file.h"

#include <cstdarg>
#include <cstdlib>
#include <cstring>

int text_file_create(text_file* file, const char* path)
{
    file->stream = fopen(path, "wb");
    file->pending_cr = 0;
    file->failed = false;
    return file->stream ? 0 : -1;
}

static void flush_pending_cr(text_file* file)
{
    for (; file->pending_cr > 0; --file->pending_cr)
        if (putc('\r', file->stream) == EOF)
            file->failed = true;
}

void text_file_write(text_file* file, const char* bytes, size_t length)
{
    for (size_t i = 0; i < length; ++i) {
        char c = bytes[i];
        if (c == '\r') {
            ++file->pending_cr;
            continue;
        }
        if (c == '\n') {
            file->pending_cr = 0;
            if (fputs("\r\n", file->stream) == EOF)
                file->failed = true;
            continue;
        }
        flush_pending_cr(file);
        if (putc(c, file->stream) == EOF)
            file->failed = true;
    }
}

void text_file_puts(text_file* file, const char* text)
{
    text_file_write(file, text, strlen(text));
}

void text_file_printf(text_file* file, const char* format, ...)
{
    char line[256];
    va_list args;
    va_start(args, format);
    int length = vsnprintf(line, sizeof line, format, args);
    va_end(args);
    if (length < 0) {
        file->failed = true;
        return;
    }
    if (static_cast<size_t>(length) < sizeof line) {
        text_file_write(file, line, static_cast<size_t>(length));
        return;
    }
    // Longer than a line of the usual kind: format again into a block that fits.
    char* long_line = static_cast<char*>(malloc(static_cast<size_t>(length) + 1));
    if (!long_line) {
        file->failed = true;
        return;
    }
    va_start(args, format);
    vsnprintf(long_line, static_cast<size_t>(length) + 1, format, args);
    va_end(args);
    text_file_write(file, long_line, static_cast<size_t>(length));
    free(long_line);
}

int text_file_close(text_file* file)
{
    flush_pending_cr(file);
    if (fclose(file->stream) != 0)
        file->failed = true;
    file->stream = nullptr;
    return file->failed ? -1 : 0;
}
