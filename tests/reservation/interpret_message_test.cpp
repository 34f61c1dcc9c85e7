// Whole retrieved messages, from the +OK line to the final ".", through the
// interpreter: what it decides and what "Tobalin.tvpi" holds afterwards.
#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "reservation/interpret_message.h"
#include "reservation/quoted_printable.h"
#include "tests/doubles/clock_double.h"
#include "tests/doubles/files_double.h"

namespace {

// "resv 0615 2100 2154 8 A B Night News" on 1 June 2005, channel 8 being
// ChannelEight in the station file.
const char worked_example[] =
    "Content-type: application/x-tv-program-info; charset=shift_jis\r\n"
    "version: 1\r\n"
    "station: ChannelEight\r\n"
    "year: 2005\r\n"
    "month: 6\r\n"
    "date: 15\r\n"
    "start: 21:00\r\n"
    "end: 21:54\r\n"
    "program-title: Night News\r\n"
    "program-subtitle: \r\n"
    "genre: \r\n"
    "subgenre: \r\n"
    "Extend: 0\r\n"
    "\r\n";

const char previous_file[] = "previous reservation\r\n";

// A message as the mailbox hands it over: the +OK line, the headers, a blank
// line, the body and the end-of-message line, every line ending in CR LF.
std::string retrieved(const std::string& headers, const std::string& body)
{
    return "+OK 512 octets\r\nSubject: rec\r\n" + headers + "\r\n" + body + ".\r\n";
}

std::string lf_only(std::string text)
{
    text.erase(std::remove(text.begin(), text.end(), '\r'), text.end());
    return text;
}

const char text_plain[] = "Content-Type: text/plain; charset=ISO-2022-JP\r\nContent-Transfer-Encoding: 7bit\r\n";
const char quoted_printable[] = "Content-Type: text/plain\r\nContent-Transfer-Encoding: quoted-printable\r\n";
const std::string media = "Content-Type: application/x-tv-program-info";
const std::string programme_line = media + "; charset=shift_jis\r\n";

// A programme-information text as the recording application must receive
// it (Shift_JIS, CR LF), and as mail systems re-encode it (the Japanese
// bytes written out by Python's codecs).
const char programme_sjis[] = "Content-type: application/x-tv-program-info; charset=shift_jis\r\n"
                              "station: \x82m\x82g\x82j\x91\x8d\x8d\x87\r\n"
                              "program-title: \x83j\x83\x85\x81[\x83X\x82V\r\n";
const char programme_euc[] = "Content-type: application/x-tv-program-info; charset=shift_jis\r\n"
                             "station: \xa3\xce\xa3\xc8\xa3\xcb\xc1\xed\xb9\xe7\r\n"
                             "program-title: \xa5\xcb\xa5\xe5\xa1\xbc\xa5\xb9\xa3\xb7\r\n";
const char programme_jis[] = "Content-type: application/x-tv-program-info; charset=shift_jis\r\n"
                             "station: \x1b$B#N#H#KAm9g\x1b(B\r\n"
                             "program-title: \x1b$B%K%e!<%9#7\x1b(B\r\n";
// Quoted-printable as mail clients write it: "=" and every byte outside
// printable ASCII as =XX, long lines broken softly, some padded with blanks.
const char programme_euc_qp[] = "Content-type: application/x-tv-program-info; charset=3Dshift_jis\r\n"
                                "station: =A3=CE=A3=C8=A3=CB=C1=ED=B9=E7\r\n"
                                "program-title: =A5=CB=A5=E5=A1=BC= \t \r\n=A5=B9=A3=B7\r\n";
const char programme_jis_qp[] = "Content-type: application/x-tv-program-info; chars=\r\net=3Dshift_jis\r\n"
                                "station: =1B$B#N#H#KAm9g=1B(B\r\n"
                                "program-title: =1B$B%K%e!<%9#7=1B(B=\r\n";

class interpret : public ::testing::Test {
protected:
    void SetUp() override
    {
        // Channels 0 and 1000 are out of range, and 21, 61 and 215 are what
        // a group cut short would read as the channel.
        files.files["stations.txt"] = "8, ChannelEight\r\n1, One\r\n999, Last\r\n0, O\r\n1000, K\r\n"
                                      "21, T\r\n61, S\r\n215, U";
        files.files["Tobalin.tvpi"] = previous_file;
    }

    // The outcome for one message, and what the file holds afterwards.
    reservation_outcome run(std::string message, std::string* file)
    {
        reservation_outcome outcome = interpret_message(&message[0], "stations.txt");
        *file = files.files["Tobalin.tvpi"];
        return outcome;
    }

    files_double files;
    clock_double clock{{2005, 6, 1}};
};

TEST_F(interpret, whole_messages)
{
    const std::string command = "resv 0615 2100 2154 8 A B Night News\r\n";
    const std::string cut_short = retrieved(text_plain, programme_sjis);
    const struct {
        const char* what;
        std::string message;
        std::string file;  // afterwards; previous_file when no reservation was written
    } cases[] = {
        // The command path.
        {"command in a plain message", retrieved(text_plain, command), worked_example},
        {"command with LF line ends", lf_only(retrieved(text_plain, command)), worked_example},
        {"no valid command leaves the file as it was", retrieved(text_plain, "hello\r\n"), previous_file},
        {"no Content-Type header: junk", "+OK\r\nSubject: win\r\n\r\n" + command + ".\r\n", previous_file},
        {"header spelled Content-type only", retrieved("Content-type: text/plain\r\n", command), previous_file},
        {"no blank line", "+OK\r\nContent-Type: text/plain\r\n.\r\n", previous_file},
        {"two bare LFs win over an earlier CR LF blank line",
         "+OK\r\nSubject: a\r\n\r\nContent-Type: text/plain\n\n" + command + ".\r\n", worked_example},

        // The programme-information path; without a blank line after it the
        // part ends before the mailbox's "." line.
        {"Shift_JIS", retrieved(text_plain, programme_sjis), programme_sjis},
        {"ISO-2022-JP", retrieved(text_plain, programme_jis), programme_sjis},
        {"EUC-JP", retrieved(text_plain, programme_euc), programme_sjis},
        {"EUC-JP with LF line ends", lf_only(retrieved(text_plain, programme_euc)), programme_sjis},
        {"quoted-printable ISO-2022-JP ending in a soft break", retrieved(quoted_printable, programme_jis_qp),
         programme_sjis},
        {"quoted-printable EUC-JP with a padded soft break", retrieved(quoted_printable, programme_euc_qp),
         programme_sjis},
        {"a reply cut at the bound inside its last line still ends it",
         cut_short.substr(0, cut_short.size() - 5), programme_sjis},
        {"the part runs from its Content-Type to its blank line",
         retrieved(text_plain, std::string("Hello,\r\n") + programme_sjis + "\r\nnot programme information\r\n"),
         programme_sjis},
        {"no Content-Transfer-Encoding header", retrieved("Content-Type: text/plain\r\n", programme_sjis),
         previous_file},
        {"Quoted-Printable in other letters is not decoded",
         retrieved("Content-Type: text/plain\r\nContent-Transfer-Encoding: Quoted-Printable\r\n",
                   "Content-type: application/x-tv-program-info; charset=3Dshift_jis\r\n"),
         "Content-type: application/x-tv-program-info; charset=3Dshift_jis\r\n"},
        {"charset Shift_JIS is copied unchanged", retrieved(text_plain, media + "; charset=Shift_JIS\r\n\xa3\xce\r\n"),
         media + "; charset=Shift_JIS\r\n\xa3\xce\r\n"},
        {"charset euc-jp is copied unchanged", retrieved(text_plain, media + "; charset=euc-jp\r\n\xa3\xce\r\n"),
         media + "; charset=euc-jp\r\n\xa3\xce\r\n"},
        {"a space before the semicolon", retrieved(text_plain, media + " ; charset=shift_jis\r\n"), previous_file},
        {"nothing after the media type", retrieved(text_plain, media + "\r\nversion: 1\r\n"), previous_file},
        {"the media type at the very end of the decoded text",
         retrieved(quoted_printable, media + "=00charset=3Dshift_jis\r\n"), previous_file},
        {"the first Content-Type in the body decides",
         retrieved(text_plain, "Content-Type: text/html\r\n\r\n" + programme_line), previous_file},
        {"Content-Type wins over an earlier Content-type",
         retrieved(text_plain, "Content-type: text/html\r\n\r\n" + programme_line), programme_line},
        {"multipart: only the part's header lines",
         retrieved("Content-Type: multipart/mixed; boundary=XX\r\nContent-Transfer-Encoding: 7bit\r\n",
                   "--XX\r\n" + programme_line + "\r\nversion: 1\r\n--XX--\r\n"),
         programme_line},
        {"multipart without the encoding header in the message",
         retrieved("Content-Type: multipart/mixed; boundary=XX\r\n",
                   "--XX\r\n" + programme_line + "Content-Transfer-Encoding: 7bit\r\n\r\nversion: 1\r\n--XX--\r\n"),
         previous_file},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        files.files["Tobalin.tvpi"] = previous_file;
        std::string file;
        reservation_outcome outcome = run(c.message, &file);
        EXPECT_EQ(outcome, c.file == previous_file ? no_reservation : reservation_written);
        EXPECT_EQ(file, c.file);
    }
}

TEST_F(interpret, a_reservation_that_cannot_be_written_is_reported)
{
    files.failing_path = "Tobalin.tvpi";
    for (const char* body : {"resv 0615 2100 2154 8 A B Night News\r\n", programme_sjis}) {
        std::string file;
        EXPECT_EQ(run(retrieved(text_plain, body), &file), reservation_not_written) << body;
        EXPECT_EQ(run(retrieved(text_plain, "hello\r\n"), &file), no_reservation);
    }
}

// Lines 3 to 9 of the file, for each command that is taken.
TEST_F(interpret, accepted_commands)
{
    const struct {
        const char* body;
        const char* lines;
        os_date today = {2005, 6, 1};
    } cases[] = {
        {"open x prog add 20050615 2100 2154 8", "ChannelEight 2005 6 15 21:00 21:54 Tobalin\x97\x5C\x96\xF1"},
        {"open  x  prog \t add  20040101 0900 0930 8 anything",
         "ChannelEight 2004 1 1 09:00 09:30 Tobalin\x97\x5C\x96\xF1"},
        {" \t resv 0231 2100 2154 8 A B T", "ChannelEight 2006 2 31 21:00 21:54 T"},
        {"resv 0615 0000 2359 1 A B T", "One 2005 6 15 00:00 23:59 T"},
        {"resv 1231 2330 0030 999 A B T", "Last 2005 12 31 23:30 00:30 T"},
        {"resv 0615 ab05 2154 8 A B T", "ChannelEight 2005 6 15 00:05 21:54 T"},
        // Blanks are spaces and tabs; a tab belongs to a word.
        {"resv   0615\t2100  2154 \t8ch\tx A B Night\tNews  ", "ChannelEight 2005 6 15 21:00 21:54 Night\tNews  "},
        {"resvp w 0615 2100 2154 8 A B T", "ChannelEight 2005 6 15 21:00 21:54 T"},
        // The title is the rest of its line; later lines are not the programme's.
        {"resv 0615 2100 2154 8 A B T\r\nmore\r\nlines", "ChannelEight 2005 6 15 21:00 21:54 T"},
        {"resv 0615 2100 2154 8 A B T\rNews", "ChannelEight 2005 6 15 21:00 21:54 T"},
        // The word B runs on through the line end: no title.
        {"resv 0615 2100 2154 8 A B", "ChannelEight 2005 6 15 21:00 21:54 "},
        {"resv 0615 2100 2154 8", "ChannelEight 2005 6 15 21:00 21:54 "},
        // A date without a year is the next one to come.
        {"resv 0614 2100 2154 8 A B T", "ChannelEight 2006 6 14 21:00 21:54 T", {2005, 6, 15}},
        {"resv 0615 2100 2154 8 A B T", "ChannelEight 2005 6 15 21:00 21:54 T", {2005, 6, 15}},
        {"resv 0616 2100 2154 8 A B T", "ChannelEight 2005 6 16 21:00 21:54 T", {2005, 6, 15}},
        {"resv 0630 2100 2154 8 A B T", "ChannelEight 2006 6 30 21:00 21:54 T", {2005, 7, 1}},
        {"resv 0601 2100 2154 8 A B T", "ChannelEight 2005 6 1 21:00 21:54 T", {2005, 5, 31}},
        {"resv 0101 2100 2154 8 A B T", "ChannelEight 2006 1 1 21:00 21:54 T", {2005, 12, 31}},
    };
    const char* names[] = {"station: ", "year: ", "month: ", "date: ", "start: ", "end: ", "program-title: "};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.body);
        clock.today = c.today;
        std::string expected = "Content-type: application/x-tv-program-info; charset=shift_jis\r\nversion: 1\r\n";
        std::string fields = c.lines;
        for (int i = 0; i < 7; ++i) {
            size_t space = i < 6 ? fields.find(' ') : fields.size();
            expected += names[i] + fields.substr(0, space) + "\r\n";
            fields.erase(0, space + 1);
        }
        expected += "program-subtitle: \r\ngenre: \r\nsubgenre: \r\nExtend: 0\r\n\r\n";
        std::string file;
        ASSERT_EQ(run(retrieved(text_plain, c.body + std::string("\r\n")), &file), reservation_written);
        EXPECT_EQ(file, expected);
    }
}

TEST_F(interpret, refused_commands_leave_the_file_as_it_was)
{
    const char* bodies[] = {
        "  \t ",
        "resv\t0615 2100 2154 8 A B T",  // the keyword's space must be a space
        "RESV 0615 2100 2154 8 A B T", "0615 2100 2154 8 A B T",
        "\r\nresv 0615 2100 2154 8 A B T",     // the command must stand on the first line
        "open prog add 20050615 2100 2154 8",  // "prog" is taken for the word after "open"
        "open x prog 20050615 2100 2154 8",
        "open x add 20050615 2100 2154 8",
        "open x prog add 20030615 2100 2154 8",
        "resvp 0615 2100 2154 8 A B T",  // 0615 is taken for the word after "resvp"
        // Each field out of its range, or channel 7 with no line.
        "resv 0015 2100 2154 8 A B T", "resv 1315 2100 2154 8 A B T", "resv ab15 2100 2154 8 A B T",
        "resv 0600 2100 2154 8 A B T", "resv 0632 2100 2154 8 A B T", "resv 0615 2400 2154 8 A B T",
        "resv 0615 2360 2154 8 A B T", "resv 0615 2100 2400 8 A B T", "resv 0615 2100 2160 8 A B T",
        "resv 0615 2100 2154 0 A B T", "resv 0615 2100 2154 1000 A B T", "resv 0615 2100 2154 7 A B T",
        "resv 0615 2100 2154 4294967304 A B T",  // does not wrap round to channel 8
        // Groups cut short by the end of the text.
        "resv ", "resv 061", "resv 0615", "resv 0615 21", "resv 0615 2100 215", "resv 0615 2100 2154  \t",
        "open x prog add 200", "open x prog add 2005061",
    };
    for (const char* body : bodies) {
        SCOPED_TRACE(body);
        std::string message = "+OK\r\nContent-Type: text/plain\r\n\r\n" + std::string(body);
        std::string file;
        EXPECT_EQ(run(message, &file), no_reservation);
        EXPECT_EQ(file, previous_file);
    }
    // Without a usable station file.
    for (const char* station : {"", "missing.txt"}) {
        std::string message = retrieved(text_plain, "resv 0615 2100 2154 8 A B T\r\n");
        EXPECT_EQ(interpret_message(&message[0], station), no_reservation) << station;
    }
}

TEST(quoted_printable, decodes_escapes_and_soft_line_breaks)
{
    const struct {
        std::string encoded;
        std::string decoded;
    } cases[] = {
        {"=41=4a=4A=3F=3f", "AJJ??"}, {"=E3=e3\x82\xa0", "\xe3\xe3\x82\xa0"}, {"a \t\r\nb", "a \t\r\nb"},
        {"a=\nbad", "abad"}, {"a=\r\n\r\nb", "ab"},  // a soft line break takes the whole run of line ends
        {"NHK=  \r\nx", "NHKx"}, {"a=\t \nb", "ab"},  // and the blanks a transport padded it with
        {"=G1=1G", "=G1=1G"}, {"charset=shift_jis", "charset=shift_jis"}, {"a= b", "a= b"},  // no escape
        {"ab=", "ab="}, {"ab=4", "ab=4"}, {"ab= ", "ab= "},  // cut off by the end of the text
        {"a=00b", "a"},                                      // a 0 byte ends the text
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.encoded);
        char* decoded = decode_quoted_printable(c.encoded.c_str());
        ASSERT_NE(decoded, nullptr);
        EXPECT_EQ(std::string(decoded), c.decoded);
        free(decoded);
    }
}

}  // namespace
