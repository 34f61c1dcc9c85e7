// Quoted-printable decoding of arbitrary text: never longer than its input,
// nothing read past the end; and arbitrary bytes encoded the way mail
// clients and transports do it (=XX in either case, soft breaks padded with
// blanks, runs of line ends) decode back to those bytes, up to a 0 byte.
//
// Input: the bytes to encode; their encoding is decoded as well as the
// bytes themselves.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "reservation/quoted_printable.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string text(reinterpret_cast<const char*>(data), strnlen(reinterpret_cast<const char*>(data), size));
    char* decoded = decode_quoted_printable(text.c_str());
    if (!decoded || strlen(decoded) > text.size())
        __builtin_trap();
    free(decoded);

    static const char* const hex[] = {"0123456789ABCDEF", "0123456789abcdef"};
    static const char* const soft_breaks[] = {"=\r\n", "= \r\n", "=\t \n", "=\r\n\r\n", "=\n"};
    std::string encoded, plain(reinterpret_cast<const char*>(data), size);
    for (size_t i = 0; i < size; ++i) {
        unsigned char c = data[i];
        const char* digits = hex[i % 2];
        encoded += {'=', digits[c >> 4], digits[c & 15]};
        if (c % 7 == 0)
            encoded += soft_breaks[c % 5];
    }
    decoded = decode_quoted_printable(encoded.c_str());
    if (!decoded || strcmp(decoded, plain.c_str()) != 0)
        __builtin_trap();
    free(decoded);
    return 0;
}
