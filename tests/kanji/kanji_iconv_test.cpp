// A second opinion that no one here wrote: every JIS X 0208 character glibc
// knows and every half-width katakana, in Shift_JIS, EUC-JP and ISO-2022-JP
// as glibc's iconv writes them, converted from each form into each other;
// and every Unicode code point from UTF-8 into code page 932.
#include <iconv.h>

#include <map>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "kanji/kanji_convert.h"
#include "kanji/utf8_to_sjis.h"

namespace {

// iconv's converters, each opened once: the tests ask for a million conversions.
struct converters : std::map<std::pair<std::string, std::string>, iconv_t> {
    ~converters()
    {
        for (const auto& opened : *this)
            if (opened.second != reinterpret_cast<iconv_t>(-1))
                iconv_close(opened.second);
    }
};

// The text converted by iconv, or "" when iconv refuses it.
std::string by_iconv(const char* from, const char* to, std::string text)
{
    static converters opened;
    auto found = opened.find({from, to});
    iconv_t cd = found != opened.end() ? found->second : opened[{from, to}] = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1))
        return "";
    std::string out(text.size() * 4 + 8, '\0');
    char *in = &text[0], *put = &out[0];
    size_t in_left = text.size(), out_left = out.size();
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    bool ok = iconv(cd, &in, &in_left, &put, &out_left) != static_cast<size_t>(-1) &&
              iconv(cd, nullptr, nullptr, &put, &out_left) != static_cast<size_t>(-1);
    return ok ? out.substr(0, out.size() - out_left) : "";
}

std::string ours(const char* from, const char* to, const std::string& text)
{
    std::vector<char> out(text.size() * 5 + 8);
    int length = kanji_convert(from, to, text.data(), static_cast<int>(text.size()), out.data(),
                               static_cast<int>(out.size()));
    return length < 0 ? "<full>" : std::string(out.data(), static_cast<size_t>(length));
}

TEST(kanji_convert, agrees_with_iconv_on_every_character)
{
    // Every EUC-JP pair iconv accepts, a line to each row of the grid.
    std::string euc, kana;
    for (int j1 = 0xA1; j1 <= 0xFE; ++j1) {
        for (int j2 = 0xA1; j2 <= 0xFE; ++j2) {
            std::string pair = {static_cast<char>(j1), static_cast<char>(j2)};
            if (!by_iconv("EUC-JP", "SHIFT_JIS", pair).empty())
                euc += pair;
        }
        euc += "\n";
    }
    ASSERT_GT(euc.size(), 2 * 6800u);  // JIS X 0208 assigns 6879
    for (int k = 0xA1; k <= 0xDF; ++k)
        kana += static_cast<char>(k);
    // ISO-2022-JP has no katakana; ISO-2022-JP-3 puts them between ESC ( I
    // and ESC ( B, where ours go between SO and SI.
    std::string jis_kana = by_iconv("SHIFT_JIS", "ISO-2022-JP-3", kana);
    ASSERT_EQ(jis_kana, "\x1B(I" + jis_kana.substr(3, 63) + "\x1B(B");
    const struct {
        const char* name;  // ISO-2022-JP is read under any input name
        std::string text;
    } forms[] = {
        {"sjis", by_iconv("EUC-JP", "SHIFT_JIS", euc) + kana},
        {"euc", euc + by_iconv("SHIFT_JIS", "EUC-JP", kana)},
        {"jis", by_iconv("EUC-JP", "ISO-2022-JP", euc) + "\x0E" + jis_kana.substr(3, 63) + "\x0F"},
    };
    for (const auto& from : forms)
        for (const auto& to : forms)
            EXPECT_EQ(ours(from.name, to.name, from.text), to.text) << from.name << " -> " << to.name;
}

std::string utf8_of(char32_t c)
{
    if (c < 0x80)
        return {static_cast<char>(c)};
    std::string bytes(c < 0x800 ? 2 : c < 0x10000 ? 3 : 4, '\0');
    for (size_t i = bytes.size() - 1; i > 0; --i, c >>= 6)
        bytes[i] = static_cast<char>(0x80 | (c & 0x3F));
    bytes[0] = static_cast<char>(0xF00 >> bytes.size() | c);
    return bytes;
}

// Each code point on its own: what iconv writes for code page 932 (which
// also folds the forms other systems write: wave dash, minus, cent and the
// rest, yen and overline), or the geta mark where iconv writes nothing (an
// emoji, Hangul, a rare kanji). Ours departs in two places: the invisible
// characters (Unicode's Default_Ignorable_Code_Point) are dropped where
// iconv drops only the tags, and a no-break space is a space.
TEST(utf8_to_sjis, agrees_with_iconv_on_every_code_point)
{
    const std::pair<char32_t, char32_t> invisible[] = {
        {0x00AD, 0x00AD}, {0x034F, 0x034F}, {0x061C, 0x061C}, {0x115F, 0x1160}, {0x17B4, 0x17B5}, {0x180B, 0x180F},
        {0x200B, 0x200F}, {0x202A, 0x202E}, {0x2060, 0x206F}, {0x3164, 0x3164}, {0xFE00, 0xFE0F}, {0xFEFF, 0xFEFF},
        {0xFFA0, 0xFFA0}, {0xFFF0, 0xFFF8}, {0x1BCA0, 0x1BCA3}, {0x1D173, 0x1D17A}, {0xE0000, 0xE0FFF}};
    int wrong = 0;
    for (char32_t c = 0; c <= 0x10FFFF; c = c == 0xD7FF ? 0xE000 : c + 1) {
        std::string text = utf8_of(c), expected = by_iconv("UTF-8", "CP932", text);
        expected = expected.empty() ? "\x81\xAC" : expected;
        for (const auto& range : invisible)
            expected = c >= range.first && c <= range.second ? "" : expected;
        expected = c == 0xA0 ? " " : expected;
        char ours[8];
        int length = utf8_to_sjis(text.data(), static_cast<int>(text.size()), ours, sizeof ours);
        if ((length < 0 || std::string(ours, static_cast<size_t>(length)) != expected) && ++wrong <= 10)
            ADD_FAILURE() << "U+" << std::hex << static_cast<unsigned>(c);
    }
    EXPECT_EQ(wrong, 0);
}

}  // namespace
