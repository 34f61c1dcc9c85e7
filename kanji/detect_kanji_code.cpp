// The detector: reads the look-ahead window once as EUC-JP and once as
// Shift_JIS, and takes the reading that costs less. A well-formed pair costs
// 1 in EUC-JP, but in Shift_JIS only from the first level-2 kanji (0x989F)
// on, so ordinary Shift_JIS text wins; a lone Shift_JIS half-width katakana
// costs 1; a byte that cannot stand where it stands costs 10.
#include "kanji/kanji_code.h"

static int euc_badness(const unsigned char* bytes, int count)
{
    int bad_euc = 0;
    int i = 0;
    while (i < count) {
        int b = bytes[i];
        if (b < 0x80) {
            i += 1;
            continue;
        }
        bool lead = in_range(b, 0xA1, 0xFE);
        if (!lead && b != 0x8E) {
            bad_euc += 10;
            i += 1;
            continue;
        }
        if (i + 1 == count)
            break;  // a pair cut off by the end of the window costs nothing
        int b2 = bytes[i + 1];
        if (lead ? in_range(b2, 0xA1, 0xFE) : in_range(b2, 0xA0, 0xDF)) {
            bad_euc += 1;
            i += 2;
        } else {
            bad_euc += 10;
            i += 1;
        }
    }
    return bad_euc;
}

static int sjis_badness(const unsigned char* bytes, int count)
{
    int bad_sjis = 0;
    int i = 0;
    while (i < count) {
        int b = bytes[i];
        if (b < 0x80) {
            i += 1;
        } else if (in_range(b, 0xA0, 0xDF)) {
            bad_sjis += 1;
            i += 1;
        } else if (!is_sjis_lead(b)) {
            bad_sjis += 10;
            i += 1;
        } else if (i + 1 == count) {
            break;
        } else if (is_sjis_trail(bytes[i + 1])) {
            if (b * 256 + bytes[i + 1] > 0x989E)
                bad_sjis += 1;
            i += 2;
        } else {
            bad_sjis += 10;
            i += 1;
        }
    }
    return bad_sjis;
}

kanji_code detect_kanji_code(const unsigned char* bytes, int count)
{
    int bad_euc = euc_badness(bytes, count);
    int bad_sjis = sjis_badness(bytes, count);
    if (bad_sjis < bad_euc)
        return SJIS;
    if (bad_euc < bad_sjis)
        return EUC;
    return UNKNOWN;
}
