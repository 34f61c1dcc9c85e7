// The converters on the inputs that break converters: line ends, escapes,
// kana mode, what the detector decides and from which bytes, bytes that fit
// no pair, ill-formed UTF-8 of every kind, sequences cut short, a full
// buffer. Every character in every direction: kanji_iconv_test.cpp.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "kanji/kanji_convert.h"
#include "kanji/utf8_to_sjis.h"

namespace {

// What a conversion gives into a buffer of the capacity, or "-1:" and what
// the buffer holds; checks that nothing was stored past the capacity. The
// source lies in a block of its own length, so that a read past it shows.
template <typename Convert>
std::string converted(Convert convert, const std::string& text, int capacity)
{
    std::vector<char> source(text.begin(), text.end());
    std::vector<char> buffer(static_cast<size_t>(capacity) + 16, '#');
    int result = convert(source.data(), static_cast<int>(source.size()), buffer.data(), capacity);
    EXPECT_EQ(std::string(buffer.begin() + capacity, buffer.end()), std::string(16, '#')) << "written past the capacity";
    if (result < 0)
        return "-1:" + std::string(buffer.data(), static_cast<size_t>(capacity));
    return std::string(buffer.data(), static_cast<size_t>(result));
}

std::string times(int count, const std::string& text)
{
    std::string repeated;
    for (int i = 0; i < count; ++i)
        repeated += text;
    return repeated;
}

// The output (capacity -1: room for anything).
std::string convert(const char* from, const char* to, const std::string& text, int capacity = -1)
{
    auto conversion = [=](const char* source, int length, char* out, int room) {
        return kanji_convert(from, to, source, length, out, room);
    };
    return converted(conversion, text, capacity >= 0 ? capacity : static_cast<int>(text.size()) * 5 + 8);
}

using namespace std::string_literals;

const std::string esc = "\x1B";
// Bytes that begin nothing, broken pairs, trail and lead bytes just past
// the ends of their ranges, kana at the ends of theirs, the grid's last
// row (no character uses it, so iconv cannot speak for it).
const std::string odd_sjis = "\x82\xA0\xB1\xF0\x80z\x81\x3F\x81\x7F\x81\xFD\xA0\xEF\xFC";
const std::string odd_euc = "\xA0\xFF\xA4\xA0\xA4\xFF\xA4\xA2\xA0\xA4\xA2\xFF\x8E\xA0\x8E\x9F\x8E\xE0\xA1\x8E\xB1\xB1\xB2"
                            "\xFE\xFE\x8E" "A\x8F\xA4";

const struct {
    const char* from;
    const char* to;
    std::string text;
    std::string expected;
    int capacity = -1;
} conversions[] = {
    {"auto", "sjis", "a\0\x01\r\nb\r\r\nc\rd\r\re\r"s, "a\0\x01\nb\nc\nd\n\ne\n"s},
    {"euc", "sjis", "\r\xA4\xA2\r\r\n", "\n\x82\xA0\n"},
    // JIS escapes, whatever the input code. In two-byte mode a space or a
    // DEL is no half of a pair, the first half of a broken pair is lost,
    // and the mode outlives a line end.
    {"sjis", "sjis", esc + "$@$\"" + esc + "(JA", "\x82\xA0" "A"},
    {"auto", "sjis", esc + "$B \x7F$ $\x7F$\" $\"\x7F\n~~", " \x7F \x7F\x82\xA0 \x82\xA0\x7F\n\xEF\xFC"},
    {"auto", "euc", esc + "$B \x7F$ $\x7F$\" $\"\x7F\n~~", " \x7F \x7F\xA4\xA2 \xA4\xA2\x7F\n\xFE\xFE"},
    // unknown escapes are written as they stand, the byte that ends one unread
    {"auto", "sjis", esc + "$A" + esc + "K" + esc + "(I" + esc, esc + "$A" + esc + "K" + esc + "(I" + esc},
    // kana mode: "sjis" leaves it at any other byte, "euc" only at SI
    {"auto", "sjis", "\x0E\x20\x21\x5F\x60\x0E\x1F\x0F\x41", "\xA0\xA1\xDF\x60\x1F\x41"},
    {"auto", "euc", "\x0E\x20\x31\n\x1F\x60\x32\x0F" "A", "\x8E\xA0\x8E\xB1\n\x1F\x60\x8E\xB2" "A"},

    // The detector's verdict shows in what is converted: EUC-JP is
    // converted to "sjis", Shift_JIS to "euc", both to "jis", and undecided
    // text passes through. A well-formed pair costs 1 as EUC-JP, as
    // Shift_JIS only from 0x989F on; a kana costs 1; a stray byte 10; a
    // lead byte that ends the window nothing.
    {"auto", "sjis", "\x98\x9F" + times(20, "\xA4\xA2"), "\x98\x9F" + times(20, "\x82\xA0")},
    {"auto", "sjis", "\x98\x9E" + times(20, "\xA4\xA2"), "\x98\x9E" + times(20, "\xA4\xA2")},
    {"auto", "jis", "\xE0\xA1", "\xE0\xA1"},
    {"auto", "jis", "\x9F\x7F\x9F\xFE\xFF", "\x9F\x7F\x9F\xFE\xFF"},
    {"auto", "jis", "\xDF\xA0\xFE", "\x0E\x5F\x20\x0F"},
    {"auto", "jis", "\x8E\xA0\xA1\xFE", "\x0E\x20\x0F" + esc + "$B!~" + esc + "(B"},
    {"auto", "jis", "\x8E\xDF\xFE", "\x0E\x5F\x0F"},
    {"auto", "jis", "\x80" "abcdefg\xA1", "abcdefg"},  // an 8-bit byte the fast scan must not miss

    // a declared input code is not second-guessed: here EUC-JP read as Shift_JIS kana
    {"sjis", "euc", "\xA4\xA2\xA4\xA2", "\x8E\xA4\x8E\xA2\x8E\xA4\x8E\xA2"},
    // "jis" ends its text in one-byte mode
    {"sjis", "jis", odd_sjis, esc + "$B$\"" + esc + "(B\x0E\x31\x0Fz?\x7F\x0E\x20\x0F" + esc + "$B~~" + esc + "(B"},
    {"euc", "sjis", odd_euc, "\xA0\xFF\xA0\xFF\x82\xA0\xA0\x82\xA0\xFF\xA0\x9F\xE0\x9F\xB1\x89\x51\xEF\xFC" "A\x8F"},
    {"euc", "jis", odd_euc,
     esc + "$B$\"$\"" + esc + "(B\x0E\x20\x0F" + esc + "$B`!" + esc + "(B\x0E\x31\x0F" + esc + "$B12~~" + esc + "(BA"},

    // a full buffer gives -1 and keeps what fitted
    {"auto", "sjis", "a", "a", 1},
    {"euc", "sjis", "\xA4\xA2", "\x82\xA0", 2},
    {"euc", "sjis", "\xA4\xA2", "-1:\x82", 1},
};

TEST(kanji_convert, converts_edge_cases)
{
    for (const auto& c : conversions)
        EXPECT_EQ(convert(c.from, c.to, c.text, c.capacity), c.expected) << c.from << " -> " << c.to << ": " << c.text;
    // A missing source is empty, and so is a negative length; a missing
    // destination has no room.
    EXPECT_EQ(kanji_convert("auto", "sjis", "abc", 3, nullptr, 10), -1);
    EXPECT_EQ(kanji_convert("auto", "sjis", nullptr, 10, nullptr, 0), 0);
    EXPECT_EQ(kanji_convert("auto", "sjis", "abc", -1, nullptr, 0), 0);
    // Each conversion starts afresh, whatever the last one left behind:
    // here two-byte mode and room for 8 bytes.
    char buffer[8];
    kanji_convert("auto", "sjis", "\x1B$Babcd", 7, buffer, 8);
    EXPECT_EQ(kanji_convert("auto", "sjis", "$\"abcdef", 8, buffer, 4), -1);
    EXPECT_EQ(std::string(buffer, 4), "$\"ab");
}

// The window holds 4096 bytes from the first 8-bit byte on (here 0x80 at
// offset 103, after a DEL): a byte that decides for EUC-JP counts as its
// last byte, and one byte later it does not. The verdict holds past the
// window.
TEST(kanji_convert, detects_within_the_window_only)
{
    // as bad read as EUC-JP as read as Shift_JIS
    std::string tie = std::string(102, 'a') + "\x7F\x80" + times(2047, "\xE0\xA1");
    std::string inside = tie + "\xFE" + "a\xB1\xB2";
    std::string outside = tie + "a\xFE";
    EXPECT_EQ(convert("auto", "sjis", inside),
              std::string(102, 'a') + "\x7F\x80" + times(2047, "\xE0\x9F") + "a\x89\x51");
    EXPECT_EQ(convert("auto", "sjis", outside), outside);
    // A full window whose last byte begins a pair: read no further.
    std::string lead_last = "\x80" + times(2047, "\xE0\xA1") + "\x81" + "abc";
    EXPECT_EQ(convert("auto", "sjis", lead_last), lead_last);
}

// UTF-8 to Shift_JIS (capacity -1: twice the source).
std::string convert_utf8(const std::string& text, int capacity = -1)
{
    return converted(utf8_to_sjis, text, capacity >= 0 ? capacity : 2 * static_cast<int>(text.size()));
}

const std::string geta = "\x81\xAC";

std::string marks(int count)
{
    return times(count, geta);
}

const struct {
    std::string text;
    std::string expected;
    int capacity = -1;
} utf8_conversions[] = {
    {"a\r\n\0\x7F"s, "a\r\n\0\x7F"s},
    // one mark for each maximal ill-formed part, as in Unicode's own example
    {"a\xF1\x80\x80\xE1\x80\xC2" "b\x80" "c\x80\xBF" "d", "a" + marks(3) + "b" + geta + "c" + marks(2) + "d"},
    // overlong, surrogate, past U+10FFFF, a byte that begins nothing: ill-formed from the second byte on
    {"\xC1\xBF\xE0\x9F\xBF\xED\xA0\x80\xF0\x8F\xBF\xBF\xF4\x90\x80\x80\xF5\x80", marks(18)},
    // cut by another first byte, by the end of the source
    {"\xE3\x81\xE3\x81\x82\xF0\x9F\x93", geta + "\x82\xA0" + geta},
    // a full buffer keeps what fitted, down to half a pair; what is dropped needs no room
    {u8"aあ", "-1:a", 1},
    {u8"aあ", "-1:a\x82", 2},
    {u8"aあ", "a\x82\xA0", 3},
    {u8"a\u200D", "a", 1},
    {"", "", 0},
};

TEST(utf8_to_sjis, converts_edge_cases)
{
    for (const auto& c : utf8_conversions)
        EXPECT_EQ(convert_utf8(c.text, c.capacity), c.expected) << c.text;
    EXPECT_EQ(utf8_to_sjis("abc", 3, nullptr, 10), -1);
    EXPECT_EQ(utf8_to_sjis(nullptr, 10, nullptr, 0), 0);
}

}  // namespace
