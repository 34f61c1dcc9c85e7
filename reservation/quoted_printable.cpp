#include "reservation/quoted_printable.h"

#include <cstdlib>
#include <cstring>

#include "common/text_scan.h"

char* decode_quoted_printable(const char* text)
{
    // Decoding never lengthens a text: its length and the NUL are enough.
    char* decoded = static_cast<char*>(malloc(strlen(text) + 1));
    if (!decoded)
        return nullptr;
    char* out = decoded;
    const char* p = text;
    while (*p != '\0') {
        if (*p != '=') {
            *out++ = *p++;
            continue;
        }
        // Mail transports may pad a line with blanks after its soft break.
        const char* padding_end = skip_blanks(p + 1);
        if (*padding_end == '\r' || *padding_end == '\n') {
            p = padding_end;
            while (*p == '\r' || *p == '\n')
                ++p;
            continue;
        }
        int high = hex_digit_value(p[1]);
        int low = high < 0 ? -1 : hex_digit_value(p[2]);
        if (low < 0) {
            *out++ = *p++;  // no escape: the "=" is itself, and so is what follows it
            continue;
        }
        *out++ = static_cast<char>(high << 4 | low);
        p += 3;
    }
    *out = '\0';
    return decoded;
}
