// The converter on the inputs that break converters: line ends, escape
// sequences whole, unknown and cut off, kana mode, the detector's verdicts
// and its window, pairs at the ends of their ranges, and a full buffer.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "kanji/kanji_code.h"
#include "kanji/kanji_convert.h"

namespace {

// The output, or "-1:" and what the buffer holds. Checks that nothing was
// stored past the capacity.
std::string convert(const std::string& text, const char* from = "auto", const char* to = "sjis", int capacity = -1)
{
    int room = capacity >= 0 ? capacity : static_cast<int>(text.size()) * 5 + 8;
    std::vector<char> buffer(static_cast<size_t>(room) + 16, '#');
    int result = kanji_convert(from, to, text.data(), static_cast<int>(text.size()), buffer.data(), room);
    EXPECT_EQ(std::string(buffer.begin() + room, buffer.end()), std::string(16, '#')) << "written past the capacity";
    if (result < 0)
        return "-1:" + std::string(buffer.data(), static_cast<size_t>(room));
    return std::string(buffer.data(), static_cast<size_t>(result));
}

struct conversion {
    const char* from;
    const char* to;
    std::string text;
    std::string expected;
};

const std::string esc = "\x1B";

const conversion conversions[] = {
    {"auto", "sjis", "a\r\nb\r\r\nc\rd\r\re\r", "a\nb\nc\nd\n\ne\n"},
    {"euc", "sjis", "\r\xA4\xA2\r\r\n", "\n\x82\xA0\n"},
    // JIS escapes, whatever the input code; two-byte mode outlives a line end
    {"auto", "sjis", esc + "$B$\"" + esc + "(B", "\x82\xA0"},
    {"sjis", "sjis", esc + "$@$\"" + esc + "(Ja", "\x82\xA0" "a"},
    {"auto", "sjis", esc + "$B$\"\n$\"", "\x82\xA0\n\x82\xA0"},
    {"auto", "sjis", esc + "$B$\n", "\n"},  // a broken pair loses its first byte
    // unknown escapes are written as they stand, the byte that ends one unread
    {"auto", "sjis", esc + "$A" + esc + "K" + esc + "(I" + esc, esc + "$A" + esc + "K" + esc + "(I" + esc},
    {"auto", "sjis", esc + "$" + esc + "$B$\"", esc + "$" + esc + "$B$\""},
    {"auto", "sjis", esc + "(\rx" + esc + "$", esc + "(\nx" + esc + "$"},
    // kana mode: "sjis" leaves it at any other byte, "euc" only at SI
    {"auto", "sjis", "\x0E\x20\x21\x5F\x0F\x41", "\xA0\xA1\xDF\x41"},
    {"auto", "sjis", "\x0E\x31\n\x32\x0F", "\xB1\n\x32"},
    {"auto", "euc", "\x0E\x31\n\x32\x0F", "\x8E\xB1\n\x8E\xB2"},
    // detection, and what the verdict does
    {"auto", "sjis", "\xA5\xC6\xA5\xB9\xA5\xC8", "\x83\x65\x83\x58\x83\x67"},
    {"auto", "sjis", "\x83\x65\x83\x58\x83\x67", "\x83\x65\x83\x58\x83\x67"},
    {"sjis", "sjis", "\xA4\xA2", "\xA4\xA2"},
    {"auto", "sjis", "\xE0\xA1", "\xE0\xA1"},
    {"auto", "sjis", "\xB1\xB2\xB3\xB4", "\x89\x51\x8A\x53"},
    {"auto", "sjis", "\xA4\x41", "\xA4\x41"},
    {"euc", "sjis", "\xA4\xA2\x8E\xB1\x8E\xA0\x8E" "A\x8F\xA4", "\x82\xA0\xB1\xA0" "A\x8F"},
    // other outputs; "jis" ends its text in one-byte mode
    {"sjis", "jis", "\x8A\xBF\xB1\x61", esc + "$B4A" + esc + "(B\x0E\x31\x0F" "a"},
    {"sjis", "jis", "\x8A\xBF", esc + "$B4A" + esc + "(B"},
    {"euc", "jis", "\xA4\xA2\x8E\xB1", esc + "$B$\"" + esc + "(B\x0E\x31\x0F"},
    {"auto", "jis", esc + "$B$\"\x0E", esc + "$B$\"\x0E"},
    {"sjis", "euc", "\x82\xA0\xB1\xF0\x80z", "\xA4\xA2\x8E\xB1z"},
    {"auto", "euc", esc + "$B$\"" + esc + "(B", "\xA4\xA2"},
    // names no caller passes: any input is "auto", any output "sjis"
    {"jis", "ascii", "\xA4\xA2", "\x82\xA0"},
};

TEST(kanji_convert, converts_edge_cases)
{
    for (const conversion& c : conversions)
        EXPECT_EQ(convert(c.text, c.from, c.to), c.expected) << c.from << " -> " << c.to << ": " << c.text;
}

// A full buffer gives -1 and keeps what fitted. A missing buffer is empty;
// a missing destination has no room.
TEST(kanji_convert, stores_nothing_past_the_capacity_and_says_so)
{
    EXPECT_EQ(convert("abcdef", "auto", "sjis", 3), "-1:abc");
    EXPECT_EQ(convert("abc", "auto", "sjis", 3), "abc");
    EXPECT_EQ(convert("ab\r", "auto", "sjis", 2), "-1:ab");  // the LF of the last CR
    EXPECT_EQ(convert("\xA4\xA2", "euc", "sjis", 1), "-1:\x82");
    EXPECT_EQ(convert("\x8A\xBF", "sjis", "jis", 5), "-1:" + esc + "$B4A");
    EXPECT_EQ(convert("", "auto", "sjis", 0), "");
    EXPECT_EQ(kanji_convert("auto", "sjis", "abc", 3, nullptr, 10), -1);
    EXPECT_EQ(kanji_convert("auto", "sjis", nullptr, 10, nullptr, 0), 0);
    EXPECT_EQ(kanji_convert("auto", "sjis", "abc", -1, nullptr, 0), 0);
}

// The window holds 4096 bytes from the first 8-bit byte on (here offset
// 100): a byte that decides for EUC-JP counts as its last byte, and one
// byte later it does not.
TEST(kanji_convert, detects_within_the_window_only)
{
    std::string tie;  // equally bad as EUC-JP and as Shift_JIS
    for (int i = 0; i < 2047; ++i)
        tie += "\xE0\xA1";
    std::string inside = std::string(100, 'a') + tie + "\xE0\xFE" + "\xB1\xB2";
    std::string outside = std::string(100, 'a') + tie + "\xE0\xA1" + "\xFE";
    EXPECT_EQ(convert(inside).substr(100, 2), "\xE0\x9F");
    EXPECT_EQ(convert(inside).substr(inside.size() - 2), "\x89\x51");  // the verdict outlives the window
    EXPECT_EQ(convert(outside), outside);
}

TEST(detect_kanji_code, weighs_both_readings)
{
    std::string kana19;  // EUC-JP 19, Shift_JIS 38
    for (int i = 0; i < 19; ++i)
        kana19 += "\xA4\xA2";
    const struct {
        std::string bytes;
        kanji_code verdict;
    } cases[] = {
        {"\xE0\xA1\xE0", UNKNOWN},  // a lead as the last byte costs nothing
        {"\xE0\xA1\x8E", UNKNOWN},
        {"\x98\x9F" + kana19, UNKNOWN},  // level-2 kanji cost 1 from 0x989F on
        {"\x98\x9E" + kana19, SJIS},
        {"\x81\x20", UNKNOWN},  // no Shift_JIS second byte: 10 each
        {"\x81\x7F\xA4\xA2", EUC},
        {"\xF0\xA1", EUC},
        {"\x80\xFF", UNKNOWN},
    };
    for (const auto& c : cases) {
        const auto* bytes = reinterpret_cast<const unsigned char*>(c.bytes.data());
        EXPECT_EQ(detect_kanji_code(bytes, static_cast<int>(c.bytes.size())), c.verdict) << c.bytes;
    }
}

TEST(pair_arithmetic, maps_the_ends_of_the_ranges)
{
    const struct {
        unsigned char j1, j2, s1, s2;
    } ends[] = {{0x21, 0x21, 0x81, 0x40}, {0x21, 0x5F, 0x81, 0x7E}, {0x21, 0x60, 0x81, 0x80},
                {0x21, 0x7E, 0x81, 0x9E}, {0x22, 0x21, 0x81, 0x9F}, {0x22, 0x7E, 0x81, 0xFC},
                {0x5E, 0x7E, 0x9F, 0xFC}, {0x5F, 0x21, 0xE0, 0x40}, {0x7E, 0x7E, 0xEF, 0xFC}};
    for (const auto& e : ends) {
        EXPECT_EQ(jis_to_sjis(e.j1, e.j2), (byte_pair{e.s1, e.s2}));
        EXPECT_EQ(sjis_to_jis(e.s1, e.s2), (byte_pair{e.j1, e.j2}));
    }
}

// Every cell of the 94 x 94 grid, and the half-width katakana, both ways
// and through every form.
TEST(pair_arithmetic, round_trips_the_whole_grid)
{
    std::string euc, jis = esc + "$B", sjis;
    for (unsigned char j1 = 0x21; j1 <= 0x7E; ++j1) {
        for (unsigned char j2 = 0x21; j2 <= 0x7E; ++j2) {
            byte_pair s = jis_to_sjis(j1, j2);
            ASSERT_EQ(sjis_to_jis(s[0], s[1]), (byte_pair{j1, j2}));
            euc += {static_cast<char>(j1 | 0x80), static_cast<char>(j2 | 0x80)};
            jis += {static_cast<char>(j1), static_cast<char>(j2)};
            sjis += {static_cast<char>(s[0]), static_cast<char>(s[1])};
        }
        sjis += "a b\n";
        euc += "a b\n";
        jis += esc + "(Ba b\n" + esc + "$B";
    }
    EXPECT_EQ(convert(euc, "euc"), sjis);
    EXPECT_EQ(convert(jis), sjis);
    for (int k = 0xA0; k <= 0xDF; ++k)
        sjis += static_cast<char>(k);
    EXPECT_EQ(convert(convert(sjis, "sjis", "euc"), "euc"), sjis);
    EXPECT_EQ(convert(convert(sjis, "sjis", "jis")), sjis);
}

}  // namespace
