// A second opinion that no one here wrote: every JIS X 0208 character glibc
// knows and every half-width katakana, in Shift_JIS, EUC-JP and ISO-2022-JP
// as glibc's iconv writes them, converted from each form into each other.
#include <iconv.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "kanji/kanji_convert.h"

namespace {

// The text converted by iconv, or "" when iconv refuses it.
std::string by_iconv(const char* from, const char* to, std::string text)
{
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1))
        return "";
    std::string out(text.size() * 4 + 8, '\0');
    char *in = &text[0], *put = &out[0];
    size_t in_left = text.size(), out_left = out.size();
    bool ok = iconv(cd, &in, &in_left, &put, &out_left) != static_cast<size_t>(-1) &&
              iconv(cd, nullptr, nullptr, &put, &out_left) != static_cast<size_t>(-1);
    iconv_close(cd);
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

}  // namespace
