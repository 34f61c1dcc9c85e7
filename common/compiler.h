#ifndef TOBALIN_COMMON_COMPILER_H
#define TOBALIN_COMMON_COMPILER_H

// The one place that asks which compiler builds the program.

// Inlined into the loops whatever the compiler's size heuristics say, or
// kept out of them.
#if defined(_MSC_VER)
#define HOT_PATH __forceinline
#define COLD_PATH __declspec(noinline)
#else
#define HOT_PATH inline __attribute__((always_inline))
#define COLD_PATH __attribute__((noinline))
#endif

// Lets the compiler check a printf-style format against its arguments.
#if defined(__GNUC__)
#define PRINTF_FORMAT(format_index, first_argument) __attribute__((format(printf, format_index, first_argument)))
#else
#define PRINTF_FORMAT(format_index, first_argument)
#endif

#endif
