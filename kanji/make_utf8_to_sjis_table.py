#!/usr/bin/env python3
"""Makes the table utf8_to_sjis looks characters up in, as a C++ header that
only kanji/utf8_to_sjis.cpp includes:

    make_utf8_to_sjis_table.py OUTPUT.h

The codes come from Python's cp932 codec, read backwards: every Shift_JIS
code it decodes, kept for the character it decodes to. Then the folds: the
characters that Japanese systems write two ways, each given the code of the
form that code page 932 has. The table covers the Basic Multilingual Plane
but ASCII (which the converter passes on itself) and the user-defined area
(which it works out).

The layout: the codes of the listed code points, in code point order, and
the plane in pages of 256 code points. Each page has a bit for each of its
code points, set when the table lists it (64 to a word), and the count of
listed code points before each word; the pages without any (most of them)
share one. A code point's code is found in a constant number of steps: its
page, its word, the count before the word, and the bits set below it in the
word.
"""

import sys

# Characters that other Japanese systems (JIS X 0208 as Unicode maps it, Mac
# OS, Unix) write with another code point than Windows does: each gets the
# code of the character Windows means by it. Windows itself writes "?" for
# the wave dash, the minus, the double vertical line and the em dash, which
# says nothing to the recording application; glibc folds them all, as here.
# Yen sign and overline are what the single bytes 5C and 7E are in JIS X
# 0201, the one-byte half of Shift_JIS (Windows too writes 5C for a yen
# sign, and Japanese fonts show 5C as one). A no-break space, which mail
# programs put where a user typed a space, is a space.
FOLDS = {
    0x301C: 0xFF5E,  # WAVE DASH: FULLWIDTH TILDE
    0x2212: 0xFF0D,  # MINUS SIGN: FULLWIDTH HYPHEN-MINUS
    0x2016: 0x2225,  # DOUBLE VERTICAL LINE: PARALLEL TO
    0x00A2: 0xFFE0,  # CENT SIGN: FULLWIDTH CENT SIGN
    0x00A3: 0xFFE1,  # POUND SIGN: FULLWIDTH POUND SIGN
    0x00AC: 0xFFE2,  # NOT SIGN: FULLWIDTH NOT SIGN
    0x2014: 0x2015,  # EM DASH: HORIZONTAL BAR
    0x00A5: 0x005C,  # YEN SIGN
    0x203E: 0x007E,  # OVERLINE
    0x00A0: 0x0020,  # NO-BREAK SPACE
}

# Unicode's Default_Ignorable_Code_Point (DerivedCoreProperties.txt): joiners,
# variation selectors, tags, a byte-order mark. Nothing shows them, so they
# are dropped rather than marked: a heart emoji with its variation selector
# is one mark, not two.
IGNORABLE = [
    (0x00AD, 0x00AD), (0x034F, 0x034F), (0x061C, 0x061C), (0x115F, 0x1160),
    (0x17B4, 0x17B5), (0x180B, 0x180F), (0x200B, 0x200F), (0x202A, 0x202E),
    (0x2060, 0x206F), (0x3164, 0x3164), (0xFE00, 0xFE0F), (0xFEFF, 0xFEFF),
    (0xFFA0, 0xFFA0), (0xFFF0, 0xFFF8), (0x1BCA0, 0x1BCA3), (0x1D173, 0x1D17A),
    (0xE0000, 0xE0FFF),
]
DROPPED = 0  # the table's value for an ignorable character

USER_DEFINED = range(0xE000, 0xE758)


def is_nec_selected_ibm(code):
    return 0xED40 <= code <= 0xEEFC


def windows_codes():
    """Code point -> Shift_JIS code (one byte or two) as Windows writes it."""
    codes = {}
    # The single bytes A1 to DF are the half-width katakana. 80, A0 and FD to
    # FF, which the codec also decodes (and Windows writes for U+0080 and
    # U+F8F0 to U+F8F3), are no Shift_JIS characters: a reader could take
    # them for anything, so they are not written.
    for byte in range(0xA1, 0xE0):
        codes[ord(bytes([byte]).decode("cp932"))] = byte
    for lead in list(range(0x81, 0xA0)) + list(range(0xE0, 0xFD)):
        for trail in range(0x40, 0xFD):
            try:
                text = bytes([lead, trail]).decode("cp932")
            except UnicodeDecodeError:
                continue
            code = lead << 8 | trail
            if len(text) != 1 or ord(text) in USER_DEFINED:
                continue
            # Some characters have two or three codes: JIS X 0208 and NEC
            # row 13 share a few, and the IBM extensions (FA to FC) repeat
            # NEC's selection of them (ED, EE). Windows writes the lowest
            # code outside ED and EE; Python's codec prefers ED and EE, so
            # its encoder is not asked.
            known = codes.get(ord(text))
            if known is None or (is_nec_selected_ibm(known) and not is_nec_selected_ibm(code)):
                codes[ord(text)] = code
    for folded, same in FOLDS.items():
        codes[folded] = codes.get(same, same)
    for low, high in IGNORABLE:
        for code_point in range(low, min(high, 0xFFFF) + 1):
            codes[code_point] = DROPPED
    return codes


def rows(values, per_row, width):
    items = ["0x%0*X" % (width, value) for value in values]
    return ",\n".join("    " + ", ".join(items[i:i + per_row]) for i in range(0, len(items), per_row))


def main():
    codes = windows_codes()
    sjis = [codes[code_point] for code_point in sorted(codes)]
    pages = [[0] * 4 for _ in range(256)]
    for code_point in codes:
        pages[code_point >> 8][code_point >> 6 & 3] |= 1 << (code_point & 63)
    page_of, listed_pages, count = [], [], 0
    for page in pages:
        page_of.append(len(listed_pages) + 1 if any(page) else 0)
        if any(page):
            before = []
            for word in page:
                before.append(count)
                count += bin(word).count("1")
            listed_pages.append("    {{%s},\n     {%s}}" % (
                ", ".join("0x%016X" % word for word in page), ", ".join("%d" % n for n in before)))
    assert count <= 0xFFFF, "the counts before each word are 16-bit"
    supplementary = [(low, high) for low, high in IGNORABLE if low > 0xFFFF]
    with open(sys.argv[1], "w", encoding="ascii", newline="\n") as out:
        out.write("// Made by kanji/make_utf8_to_sjis_table.py from Python's cp932 codec at build time.\n")
        out.write("// Included by kanji/utf8_to_sjis.cpp only.\n")
        out.write("#ifndef TOBALIN_KANJI_UTF8_TO_SJIS_TABLE_H\n#define TOBALIN_KANJI_UTF8_TO_SJIS_TABLE_H\n\n")
        out.write("#include <cstdint>\n\n")
        out.write("constexpr uint16_t dropped = %d;\n\n" % DROPPED)
        out.write("struct listed_page {\n    uint64_t bits[4];\n    uint16_t before[4];\n};\n\n")
        out.write("constexpr uint8_t page_of[256] = {\n%s};\n\n" % rows(page_of, 16, 2))
        out.write("constexpr listed_page listed_pages[%d] = {\n    {{0, 0, 0, 0}, {0, 0, 0, 0}},\n%s};\n\n" % (
            len(listed_pages) + 1, ",\n".join(listed_pages)))
        out.write("constexpr uint16_t listed_sjis[%d] = {\n%s};\n\n" % (len(sjis), rows(sjis, 10, 4)))
        out.write("constexpr uint32_t ignorable_above_plane[%d][2] = {\n%s};\n\n#endif\n" % (
            len(supplementary), ",\n".join("    {0x%X, 0x%X}" % pair for pair in supplementary)))


if __name__ == "__main__":
    main()
