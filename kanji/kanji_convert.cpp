// The converter: one pass over the input, a byte at a time, no heap. Every
// byte is read through read_text_byte (which fills the look-ahead window
// and runs the detector once) and written through put_text_byte (line ends
// made single LFs, nothing stored past the capacity).
#include "kanji/kanji_convert.h"

#include <cstdint>
#include <cstring>

#include "common/compiler.h"
#include "kanji/kanji_code.h"

namespace {

constexpr int end_of_text = -1;
constexpr int lookahead_size = 4096;
constexpr int esc = 0x1B;
constexpr int so = 0x0E;
constexpr int si = 0x0F;

enum shift_mode { one_byte_mode, two_byte_mode, kana_mode };

}  // namespace

// Every byte goes through the hot operations (HOT_PATH), so they are inlined
// into the loops; what happens once in a conversion, or only around a
// carriage return, stays out of the loops (COLD_PATH).

// The conversion in progress. One at a time; kanji_convert sets it up
// afresh. Two cursors move at every byte: the next byte to read and the
// next place to write. The loops carry them in local variables (in, out),
// handed by reference to the inline operations and by value to the others,
// so that they stay in registers; everything else lives here.
static const unsigned char* source;
static const unsigned char* source_end;
static const unsigned char* source_rest;  // where reading from the source goes on after the window
static const unsigned char* read_limit;  // end of the run of bytes being read
static unsigned char* destination;
static unsigned char* destination_end;  // destination + capacity
static unsigned char* fast_write_end;  // destination_end, or destination while a CR waits
static bool output_full;
static int current_code;
static unsigned char lookahead_window[lookahead_size];
static int lookahead_fill;  // 0: empty
static int pending_cr;
static shift_mode mode;

// The first 8-bit byte of the source, at in, starts the window: it and the
// bytes after it, up to 4096 in all, are copied at once, and under "auto"
// the detector decides the input code from them. Returns the read cursor:
// the window's first byte.
static const unsigned char* fill_lookahead_window(const unsigned char* in)
{
    int fill = static_cast<int>(source_end - in);
    if (fill > lookahead_size)
        fill = lookahead_size;
    memcpy(lookahead_window, in, static_cast<size_t>(fill));
    lookahead_fill = fill;
    source_rest = in + fill;
    read_limit = lookahead_window + fill;
    if (current_code == UNKNOWN)
        current_code = detect_kanji_code(lookahead_window, fill);
    return lookahead_window;
}

// The first byte of 0x80 or more from p on, or source_end. Looks eight
// bytes at a time: all of a 7-bit text goes through here before it is read.
static const unsigned char* first_8bit_byte(const unsigned char* p)
{
    for (; source_end - p >= 8; p += 8) {
        uint64_t eight;
        memcpy(&eight, p, 8);
        if (eight & 0x8080808080808080u)
            break;
    }
    while (p != source_end && *p < 0x80)
        ++p;
    return p;
}

// The run of bytes being read is used up; sets up the next and returns the
// read cursor, which equals read_limit at the end of the input. The source
// is read in runs: the bytes before the first 8-bit byte, the window that
// byte starts, then the rest of the source. At the end the window is
// emptied.
static COLD_PATH const unsigned char* next_input_run(const unsigned char* in)
{
    if (lookahead_fill != 0 && read_limit == lookahead_window + lookahead_fill) {
        in = source_rest;
        read_limit = source_end;
    } else if (lookahead_fill == 0 && in != source_end) {
        const unsigned char* run_end = first_8bit_byte(in);
        if (run_end == in)
            return fill_lookahead_window(in);
        read_limit = run_end;
    }
    if (in == read_limit)
        lookahead_fill = 0;
    return in;
}

// The next input byte (0 to 255) or end_of_text. The window is filled at
// the first 8-bit byte and at most once: a later 8-bit byte is read
// straight from the source.
static HOT_PATH int read_text_byte(const unsigned char*& in)
{
    if (in == read_limit) {
        in = next_input_run(in);
        if (in == read_limit)
            return end_of_text;
    }
    return *in++;
}

// The bounded write. Once a byte has not fitted, no later one fits either:
// out stays at the end of the buffer.
static void store_byte(int c, unsigned char*& out)
{
    if (out < destination_end)
        *out++ = static_cast<unsigned char>(c);
    else
        output_full = true;
}

// One LF for each CR counted; returns the new write cursor.
static unsigned char* write_pending_cr(unsigned char* out)
{
    for (; pending_cr > 0; --pending_cr)
        store_byte('\n', out);
    fast_write_end = destination_end;
    return out;
}

// The line-end filter. CR LF, CR CR LF and a CR that no LF follows all
// become LF: a CR is only counted, an LF forgets the count, any other byte
// first writes one LF for each CR counted. Returns the new write cursor.
static COLD_PATH unsigned char* filter_text_byte(int c, unsigned char* out)
{
    if (c == '\r') {
        ++pending_cr;
        fast_write_end = destination;  // the next byte must come here first
        return out;
    }
    if (c == '\n') {
        pending_cr = 0;
        fast_write_end = destination_end;
    } else if (pending_cr != 0) {
        out = write_pending_cr(out);
    }
    store_byte(c, out);
    return out;
}

// Most bytes are neither CR nor LF, find no CR waiting and fit: they are
// stored at once, and only the others go through the filter.
static HOT_PATH void put_text_byte(int c, unsigned char*& out)
{
    if (c > '\r' && out < fast_write_end)
        *out++ = static_cast<unsigned char>(c);
    else
        out = filter_text_byte(c, out);
}

static HOT_PATH byte_pair pair_of(int first, int second)
{
    return {static_cast<unsigned char>(first), static_cast<unsigned char>(second)};
}

// A pair of bytes, neither of them CR or LF.
static HOT_PATH void put_pair(const byte_pair& pair, unsigned char*& out)
{
    if (fast_write_end - out >= 2) {
        memcpy(out, pair.data(), 2);
        out += 2;
    } else {
        out = filter_text_byte(pair[0], out);
        out = filter_text_byte(pair[1], out);
    }
}

// ESC, SO or SI in the input (outputs "sjis" and "euc"). The four JIS
// escapes, SO and SI switch the shift mode and vanish; any other sequence
// beginning with ESC is written as it stands, including its last byte,
// which is not looked at again. A sequence cut off by the end of the input
// is written as far as it goes.
static HOT_PATH void take_shift_sequence(int c, const unsigned char*& in, unsigned char*& out)
{
    if (c == so) {
        mode = kana_mode;
        return;
    }
    if (c == si) {
        mode = one_byte_mode;
        return;
    }
    int c2 = read_text_byte(in);
    if (c2 == '$' || c2 == '(') {
        int c3 = read_text_byte(in);
        if (c2 == '$' && (c3 == '@' || c3 == 'B')) {
            mode = two_byte_mode;
            return;
        }
        if (c2 == '(' && (c3 == 'B' || c3 == 'J')) {
            mode = one_byte_mode;
            return;
        }
        put_text_byte(esc, out);
        put_text_byte(c2, out);
        if (c3 != end_of_text)
            put_text_byte(c3, out);
        return;
    }
    put_text_byte(esc, out);
    if (c2 != end_of_text)
        put_text_byte(c2, out);
}

static HOT_PATH bool is_shift_byte(int c)
{
    return c == esc || c == so || c == si;
}

// Output "sjis". Each branch leaves in c the next byte to examine: a fresh
// one, or the second byte of a broken pair, which is examined in its own
// right while its first byte is dropped. Pairs come in runs: the pair
// branches go on while the next byte can begin another pair.
static unsigned char* convert_to_sjis(const unsigned char* in, unsigned char* out)
{
    int c = read_text_byte(in);
    for (;;) {
        if (c <= esc) {
            if (c == end_of_text)
                return write_pending_cr(out);
            if (is_shift_byte(c)) {
                take_shift_sequence(c, in, out);
                c = read_text_byte(in);
                continue;
            }
        }
        if (mode == two_byte_mode && in_range(c, 0x21, 0x7E)) {
            do {
                int d = read_text_byte(in);
                if (!in_range(d, 0x21, 0x7E)) {
                    c = d;
                    break;
                }
                put_pair(jis_to_sjis(c, d), out);
                c = read_text_byte(in);
            } while (in_range(c, 0x21, 0x7E));
            continue;
        }
        if (mode == kana_mode) {
            if (in_range(c, 0x20, 0x5F)) {
                put_text_byte(c + 0x80, out);
                c = read_text_byte(in);
            } else {
                mode = one_byte_mode;
            }
            continue;
        }
        // One-byte mode, or a byte that cannot begin a JIS pair.
        if (current_code == EUC && in_range(c, 0xA1, 0xFE)) {
            do {
                int d = read_text_byte(in);
                if (!in_range(d, 0xA1, 0xFE)) {
                    c = d;
                    break;
                }
                put_pair(jis_to_sjis(c, d), out);  // the low seven bits are the JIS pair
                c = read_text_byte(in);
            } while (in_range(c, 0xA1, 0xFE));
            continue;
        }
        if (current_code == EUC && c == 0x8E) {
            int d = read_text_byte(in);
            if (in_range(d, 0xA0, 0xDF)) {
                put_text_byte(d, out);
                c = read_text_byte(in);
            } else {
                c = d;
            }
            continue;
        }
        // Shift_JIS and undecided text pass through byte by byte (the
        // second byte of a Shift_JIS pair is never a control byte), and so
        // do 7-bit bytes after ESC in one-byte mode. A run of them goes on
        // here: 7-bit bytes, and 8-bit ones once the text is known to be
        // Shift_JIS (an 8-bit byte read before may be the one that decides).
        put_text_byte(c, out);
        c = read_text_byte(in);
        if (mode == one_byte_mode) {
            int plain_end = current_code == SJIS ? 0x100 : 0x80;
            while (c > esc && c < plain_end) {
                put_text_byte(c, out);
                c = read_text_byte(in);
            }
        }
    }
}

// Output "euc": as "sjis", but kana mode holds until SI or an escape, and
// Shift_JIS input is converted while EUC-JP and undecided text pass through.
static unsigned char* convert_to_euc(const unsigned char* in, unsigned char* out)
{
    int c = read_text_byte(in);
    for (;;) {
        if (c <= esc) {
            if (c == end_of_text)
                return write_pending_cr(out);
            if (is_shift_byte(c)) {
                take_shift_sequence(c, in, out);
                c = read_text_byte(in);
                continue;
            }
        }
        if (mode == two_byte_mode && in_range(c, 0x21, 0x7E)) {
            int d = read_text_byte(in);
            if (in_range(d, 0x21, 0x7E)) {
                put_pair(pair_of(c | 0x80, d | 0x80), out);
                c = read_text_byte(in);
            } else {
                c = d;
            }
            continue;
        }
        if (mode == kana_mode && in_range(c, 0x20, 0x5F)) {
            put_pair(pair_of(0x8E, c | 0x80), out);
            c = read_text_byte(in);
            continue;
        }
        if (current_code == SJIS && c >= 0x80) {
            if (is_sjis_lead(c)) {
                int d = read_text_byte(in);
                if (is_sjis_trail(d)) {
                    byte_pair jis = sjis_to_jis(c, d);
                    put_pair(pair_of(jis[0] | 0x80, jis[1] | 0x80), out);
                    c = read_text_byte(in);
                } else {
                    c = d;
                }
                continue;
            }
            if (in_range(c, 0xA0, 0xDF))
                put_pair(pair_of(0x8E, c), out);
            c = read_text_byte(in);  // any other 8-bit byte is dropped
            continue;
        }
        put_text_byte(c, out);
        c = read_text_byte(in);
    }
}

// Output "jis": the shift mode is the output's; a switch is written only
// when the mode changes.
static HOT_PATH void enter_mode(shift_mode wanted, unsigned char*& out)
{
    if (mode == wanted)
        return;
    if (wanted == two_byte_mode) {
        if (mode == kana_mode)
            put_text_byte(si, out);
        put_text_byte(esc, out);
        put_text_byte('$', out);
        put_text_byte('B', out);
    } else if (mode == two_byte_mode) {
        put_text_byte(esc, out);
        put_text_byte('(', out);
        put_text_byte('B', out);
    } else if (mode == kana_mode) {
        put_text_byte(si, out);
    }
    if (wanted == kana_mode)
        put_text_byte(so, out);
    mode = wanted;
}

static HOT_PATH void put_jis_pair(const byte_pair& pair, unsigned char*& out)
{
    enter_mode(two_byte_mode, out);
    put_pair(pair, out);
}

static HOT_PATH void put_jis_kana(int kana, unsigned char*& out)
{
    enter_mode(kana_mode, out);
    put_text_byte(kana - 0x80, out);
}

// Output "jis". Escapes, SO and SI in the input are not interpreted, and
// undecided text passes through raw. An 8-bit byte that begins nothing is
// dropped.
static unsigned char* convert_to_jis(const unsigned char* in, unsigned char* out)
{
    int c = read_text_byte(in);
    while (c != end_of_text) {
        if (current_code == UNKNOWN) {
            put_text_byte(c, out);
        } else if (c < 0x80) {
            enter_mode(one_byte_mode, out);
            put_text_byte(c, out);
        } else if (current_code == SJIS && is_sjis_lead(c)) {
            int d = read_text_byte(in);
            if (!is_sjis_trail(d)) {
                c = d;
                continue;
            }
            put_jis_pair(sjis_to_jis(c, d), out);
        } else if (current_code == SJIS) {
            if (in_range(c, 0xA0, 0xDF))
                put_jis_kana(c, out);
        } else if (in_range(c, 0xA1, 0xFE)) {
            int d = read_text_byte(in);
            if (!in_range(d, 0xA1, 0xFE)) {
                c = d;
                continue;
            }
            put_jis_pair(pair_of(c & 0x7F, d & 0x7F), out);
        } else if (c == 0x8E) {
            int d = read_text_byte(in);
            if (!in_range(d, 0xA0, 0xDF)) {
                c = d;
                continue;
            }
            put_jis_kana(d, out);
        }
        c = read_text_byte(in);
    }
    // The text ends in one-byte mode, as ISO-2022-JP text must, so that
    // whatever follows it is not read as kanji or katakana.
    enter_mode(one_byte_mode, out);
    return write_pending_cr(out);
}

int kanji_convert(const char* input_code, const char* output_code,
                  const char* source_bytes, int length, char* destination_bytes, int capacity)
{
    current_code = UNKNOWN;
    if (input_code && strcmp(input_code, "sjis") == 0)
        current_code = SJIS;
    else if (input_code && strcmp(input_code, "euc") == 0)
        current_code = EUC;
    int output = SJIS;
    if (output_code && strcmp(output_code, "euc") == 0)
        output = EUC;
    else if (output_code && strcmp(output_code, "jis") == 0)
        output = JIS;

    // A missing buffer counts as empty: nothing is read from a missing
    // source, nothing is stored into a missing destination.
    source = reinterpret_cast<const unsigned char*>(source_bytes);
    source_end = source_bytes && length > 0 ? source + length : source;
    read_limit = source;
    destination = reinterpret_cast<unsigned char*>(destination_bytes);
    destination_end = destination_bytes && capacity > 0 ? destination + capacity : destination;
    fast_write_end = destination_end;
    output_full = false;
    lookahead_fill = 0;
    pending_cr = 0;
    mode = one_byte_mode;

    unsigned char* out = output == EUC ? convert_to_euc(source, destination)
                         : output == JIS ? convert_to_jis(source, destination)
                                         : convert_to_sjis(source, destination);
    return output_full ? -1 : static_cast<int>(out - destination);
}
