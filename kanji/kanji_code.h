#ifndef TOBALIN_KANJI_KANJI_CODE_H
#define TOBALIN_KANJI_KANJI_CODE_H

// What the converter's two files share: the encoding codes, the detector
// and the pair arithmetic of JIS X 0208. Internal to kanji/: everyone else,
// the tests included, goes through kanji_convert.h.

#include <array>
#include <cstddef>

#include "common/text_scan.h"

enum kanji_code { UNKNOWN = 0, SJIS = 1, EUC = 2, JIS = 3 };

// Decides whether count bytes (beginning with an 8-bit byte) read better as
// EUC-JP or as Shift_JIS: SJIS, EUC, or UNKNOWN when both read equally badly.
kanji_code detect_kanji_code(const unsigned char* bytes, int count);

// The two bytes of a character, first byte first.
using byte_pair = std::array<unsigned char, 2>;

// The Shift_JIS pair of a JIS pair (both bytes 0x21 to 0x7E). Two JIS rows
// share one Shift_JIS first byte: the odd row takes second bytes 0x40 to
// 0x9E (0x7F skipped), the even row 0x9F to 0xFC.
constexpr byte_pair jis_pair_in_sjis(int j1, int j2)
{
    int s1 = j1 < 0x5F ? (j1 + 0xE1) / 2 : (j1 + 0x161) / 2;
    int s2 = j1 % 2 == 1 ? (j2 < 0x60 ? j2 + 0x1F : j2 + 0x20) : j2 + 0x7E;
    return {static_cast<unsigned char>(s1), static_cast<unsigned char>(s2)};
}

// The same for every JIS pair, at j1 * 128 + j2: the converter looks a
// kanji up instead of working it out.
constexpr size_t jis_pair_slots = size_t{128} * 128;

constexpr std::array<byte_pair, jis_pair_slots> make_sjis_pairs()
{
    std::array<byte_pair, jis_pair_slots> pairs{};
    for (int j1 = 0x21; j1 <= 0x7E; ++j1) {
        for (int j2 = 0x21; j2 <= 0x7E; ++j2)
            pairs[static_cast<size_t>(j1) * 128 + static_cast<size_t>(j2)] = jis_pair_in_sjis(j1, j2);
    }
    return pairs;
}

inline constexpr std::array<byte_pair, jis_pair_slots> sjis_pairs = make_sjis_pairs();

// A JIS pair (both bytes 0x21 to 0x7E; only their low seven bits count, so
// an EUC-JP pair may be passed as it stands) as a Shift_JIS pair.
inline const byte_pair& jis_to_sjis(int j1, int j2)
{
    return sjis_pairs[static_cast<size_t>((j1 & 0x7F) << 7 | (j2 & 0x7F))];
}

// A Shift_JIS pair (first byte 0x81 to 0x9F or 0xE0 to 0xEF, second 0x40 to
// 0xFC but not 0x7F) as a JIS pair.
inline byte_pair sjis_to_jis(int s1, int s2)
{
    int j1 = 2 * s1 - (s1 <= 0x9F ? 0xE1 : 0x161) + (s2 >= 0x9F ? 1 : 0);
    int j2 = s2 < 0x7F ? s2 - 0x1F : s2 < 0x9F ? s2 - 0x20 : s2 - 0x7E;
    return {static_cast<unsigned char>(j1), static_cast<unsigned char>(j2)};
}

inline bool is_sjis_lead(int c)
{
    return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xEF);
}

inline bool is_sjis_trail(int c)
{
    return c >= 0x40 && c <= 0xFC && c != 0x7F;
}

#endif
