// The converter over arbitrary bytes, codes and capacities: it stores
// nothing past the capacity (the buffer is exactly that large), says -1
// exactly when the whole output would not have fitted, keeps the part that
// fitted, and with output "sjis" never writes more than it read.
//
// Input: input code, output code, two bytes of capacity, then the text.
#include <cstdint>
#include <cstring>
#include <vector>

#include "kanji/kanji_convert.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const char* const input_codes[] = {"auto", "sjis", "euc", "jis"};
    static const char* const output_codes[] = {"sjis", "euc", "jis", "ascii"};
    if (size < 4 || size > 1 << 20)
        return 0;
    const char* from = input_codes[data[0] % 4];
    const char* to = output_codes[data[1] % 4];
    int capacity = data[2] << 8 | data[3];
    const char* text = reinterpret_cast<const char*>(data + 4);
    int length = static_cast<int>(size - 4);

    // Every byte grows to at most 5 (a kana after a kanji in "jis"), plus
    // the switch back to one-byte mode at the end.
    std::vector<char> whole(static_cast<size_t>(length) * 5 + 3);
    int whole_length = kanji_convert(from, to, text, length, whole.data(), static_cast<int>(whole.size()));
    if (whole_length < 0)
        __builtin_trap();
    if (data[1] % 4 != 1 && data[1] % 4 != 2 && whole_length > length)
        __builtin_trap();

    std::vector<char> bounded(static_cast<size_t>(capacity));
    int result = kanji_convert(from, to, text, length, bounded.data(), capacity);
    bool fits = whole_length <= capacity;
    if ((result == -1) == fits || (fits && result != whole_length))
        __builtin_trap();
    size_t kept = static_cast<size_t>(fits ? whole_length : capacity);
    if (kept != 0 && memcmp(bounded.data(), whole.data(), kept) != 0)
        __builtin_trap();
    return 0;
}
