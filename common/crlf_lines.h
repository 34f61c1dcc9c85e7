#ifndef TOBALIN_COMMON_CRLF_LINES_H
#define TOBALIN_COMMON_CRLF_LINES_H

#include <cstddef>

// The bytes of a text file whose every line ends in one CR LF: the line ends
// the recording application reads. Each LF becomes CR LF, and CRs standing
// directly before an LF belong to that line end, so text that already ends
// its lines in CR LF keeps them as they are. The last line ends like every
// other: a text that does not end with an LF gets a final CR LF, into which
// a run of CRs at its very end is taken. A CR that no LF follows is kept.
// Writes into lines, which has room for crlf_room(length) bytes, and gives
// the count written.
size_t crlf_lines(const char* text, size_t length, char* lines);

constexpr size_t crlf_room(size_t length)
{
    return 2 * length + 2;
}

#endif
