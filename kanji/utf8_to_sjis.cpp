// UTF-8 to Shift_JIS: the source is decoded a character at a time and each
// character looked up in the table that kanji/make_utf8_to_sjis_table.py
// makes from Python's cp932 codec when the program is built. Everything the
// conversion needs lives in its own local variables: no state is kept.
#include "kanji/utf8_to_sjis.h"

#include <cstdint>

#include "common/compiler.h"
#include "common/text_scan.h"
#include "kanji/utf8_to_sjis_table.h"

namespace {

constexpr int geta_mark = 0x81AC;  // 〓, the mark Japanese text puts for a character it cannot show
constexpr int32_t ill_formed = -1;

}  // namespace

// The bits set in a word, worked out: the 32-bit program runs on processors
// without a population count instruction.
static HOT_PATH int bits_set(uint64_t word)
{
    word -= (word >> 1) & 0x5555555555555555u;
    word = (word & 0x3333333333333333u) + ((word >> 2) & 0x3333333333333333u);
    word = (word + (word >> 4)) & 0x0F0F0F0F0F0F0F0Fu;
    return static_cast<int>((word * 0x0101010101010101u) >> 56);
}

// The user-defined area, U+E000 to U+E757, is the rows F0 to F9 in order,
// 188 codes to a row, as in every other row.
static COLD_PATH int user_defined_code(int32_t code_point)
{
    int index = static_cast<int>(code_point - 0xE000);
    int trail = 0x40 + index % 188;
    return (0xF0 + index / 188) << 8 | (trail < 0x7F ? trail : trail + 1);
}

// No character beyond the Basic Multilingual Plane has a Shift_JIS form
// (emoji, rare kanji); a few of them are invisible and dropped.
static COLD_PATH int supplementary_code(int32_t code_point)
{
    for (const auto& range : ignorable_above_plane) {
        if (in_range(code_point, static_cast<int32_t>(range[0]), static_cast<int32_t>(range[1])))
            return dropped;
    }
    return geta_mark;
}

// The code of a code point of 0x80 or more: a single byte (below 0x100), a
// pair, the geta mark, or dropped.
static HOT_PATH int sjis_code(int32_t code_point)
{
    if (code_point > 0xFFFF)
        return supplementary_code(code_point);
    const listed_page& page = listed_pages[page_of[code_point >> 8]];
    int quarter = code_point >> 6 & 3;
    uint64_t bit = uint64_t{1} << (code_point & 63);
    if ((page.bits[quarter] & bit) == 0)
        return in_range(code_point, 0xE000, 0xE757) ? user_defined_code(code_point) : geta_mark;
    return listed_sjis[page.before[quarter] + bits_set(page.bits[quarter] & (bit - 1))];
}

// Reads the character whose first byte (0x80 or more) is at in, and
// returns its code point; or, for a part of a sequence that cannot be
// completed, reads the longest start of a well-formed sequence there (at
// least one byte) and returns ill_formed. The second byte's range depends
// on the first (Unicode's table of well-formed byte sequences): that ends
// overlong forms, surrogates and code points above U+10FFFF at their second
// byte. Never reads at or past end.
static HOT_PATH int32_t read_character(const unsigned char*& in, const unsigned char* end)
{
    int first = *in++;
    int length = 4;
    int low = 0x80;
    int high = 0xBF;
    if (in_range(first, 0xC2, 0xDF)) {
        length = 2;
    } else if (in_range(first, 0xE0, 0xEF)) {
        length = 3;
        low = first == 0xE0 ? 0xA0 : low;  // below: overlong
        high = first == 0xED ? 0x9F : high;  // above: surrogates
    } else if (in_range(first, 0xF0, 0xF4)) {
        low = first == 0xF0 ? 0x90 : low;  // below: overlong
        high = first == 0xF4 ? 0x8F : high;  // above: past U+10FFFF
    } else {
        return ill_formed;  // a continuation byte, or a first byte no sequence has
    }
    auto code_point = static_cast<int32_t>(first & (0x7F >> length));
    for (int i = 1; i < length; ++i) {
        if (in == end || !in_range(*in, low, high))
            return ill_formed;
        code_point = code_point << 6 | (*in++ & 0x3F);
        low = 0x80;
        high = 0xBF;
    }
    return code_point;
}

int utf8_to_sjis(const char* source, int source_length, char* destination, int capacity)
{
    // A missing buffer counts as empty: nothing is read from a missing
    // source, nothing is stored into a missing destination.
    const auto* in = reinterpret_cast<const unsigned char*>(source);
    const unsigned char* end = source && source_length > 0 ? in + source_length : in;
    auto* start = reinterpret_cast<unsigned char*>(destination);
    unsigned char* out = start;
    unsigned char* out_end = destination && capacity > 0 ? start + capacity : start;
    while (in != end) {
        if (*in < 0x80) {
            if (out == out_end)
                return -1;
            *out++ = *in++;
            continue;
        }
        int32_t code_point = read_character(in, end);
        int code = code_point == ill_formed ? geta_mark : sjis_code(code_point);
        if (code == dropped)
            continue;
        // A pair whose second byte does not fit leaves its first one.
        if (code > 0xFF) {
            if (out == out_end)
                return -1;
            *out++ = static_cast<unsigned char>(code >> 8);
        }
        if (out == out_end)
            return -1;
        *out++ = static_cast<unsigned char>(code);
    }
    return static_cast<int>(out - start);
}
