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

// An ASCII capital in lower case; any other byte as it is (mail's keywords
// are ASCII, and Shift_JIS trail bytes must not change).
inline char ascii_lower(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// The text begins with the word, its ASCII letters in either case.
inline bool begins_in_any_case(std::string_view text, std::string_view word)
{
    if (text.size() < word.size())
        return false;
    for (size_t i = 0; i < word.size(); ++i)
        if (ascii_lower(text[i]) != ascii_lower(word[i]))
            return false;
    return true;
}

inline bool same_in_any_case(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && begins_in_any_case(a, b);
}

// 0 to 15 for a hexadecimal digit in either case, -1 for any other byte.
inline int hex_digit_value(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    c = ascii_lower(c);
    return c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
}

inline bool in_range(int32_t value, int32_t low, int32_t high)
{
    return value >= low && value <= high;
}

#endif
