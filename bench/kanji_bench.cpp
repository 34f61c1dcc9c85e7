// Throughput of kanji_convert("auto", "sjis") on about 32 MiB of Japanese
// text in EUC-JP, ISO-2022-JP and Shift_JIS, and of utf8_to_sjis on the
// same text in UTF-8, against glibc's iconv doing the same conversion (to
// SHIFT_JIS, from UTF-8 to CP932) and against memcpy, on the same input in
// the same run. Each figure is the median of several runs; MB is 10^6 bytes
// of input.
#include <iconv.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include "kanji/kanji_convert.h"
#include "kanji/utf8_to_sjis.h"

namespace {

constexpr size_t corpus_size = 32u << 20;
constexpr int runs = 7;

uint32_t random_state = 0x2545F491;

uint32_t next_random()
{
    random_state ^= random_state << 13;
    random_state ^= random_state >> 17;
    random_state ^= random_state << 5;
    return random_state;
}

uint32_t random_below(uint32_t n)
{
    return next_random() % n;
}

// Whole text through iconv; exits on failure (the corpora are well formed).
std::string iconv_all(iconv_t cd, const std::string& in)
{
    std::string out(in.size() * 2 + 16, '\0');
    char* inp = const_cast<char*>(in.data());
    size_t inleft = in.size();
    char* outp = &out[0];
    size_t outleft = out.size();
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    if (iconv(cd, &inp, &inleft, &outp, &outleft) == static_cast<size_t>(-1) ||
        iconv(cd, nullptr, nullptr, &outp, &outleft) == static_cast<size_t>(-1)) {
        perror("iconv");
        exit(1);
    }
    out.resize(out.size() - outleft);
    return out;
}

// The JIS X 0208 pairs glibc knows (j1 * 256 + j2), by row.
std::vector<std::vector<int>> assigned_rows()
{
    iconv_t cd = iconv_open("UCS-4LE", "EUC-JP");
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        perror("iconv_open EUC-JP");
        exit(1);
    }
    std::vector<std::vector<int>> rows(95);
    for (int j1 = 0x21; j1 <= 0x7E; ++j1) {
        for (int j2 = 0x21; j2 <= 0x7E; ++j2) {
            char in[2] = {static_cast<char>(j1 | 0x80), static_cast<char>(j2 | 0x80)};
            char out[8];
            char* inp = in;
            char* outp = out;
            size_t inleft = 2, outleft = sizeof out;
            iconv(cd, nullptr, nullptr, nullptr, nullptr);
            if (iconv(cd, &inp, &inleft, &outp, &outleft) != static_cast<size_t>(-1))
                rows[j1 - 0x20].push_back(j1 << 8 | j2);
        }
    }
    iconv_close(cd);
    return rows;
}

// A character the way Japanese prose uses them: mostly hiragana and
// level-1 kanji, some katakana, a few symbols and level-2 kanji.
int random_character(const std::vector<std::vector<int>>& rows)
{
    uint32_t pick = random_below(100);
    int row;
    if (pick < 45)
        row = 4;
    else if (pick < 60)
        row = 5;
    else if (pick < 95)
        row = 16 + static_cast<int>(random_below(32));
    else
        row = 1 + static_cast<int>(random_below(84));
    while (rows[row].empty())
        row = 1 + static_cast<int>(random_below(84));
    return rows[row][random_below(static_cast<uint32_t>(rows[row].size()))];
}

// Japanese text in EUC-JP with CR LF line ends: runs of JIS X 0208
// characters mixed with ASCII words.
std::string make_euc_corpus()
{
    std::vector<std::vector<int>> rows = assigned_rows();
    std::string euc;
    size_t line = 0;
    while (euc.size() < corpus_size) {
        if (random_below(100) < 35) {
            int letters = 3 + static_cast<int>(random_below(7));
            for (int i = 0; i < letters; ++i)
                euc += "abcdefghijklmnopqrstuvwxyz0123456789"[random_below(36)];
            euc += ' ';
            line += static_cast<size_t>(letters) + 1;
        } else {
            int characters = 2 + static_cast<int>(random_below(11));
            for (int i = 0; i < characters; ++i) {
                int pair = random_character(rows);
                euc += static_cast<char>(pair >> 8 | 0x80);
                euc += static_cast<char>((pair & 0xFF) | 0x80);
            }
            line += 2 * static_cast<size_t>(characters);
        }
        if (line >= 60 + random_below(40)) {
            euc += "\r\n";
            line = 0;
        }
    }
    euc += "\r\n";
    return euc;
}

// CPU time of this thread: the machine is shared, and time spent waiting
// for a core says nothing about the conversion.
double cpu_seconds()
{
    timespec now;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

double seconds_of(void (*job)(const std::string&, std::string&), const std::string& in, std::string& out)
{
    double start = cpu_seconds();
    job(in, out);
    benchmark::ClobberMemory();
    return cpu_seconds() - start;
}

int converted_length;
iconv_t iconv_job_cd;

void ours(const std::string& in, std::string& out)
{
    converted_length = kanji_convert("auto", "sjis", in.data(), static_cast<int>(in.size()), &out[0],
                                     static_cast<int>(in.size()) + 30);
    benchmark::DoNotOptimize(out.data());
}

void ours_from_utf8(const std::string& in, std::string& out)
{
    converted_length = utf8_to_sjis(in.data(), static_cast<int>(in.size()), &out[0], static_cast<int>(out.size()));
    benchmark::DoNotOptimize(out.data());
}

void theirs(const std::string& in, std::string& out)
{
    char* inp = const_cast<char*>(in.data());
    size_t inleft = in.size();
    char* outp = &out[0];
    size_t outleft = out.size();
    iconv(iconv_job_cd, nullptr, nullptr, nullptr, nullptr);
    if (iconv(iconv_job_cd, &inp, &inleft, &outp, &outleft) == static_cast<size_t>(-1)) {
        perror("iconv");
        exit(1);
    }
    benchmark::DoNotOptimize(out.data());
}

void copy(const std::string& in, std::string& out)
{
    memcpy(&out[0], in.data(), in.size());
    benchmark::DoNotOptimize(out.data());
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

double megabytes_per_second(size_t bytes, double seconds)
{
    return static_cast<double>(bytes) / seconds / 1e6;
}

// kanji_convert (job ours) makes CR LF LF; utf8_to_sjis (ours_from_utf8)
// leaves line ends as they are.
bool measure(const char* name, const char* iconv_name, const std::string& in,
             void (*job)(const std::string&, std::string&) = ours, const char* iconv_target = "SHIFT_JIS")
{
    iconv_job_cd = iconv_open(iconv_target, iconv_name);
    if (iconv_job_cd == reinterpret_cast<iconv_t>(-1)) {
        perror("iconv_open");
        exit(1);
    }
    // The same result first: iconv's Shift_JIS, with its CR LF made LF for kanji_convert.
    std::string expected = iconv_all(iconv_job_cd, in);
    if (job == ours)
        expected.erase(std::remove(expected.begin(), expected.end(), '\r'), expected.end());
    std::string out(in.size() * 2 + 64, '\0');
    job(in, out);
    bool same = converted_length == static_cast<int>(expected.size()) &&
                memcmp(out.data(), expected.data(), expected.size()) == 0;

    std::vector<double> t_ours, t_iconv, t_copy;
    for (int run = 0; run < runs; ++run) {
        t_ours.push_back(seconds_of(job, in, out));
        t_iconv.push_back(seconds_of(theirs, in, out));
        t_copy.push_back(seconds_of(copy, in, out));
    }
    iconv_close(iconv_job_cd);
    double m_ours = megabytes_per_second(in.size(), median(t_ours));
    double m_iconv = megabytes_per_second(in.size(), median(t_iconv));
    double m_copy = megabytes_per_second(in.size(), median(t_copy));
    printf("%-12s %9zu %10.0f %10.0f %10.0f %11.2f %11.3f  %s\n", name, in.size(), m_ours, m_iconv, m_copy,
           m_ours / m_iconv, m_ours / m_copy, same ? "same" : "DIFFERENT");
    return same;
}

}  // namespace

int main()
{
    // The other two corpora are the same text as glibc writes it: in
    // ISO-2022-JP back in ASCII before each line end, as mail has it.
    std::string euc = make_euc_corpus();
    iconv_t cd = iconv_open("ISO-2022-JP", "EUC-JP");
    std::string jis = iconv_all(cd, euc);
    iconv_close(cd);
    cd = iconv_open("SHIFT_JIS", "EUC-JP");
    std::string sjis = iconv_all(cd, euc);
    iconv_close(cd);
    cd = iconv_open("UTF-8", "EUC-JP");
    std::string utf8 = iconv_all(cd, euc);
    iconv_close(cd);

    printf("kanji_convert(\"auto\", \"sjis\") against glibc iconv (to SHIFT_JIS) and memcpy, and on UTF-8\n"
           "utf8_to_sjis against iconv to CP932; MB/s of input, median of %d runs; last column: our\n"
           "output equals iconv's (kanji_convert's with CR LF made LF)\n\n",
           runs);
    printf("%-12s %9s %10s %10s %10s %11s %11s\n", "corpus", "bytes", "ours", "iconv", "memcpy", "ours/iconv",
           "ours/memcpy");
    bool same = measure("EUC-JP", "EUC-JP", euc);
    same = measure("ISO-2022-JP", "ISO-2022-JP", jis) && same;
    same = measure("Shift_JIS", "SHIFT_JIS", sjis) && same;
    same = measure("UTF-8", "UTF-8", utf8, ours_from_utf8, "CP932") && same;
    return same ? 0 : 1;
}
