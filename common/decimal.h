#ifndef TOBALIN_COMMON_DECIMAL_H
#define TOBALIN_COMMON_DECIMAL_H

#include <cstdint>

// A decimal number read the way the C library's atol reads one: leading
// white space (space, tab, LF, VT, FF, CR) is skipped, one optional sign is
// taken, then digits up to the first non-digit; no digits give 0. A value
// beyond 32 bits saturates at INT32_MAX or INT32_MIN instead of overflowing,
// as the 32-bit Windows library does.
int32_t decimal_value(const char* text);

#endif
