// Quoted-printable decoding.
#include <cstdlib>
#include <cstring>

#include "reservation/interpret_message.h"

static int hex_value(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return 0;  // not a hexadecimal digit
}

char* decode_quoted_printable(const char* text)
{
    size_t length = strlen(text);
    char* decoded = static_cast<char*>(malloc(length + 16));
    if (!decoded)
        return nullptr;
    char* out = decoded;
    const char* p = text;
    while (*p) {
        if (*p != '=') {
            *out++ = *p++;
        } else if (p[1] == '\r' || p[1] == '\n') {
            // A soft line break: the "=" and the line ends after it vanish.
            ++p;
            while (*p == '\r' || *p == '\n')
                ++p;
        } else if (p[1] == '\0' || p[2] == '\0') {
            // An escape cut off by the end of the text is kept as it stands.
            while (*p)
                *out++ = *p++;
        } else {
            *out++ = static_cast<char>(hex_value(p[1]) << 4 | hex_value(p[2]));
            p += 3;
        }
    }
    *out = '\0';
    return decoded;
}
