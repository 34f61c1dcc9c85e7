// Whole retrieved messages, from the +OK line to the final ".", through the
// interpreter: the result, the file on disk, the hand-off and the script.
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "reservation/interpret_message.h"
#include "settings/settings.h"
#include "tests/doubles/clock_double.h"
#include "tests/doubles/process_double.h"
#include "tests/support/temp_dir.h"

extern const char worked_example_file[];  // what "resv 0615 2100 2154 8 A B Night News" gives

namespace {

const char hand_off_command[] = "rundll32.exe url.dll,FileProtocolHandler Tobalin.tvpi";
const char previous_file[] = "previous reservation\r\n";
const char unchanged[] = "<unchanged>";

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

// A programme-information text as the recording application must receive
// it (Shift_JIS, CR LF), and as mail systems re-encode it.
const char programme_sjis[] = "Content-type: application/x-tv-program-info; charset=shift_jis\r\n"
                              "station: \x82m\x82g\x82j\x91\x8d\x8d\x87\r\n"
                              "program-title: \x83j\x83\x85\x81[\x83X\x82V\r\n";
const char programme_euc[] = "Content-type: application/x-tv-program-info; charset=shift_jis\r\n"
                             "station: \xa3\xce\xa3\xc8\xa3\xcb\xc1\xed\xb9\xe7\r\n"
                             "program-title: \xa5\xcb\xa5\xe5\xa1\xbc\xa5\xb9\xa3\xb7\r\n";
const char programme_jis[] = "Content-type: application/x-tv-program-info; charset=shift_jis\r\n"
                             "station: \x1b$B#N#H#KAm9g\x1b(B\r\n"
                             "program-title: \x1b$B%K%e!<%9#7\x1b(B\r\n";

// The same two, quoted-printable as a mail client writes them: "=" and
// every byte outside printable ASCII as =XX, long lines broken softly.
const char programme_euc_qp[] = "Content-type: application/x-tv-program-info; charset=3Dshift_jis\r\n"
                                "station: =A3=CE=A3=C8=A3=CB=C1=ED=B9=E7\r\n"
                                "program-title: =A5=CB=A5=E5=A1=BC=\r\n=A5=B9=A3=B7\r\n";
const char programme_jis_qp[] = "Content-type: application/x-tv-program-info; chars=\r\net=3Dshift_jis\r\n"
                                "station: =1B$B#N#H#KAm9g=1B(B\r\n"
                                "program-title: =1B$B%K%e!<%9#7=1B(B\r\n";

class interpret : public in_temp_dir {
protected:
    void SetUp() override
    {
        in_temp_dir::SetUp();
        write_file("stations.txt", "8, ChannelEight\r\n");
        write_file("script.tbn", "Sleep 4321\r\n");
        memset(&Settings, 0, sizeof Settings);
        strcpy(Settings.Station, "stations.txt");
        strcpy(Settings.Batch, "script.tbn");
    }
    clock_double clock{{2005, 6, 1}};
    process_double processes;
};

TEST_F(interpret, whole_messages)
{
    const std::string command = "resv 0615 2100 2154 8 A B Night News\r\n";
    const std::string media = "Content-Type: application/x-tv-program-info";
    const std::string programme_line = media + "; charset=shift_jis\r\n";
    const std::string cut_short = retrieved(text_plain, programme_sjis);
    const struct {
        const char* what;
        std::string message;
        int result;
        std::string file;  // the bytes of Tobalin.tvpi afterwards, or unchanged
    } cases[] = {
        // The command path.
        {"command in a plain message", retrieved(text_plain, command), 0, worked_example_file},
        {"command with LF line ends", lf_only(retrieved(text_plain, command)), 0, worked_example_file},
        {"no valid command empties the file", retrieved(text_plain, "hello\r\n"), -1, ""},
        {"header spelled Content-type only", retrieved("Content-type: text/plain\r\n", command), -1, unchanged},
        {"no blank line", "+OK\r\nContent-Type: text/plain\r\n.\r\n", -1, unchanged},
        {"two bare LFs win over an earlier CR LF blank line",
         "+OK\r\nSubject: a\r\n\r\nContent-Type: text/plain\n\n" + command + ".\r\n", 0, worked_example_file},

        // The programme-information path; without a blank line after it the
        // part ends before the mailbox's "." line.
        {"Shift_JIS", retrieved(text_plain, programme_sjis), 0, programme_sjis},
        {"ISO-2022-JP", retrieved(text_plain, programme_jis), 0, programme_sjis},
        {"EUC-JP", retrieved(text_plain, programme_euc), 0, programme_sjis},
        {"EUC-JP with LF line ends", lf_only(retrieved(text_plain, programme_euc)), 0, programme_sjis},
        {"quoted-printable ISO-2022-JP", retrieved(quoted_printable, programme_jis_qp), 0, programme_sjis},
        {"quoted-printable EUC-JP", retrieved(quoted_printable, programme_euc_qp), 0, programme_sjis},
        {"a reply cut at the bound keeps its last line", cut_short.substr(0, cut_short.size() - 3), 0,
         programme_sjis},
        {"the part runs from its Content-Type to its blank line",
         retrieved(text_plain, std::string("Hello,\r\n") + programme_sjis + "\r\nnot programme information\r\n"), 0,
         programme_sjis},
        {"no Content-Transfer-Encoding header", retrieved("Content-Type: text/plain\r\n", programme_sjis), -1,
         unchanged},
        {"Quoted-Printable in other letters is not decoded",
         retrieved("Content-Type: text/plain\r\nContent-Transfer-Encoding: Quoted-Printable\r\n",
                   "Content-type: application/x-tv-program-info; charset=3Dshift_jis\r\n"),
         0, "Content-type: application/x-tv-program-info; charset=3Dshift_jis\r\n"},
        {"charset Shift_JIS is copied unchanged", retrieved(text_plain, media + "; charset=Shift_JIS\r\n\xa3\xce\r\n"),
         0, media + "; charset=Shift_JIS\r\n\xa3\xce\r\n"},
        {"charset euc-jp is copied unchanged", retrieved(text_plain, media + "; charset=euc-jp\r\n\xa3\xce\r\n"), 0,
         media + "; charset=euc-jp\r\n\xa3\xce\r\n"},
        {"a space before the semicolon", retrieved(text_plain, media + " ; charset=shift_jis\r\n"), -1, unchanged},
        {"nothing after the media type", retrieved(text_plain, media + "\r\nversion: 1\r\n"), -1, unchanged},
        {"the media type at the very end of the decoded text",
         retrieved(quoted_printable, media + "=00charset=3Dshift_jis\r\n"), -1, unchanged},
        {"the first Content-Type in the body decides",
         retrieved(text_plain, "Content-Type: text/html\r\n\r\n" + programme_line), -1, unchanged},
        {"Content-Type wins over an earlier Content-type",
         retrieved(text_plain, "Content-type: text/html\r\n\r\n" + programme_line), 0, programme_line},
        {"multipart: only the part's header lines",
         retrieved("Content-Type: multipart/mixed; boundary=XX\r\nContent-Transfer-Encoding: 7bit\r\n",
                   "--XX\r\n" + programme_line + "\r\nversion: 1\r\n--XX--\r\n"),
         0, programme_line},
        {"multipart without the encoding header in the message",
         retrieved("Content-Type: multipart/mixed; boundary=XX\r\n",
                   "--XX\r\n" + programme_line + "Content-Transfer-Encoding: 7bit\r\n\r\nversion: 1\r\n--XX--\r\n"),
         -1, unchanged},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        write_file("Tobalin.tvpi", previous_file);
        processes.started.clear();
        clock.sleeps.clear();

        std::vector<char> text(c.message.begin(), c.message.end());
        text.push_back('\0');
        EXPECT_EQ(interpret_message(text.data()), c.result);
        EXPECT_EQ(file_bytes("Tobalin.tvpi"), c.file == unchanged ? previous_file : c.file);
        // Handed off, and the script run after it, exactly when the file was written.
        bool written = c.result == 0;
        EXPECT_EQ(processes.started, written ? std::vector<std::string>{hand_off_command} : std::vector<std::string>{});
        EXPECT_EQ(clock.sleeps, written ? std::vector<uint32_t>{4321} : std::vector<uint32_t>{});
    }
}

TEST_F(interpret, without_a_script_the_hand_off_only_starts_the_file_handler)
{
    Settings.Batch[0] = '\0';
    EXPECT_EQ(hand_off_reservation(), 0);
    EXPECT_EQ(processes.started, std::vector<std::string>{hand_off_command});
    EXPECT_TRUE(clock.sleeps.empty());
}

TEST_F(interpret, a_file_that_cannot_be_written_is_not_handed_off)
{
    std::filesystem::create_directory("Tobalin.tvpi");
    for (const char* body : {"resv 0615 2100 2154 8 A B Night News\r\n", programme_sjis}) {
        std::string message = retrieved(text_plain, body);
        EXPECT_EQ(interpret_message(&message[0]), -1);
    }
    EXPECT_TRUE(processes.started.empty());
}

TEST(quoted_printable, decodes_escapes_and_soft_line_breaks)
{
    const struct {
        std::string encoded;
        std::string decoded;
    } cases[] = {
        {"=41=4a=4A", "AJJ"}, {"=E3=e3\x82\xa0", "\xe3\xe3\x82\xa0"}, {"a \t\r\nb", "a \t\r\nb"},
        {"=G1=1G", "\x01\x10"},  // a byte that is no hexadecimal digit counts as 0
        {"a= \rb", "a"},          // so two of them give 0, which ends the text
        {"a=\nb", "ab"}, {"a=\r\n\r\nb", "ab"},  // a soft line break takes the whole run of line ends
        {"ab=", "ab="}, {"ab=4", "ab=4"},      // an escape cut off by the end of the text is kept as it stands
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
