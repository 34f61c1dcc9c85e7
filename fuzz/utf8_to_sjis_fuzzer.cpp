// UTF-8 to Shift_JIS over arbitrary bytes and capacities: the output is
// never longer than twice the input and is well-formed Shift_JIS, with the
// input's line ends where they were; the conversion of two pieces split
// before an ASCII byte is the conversion of the whole; a bounded
// conversion says -1 exactly when the whole would not have fitted and keeps
// the part that fitted; and wherever glibc's iconv converts the input to
// code page 932 without complaint, the output is iconv's.
//
// Input: two bytes of capacity, then the text.
#include <iconv.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "kanji/utf8_to_sjis.h"

static std::string convert(const char* text, int length)
{
    std::vector<char> out(static_cast<size_t>(length) * 2 + 1);
    int written = utf8_to_sjis(text, length, out.data(), length * 2);
    if (written < 0 || written > length * 2)
        __builtin_trap();
    return std::string(out.data(), static_cast<size_t>(written));
}

// Single bytes are ASCII or half-width katakana; a pair is a first byte
// 81-9F or E0-FC and a second 40-FC but not 7F. Returns the count of CRs
// and LFs, or -1 when the text is not Shift_JIS.
static int sjis_line_ends(const std::string& text)
{
    int line_ends = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        auto c = static_cast<unsigned char>(text[i]);
        if (c < 0x80 || (c >= 0xA1 && c <= 0xDF)) {
            line_ends += c == '\r' || c == '\n';
            continue;
        }
        if (c < 0x81 || (c > 0x9F && c < 0xE0) || c > 0xFC || ++i == text.size())
            return -1;
        auto d = static_cast<unsigned char>(text[i]);
        if (d < 0x40 || d > 0xFC || d == 0x7F)
            return -1;
    }
    return line_ends;
}

// iconv's code page 932, or false when iconv refuses the text.
static bool by_iconv(const char* text, size_t length, std::string& sjis)
{
    static iconv_t cd = iconv_open("CP932", "UTF-8");
    std::string in(text, length);
    sjis.assign(length * 2 + 8, '\0');
    char *from = &in[0], *to = &sjis[0];
    size_t from_left = length, to_left = sjis.size();
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    if (iconv(cd, &from, &from_left, &to, &to_left) == static_cast<size_t>(-1))
        return false;
    sjis.resize(sjis.size() - to_left);
    return true;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 2 || size > 1 << 20)
        return 0;
    int capacity = data[0] << 8 | data[1];
    const char* text = reinterpret_cast<const char*>(data + 2);
    int length = static_cast<int>(size - 2);

    std::string whole = convert(text, length);
    int line_ends = 0;
    for (int i = 0; i < length; ++i)
        line_ends += text[i] == '\r' || text[i] == '\n';
    if (sjis_line_ends(whole) != line_ends)
        __builtin_trap();

    int split = length / 2;
    while (split < length && static_cast<unsigned char>(text[split]) >= 0x80)
        ++split;
    if (convert(text, split) + convert(text + split, length - split) != whole)
        __builtin_trap();

    std::vector<char> bounded(static_cast<size_t>(capacity));
    int result = utf8_to_sjis(text, length, bounded.data(), capacity);
    bool fits = static_cast<int>(whole.size()) <= capacity;
    if ((result == -1) == fits || (fits && result != static_cast<int>(whole.size())))
        __builtin_trap();
    size_t kept = fits ? whole.size() : static_cast<size_t>(capacity);
    if (kept != 0 && memcmp(bounded.data(), whole.data(), kept) != 0)
        __builtin_trap();

    std::string sjis;
    if (by_iconv(text, static_cast<size_t>(length), sjis) && sjis != whole)
        __builtin_trap();
    return 0;
}
