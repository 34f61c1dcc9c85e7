#include "common/crlf_lines.h"

#include <cstring>

size_t crlf_lines(const char* text, size_t length, char* lines)
{
    char* out = lines;
    size_t pending_cr = 0;  // CRs held back until the next byte shows what they are
    for (size_t i = 0; i < length; ++i) {
        char c = text[i];
        if (c == '\r') {
            ++pending_cr;
            continue;
        }
        if (c == '\n') {
            pending_cr = 0;
            *out++ = '\r';
        }
        memset(out, '\r', pending_cr);
        out += pending_cr;
        pending_cr = 0;
        *out++ = c;
    }
    if (length > 0 && text[length - 1] != '\n') {
        *out++ = '\r';
        *out++ = '\n';
    }
    return static_cast<size_t>(out - lines);
}
