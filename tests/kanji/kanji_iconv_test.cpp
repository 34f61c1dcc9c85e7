// A second opinion that no one here wrote: for every JIS X 0208 character
// glibc knows, the Shift_JIS the converter gives for its EUC-JP and its
// ISO-2022-JP form is the Shift_JIS glibc's iconv gives.
#include <iconv.h>

#include <string>

#include <gtest/gtest.h>

#include "kanji/kanji_convert.h"

namespace {

// The text in Shift_JIS by iconv, or "" when iconv refuses it.
std::string iconv_to_sjis(const char* from, std::string text)
{
    iconv_t cd = iconv_open("SHIFT_JIS", from);
    if (cd == reinterpret_cast<iconv_t>(-1))
        return "";
    char out[16];
    char *in = &text[0], *put = out;
    size_t in_left = text.size(), out_left = sizeof out;
    bool ok = iconv(cd, &in, &in_left, &put, &out_left) != static_cast<size_t>(-1) &&
              iconv(cd, nullptr, nullptr, &put, &out_left) != static_cast<size_t>(-1);
    iconv_close(cd);
    return ok ? std::string(out, sizeof out - out_left) : "";
}

std::string ours(const char* from, const std::string& text)
{
    char out[16];
    int length = kanji_convert(from, "sjis", text.data(), static_cast<int>(text.size()), out, sizeof out);
    return length < 0 ? "<full>" : std::string(out, static_cast<size_t>(length));
}

TEST(kanji_convert, agrees_with_iconv_on_every_character)
{
    int characters = 0;
    std::string disagreements;
    for (int j1 = 0x21; j1 <= 0x7E; ++j1) {
        for (int j2 = 0x21; j2 <= 0x7E; ++j2) {
            std::string euc = {static_cast<char>(j1 | 0x80), static_cast<char>(j2 | 0x80)};
            std::string jis = "\x1B$B" + std::string{static_cast<char>(j1), static_cast<char>(j2)} + "\x1B(B";
            std::string expected = iconv_to_sjis("EUC-JP", euc);
            if (expected.empty())
                continue;  // unassigned
            ++characters;
            if (ours("euc", euc) != expected || ours("auto", jis) != expected ||
                iconv_to_sjis("ISO-2022-JP", jis) != expected)
                disagreements += " " + std::to_string(j1 << 8 | j2);
        }
    }
    EXPECT_GT(characters, 6800);  // JIS X 0208 assigns 6879
    EXPECT_EQ(disagreements, "");
}

}  // namespace
