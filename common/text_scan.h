#ifndef TOBALIN_COMMON_TEXT_SCAN_H
#define TOBALIN_COMMON_TEXT_SCAN_H

#include <cstdint>
#include <cstring>
#include <string_view>

// Walking NUL-terminated 8-bit text byte by byte. Each call takes the
// position and gives the new one; none reads past the NUL. Like strchr, each
// has a char* twin for text the caller may write into.

// The text after a literal that p begins with (case-sensitive), or null when
// it does not begin with it.
inline const char* after_prefix(const char* p, const char* literal)
{
    size_t length = strlen(literal);
    return strncmp(p, literal, length) == 0 ? p + length : nullptr;
}

// Past a run of spaces (0x20 only).
inline const char* skip_spaces(const char* p)
{
    while (*p == ' ')
        ++p;
    return p;
}

// Past a run of blanks: spaces and tabs.
inline const char* skip_blanks(const char* p)
{
    while (*p == ' ' || *p == '\t')
        ++p;
    return p;
}

// Past a run of spaces, tabs, CRs and LFs.
inline const char* skip_white(const char* p)
{
    while (*p == ' ' || *p == '\t' || *p == '\r' || *p == '\n')
        ++p;
    return p;
}

// The LF that ends the line at p, or the end of the text.
inline const char* line_end(const char* p)
{
    while (*p != '\0' && *p != '\n')
        ++p;
    return p;
}

inline char* after_prefix(char* p, const char* literal)
{
    return const_cast<char*>(after_prefix(static_cast<const char*>(p), literal));
}
inline char* skip_blanks(char* p)
{
    return const_cast<char*>(skip_blanks(static_cast<const char*>(p)));
}

// Part of a text, from a position, at most count bytes: what substr gives,
// without the exception a position past the end would throw (the program
// links no exception support), clamped instead.
inline std::string_view slice(std::string_view text, size_t from, size_t count = std::string_view::npos)
{
    if (from > text.size())
        from = text.size();
    size_t rest = text.size() - from;
    return std::string_view(text.data() + from, count < rest ? count : rest);
}

inline bool in_range(int32_t value, int32_t low, int32_t high)
{
    return value >= low && value <= high;
}

#endif
