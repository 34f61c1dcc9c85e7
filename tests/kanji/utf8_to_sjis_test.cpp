// UTF-8 to Shift_JIS on what breaks decoders: ill-formed UTF-8 of every
// kind, sequences cut short, a full buffer. Every code point on its own
// (folds, characters Shift_JIS lacks, invisible ones): kanji_iconv_test.cpp.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "kanji/utf8_to_sjis.h"
#include "tests/kanji/conversion.h"

namespace {

using namespace std::string_literals;

// The output (capacity -1: twice the source).
std::string convert(const std::string& text, int capacity = -1)
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
} conversions[] = {
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
    for (const auto& c : conversions)
        EXPECT_EQ(convert(c.text, c.capacity), c.expected) << c.text;
    EXPECT_EQ(utf8_to_sjis("abc", 3, nullptr, 10), -1);
    EXPECT_EQ(utf8_to_sjis(nullptr, 10, nullptr, 0), 0);
}

}  // namespace
