#include "common/crlf_lines.h"

std::string crlf_lines(const char* text, size_t length)
{
    std::string lines;
    lines.reserve(length + length / 16 + 2);
    size_t pending_cr = 0;  // CRs held back until the next byte shows what they are
    for (size_t i = 0; i < length; ++i) {
        char c = text[i];
        if (c == '\r') {
            ++pending_cr;
        } else if (c == '\n') {
            pending_cr = 0;
            lines += "\r\n";
        } else {
            lines.append(pending_cr, '\r');
            pending_cr = 0;
            lines += c;
        }
    }
    if (length > 0 && text[length - 1] != '\n')
        lines += "\r\n";
    return lines;
}
