// Whole retrieved messages, from the +OK line to the final ".", through the
// interpreter: the result, the file on disk, the hand-off and the script.
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "reservation/interpret_message.h"
#include "settings/settings.h"
#include "tests/doubles/clock_double.h"
#include "tests/doubles/process_double.h"
#include "tests/support/temp_dir.h"

namespace {

const char hand_off_command[] = "rundll32.exe url.dll,FileProtocolHandler Tobalin.tvpi";
const char previous_file[] = "previous reservation\r\n";
const char unchanged[] = "<unchanged>";

// A message as the mailbox hands it over: the +OK line, the headers, a blank
// line, the body and the end-of-message line, every line ending in CR LF.
std::string retrieved(const std::string& headers, const std::string& body)
{
    return "+OK 512 octets\r\nReturn-Path: <me@example.jp>\r\nSubject: rec\r\n" + headers + "\r\n" + body + ".\r\n";
}

std::string lf_only(std::string text)
{
    std::string out;
    for (char c : text)
        if (c != '\r')
            out += c;
    return out;
}

const char text_plain[] = "Content-Type: text/plain; charset=ISO-2022-JP\r\nContent-Transfer-Encoding: 7bit\r\n";
const char quoted_printable[] = "Content-Type: text/plain; charset=Shift_JIS\r\n"
                                "Content-Transfer-Encoding: quoted-printable\r\n";

// The programme-information text every mail client sends in its own way,
// here as the recording application must receive it: Shift_JIS, CR LF.
const char programme_sjis[] =
    "Content-type: application/x-tv-program-info; charset=shift_jis\r\n"
    "version: 1\r\n"
    "station: \x82m\x82g\x82j\x91\x8d\x8d\x87\r\n"
    "year: 2005\r\n"
    "month: 06\r\n"
    "date: 15\r\n"
    "start: 21:00\r\n"
    "end: 21:54\r\n"
    "program-title: \x83j\x83\x85\x81[\x83X\x82V\r\n"
    "program-subtitle: \x8b\x43\x8f\xdb\x8f\xee\x95\xf1\x81\x45\x83X\x83|\x81[\x83\x63\r\n";
const char programme_euc[] =
    "Content-type: application/x-tv-program-info; charset=shift_jis\r\n"
    "version: 1\r\n"
    "station: \xa3\xce\xa3\xc8\xa3\xcb\xc1\xed\xb9\xe7\r\n"
    "year: 2005\r\n"
    "month: 06\r\n"
    "date: 15\r\n"
    "start: 21:00\r\n"
    "end: 21:54\r\n"
    "program-title: \xa5\xcb\xa5\xe5\xa1\xbc\xa5\xb9\xa3\xb7\r\n"
    "program-subtitle: \xb5\xa4\xbe\xdd\xbe\xf0\xca\xf3\xa1\xa6\xa5\xb9\xa5\xdd\xa1\xbc\xa5\xc4\r\n";
const char programme_jis[] =
    "Content-type: application/x-tv-program-info; charset=shift_jis\r\n"
    "version: 1\r\n"
    "station: \x1b$B#N#H#KAm9g\x1b(B\r\n"
    "year: 2005\r\n"
    "month: 06\r\n"
    "date: 15\r\n"
    "start: 21:00\r\n"
    "end: 21:54\r\n"
    "program-title: \x1b$B%K%e!<%9#7\x1b(B\r\n"
    "program-subtitle: \x1b$B5$>]>pJs!&%9%]!<%D\x1b(B\r\n";

// Quoted-printable as a mail client writes it: "=" and every byte outside
// printable ASCII as =XX, lines longer than 40 bytes broken softly.
std::string qp_encoded(const std::string& text)
{
    static const char digits[] = "0123456789ABCDEF";
    std::string out;
    size_t column = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
            out += "\r\n";
            ++i;
            column = 0;
            continue;
        }
        std::string piece = (c >= 0x21 && c <= 0x7E && c != '=') || c == ' '
                                ? std::string(1, static_cast<char>(c))
                                : std::string{'=', digits[c >> 4], digits[c & 15]};
        if (column + piece.size() > 40) {
            out += "=\r\n";
            column = 0;
        }
        out += piece;
        column += piece.size();
    }
    return out;
}

const char command_file[] = "Content-type: application/x-tv-program-info; charset=shift_jis\r\n"
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

struct message_case {
    const char* what;
    std::string message;
    int result;
    std::string file;  // the bytes of Tobalin.tvpi afterwards, or unchanged
};

std::vector<message_case> message_cases()
{
    const std::string command = "resv 0615 2100 2154 8 A B Night News\r\n";
    const std::string programme_line = "Content-Type: application/x-tv-program-info; charset=shift_jis\r\n";
    return {
        // The command path.
        {"command in a plain message", retrieved(text_plain, command), 0, command_file},
        {"command with LF line ends", lf_only(retrieved(text_plain, command)), 0, command_file},
        {"command followed by a signature", retrieved(text_plain, command + "-- \r\nsent from my phone\r\n"), 0,
         command_file},
        {"no valid command empties the file", retrieved(text_plain, "hello\r\n"), -1, ""},
        {"header spelled Content-type only", retrieved("Content-type: text/plain\r\n", command), -1, unchanged},
        {"no Content-Type header", retrieved("X-Mailer: x\r\n", command), -1, unchanged},
        {"no blank line", "+OK\r\nContent-Type: text/plain\r\n.\r\n", -1, unchanged},
        {"two bare LFs win over an earlier CR LF blank line",
         "+OK\r\nSubject: a\r\n\r\nContent-Type: text/plain\n\nresv 0615 2100 2154 8 A B Night News\r\n.\r\n", 0,
         command_file},

        // The programme-information path.
        {"programme information, 7bit Shift_JIS", retrieved(text_plain, programme_sjis), 0, programme_sjis},
        {"ISO-2022-JP", retrieved(text_plain, programme_jis), 0, programme_sjis},
        {"EUC-JP", retrieved(text_plain, programme_euc), 0, programme_sjis},
        {"LF line ends", lf_only(retrieved(text_plain, programme_euc)), 0, programme_sjis},
        {"quoted-printable Shift_JIS", retrieved(quoted_printable, qp_encoded(programme_sjis)), 0, programme_sjis},
        {"quoted-printable ISO-2022-JP", retrieved(quoted_printable, qp_encoded(programme_jis)), 0, programme_sjis},
        {"quoted-printable EUC-JP", retrieved(quoted_printable, qp_encoded(programme_euc)), 0, programme_sjis},
        {"the part ends at its blank line",
         retrieved(text_plain, std::string(programme_sjis) + "\r\nnot programme information\r\n"), 0, programme_sjis},
        {"text before the part is not written", retrieved(text_plain, std::string("Hello,\r\n") + programme_sjis), 0,
         programme_sjis},
        {"no Content-Transfer-Encoding header",
         retrieved("Content-Type: text/plain\r\n", programme_sjis), -1, unchanged},
        {"Quoted-Printable in other letters is not decoded",
         retrieved("Content-Type: text/plain\r\nContent-Transfer-Encoding: Quoted-Printable\r\n",
                   "Content-type: application/x-tv-program-info; charset=3Dshift_jis\r\nversion: 1\r\n"),
         0, "Content-type: application/x-tv-program-info; charset=3Dshift_jis\r\nversion: 1\r\n"},
        {"charset Shift_JIS is copied unchanged",
         retrieved(text_plain, "Content-Type: application/x-tv-program-info; charset=Shift_JIS\r\n"
                               "station: \xa3\xce\r\n"),
         0, "Content-Type: application/x-tv-program-info; charset=Shift_JIS\r\nstation: \xa3\xce\r\n"},
        {"charset euc-jp is copied unchanged",
         retrieved(text_plain, "Content-Type: application/x-tv-program-info; charset=euc-jp\r\nstation: \xa3\xce\r\n"),
         0, "Content-Type: application/x-tv-program-info; charset=euc-jp\r\nstation: \xa3\xce\r\n"},
        {"a space before the semicolon",
         retrieved(text_plain, "Content-Type: application/x-tv-program-info ; charset=shift_jis\r\n"), -1,
         unchanged},
        {"nothing after the media type",
         retrieved(text_plain, "Content-Type: application/x-tv-program-info\r\nversion: 1\r\n"), -1, unchanged},
        {"the media type at the very end of the decoded text",
         retrieved(quoted_printable, "Content-Type: application/x-tv-program-info=00; charset=shift_jis\r\n"), -1,
         unchanged},
        {"another media type", retrieved(text_plain, "Content-Type: text/html\r\n\r\n<p>x</p>\r\n"), -1, unchanged},
        {"the first Content-Type in the body decides",
         retrieved(text_plain, "Content-Type: text/html\r\n\r\n" + programme_line + "version: 1\r\n"), -1, unchanged},
        {"multipart: only the part's header lines",
         retrieved("Content-Type: multipart/mixed; boundary=XX\r\nContent-Transfer-Encoding: 7bit\r\n",
                   "--XX\r\n" + programme_line + "\r\nversion: 1\r\n--XX--\r\n"),
         0, programme_line},
        {"multipart without the encoding header in the message",
         retrieved("Content-Type: multipart/mixed; boundary=XX\r\n",
                   "--XX\r\n" + programme_line + "Content-Transfer-Encoding: 7bit\r\n\r\nversion: 1\r\n--XX--\r\n"),
         -1, unchanged},
    };
}

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
    for (const message_case& c : message_cases()) {
        SCOPED_TRACE(c.what);
        write_file("Tobalin.tvpi", previous_file);
        processes.started.clear();
        clock.sleeps.clear();

        std::vector<char> text(c.message.begin(), c.message.end());
        text.push_back('\0');
        EXPECT_EQ(interpret_message(text.data()), c.result);

        EXPECT_EQ(file_bytes("Tobalin.tvpi"), c.file == unchanged ? previous_file : c.file);
        // Handed off, and the script run after it, exactly when the file was written.
        std::vector<std::string> expected_starts;
        std::vector<uint32_t> expected_sleeps;
        if (c.result == 0) {
            expected_starts.push_back(hand_off_command);
            expected_sleeps.push_back(4321);
        }
        EXPECT_EQ(processes.started, expected_starts);
        EXPECT_EQ(clock.sleeps, expected_sleeps);
    }
}

TEST_F(interpret, the_hand_off_runs_the_script_when_one_is_set)
{
    struct {
        const char* batch;
        int result;
        std::vector<uint32_t> sleeps;
    } cases[] = {{"script.tbn", 0, {4321}}, {"", 0, {}}, {"missing.tbn", -1, {}}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.batch);
        strcpy(Settings.Batch, c.batch);
        processes.started.clear();
        clock.sleeps.clear();
        EXPECT_EQ(hand_off_reservation(), c.result);
        EXPECT_EQ(processes.started, std::vector<std::string>{hand_off_command});
        EXPECT_EQ(clock.sleeps, c.sleeps);
    }
}

TEST_F(interpret, a_file_that_cannot_be_written_is_not_handed_off)
{
    std::filesystem::create_directory("Tobalin.tvpi");
    std::string message = retrieved(text_plain, "resv 0615 2100 2154 8 A B Night News\r\n");
    EXPECT_EQ(interpret_message(&message[0]), -1);
    message = retrieved(text_plain, programme_sjis);
    EXPECT_EQ(interpret_message(&message[0]), -1);
    EXPECT_TRUE(processes.started.empty());
}

TEST(quoted_printable, decodes_escapes_and_soft_line_breaks)
{
    struct {
        std::string encoded;
        std::string decoded;
    } cases[] = {
        {"=41", "A"},
        {"=4a=4A", "JJ"},
        {"=3D=3d", "=="},
        {"=E3=e3", "\xe3\xe3"},
        {"=G1", "\x01"},
        {"=1G", "\x10"},
        {"a=\r\nb", "ab"},
        {"a=\nb", "ab"},
        {"a=\r\n\r\nb", "ab"},  // the whole run of line ends goes
        {"a \t\r\nb", "a \t\r\nb"},  // white space before a line end stays
        {"\x82\xa0=20", "\x82\xa0 "},
        {"a= \rb", "a"},  // two bytes that are no digits give 0, which ends the text
        // An escape cut off by the end of the text is kept as it stands.
        {"ab=", "ab="},
        {"ab=4", "ab=4"},
        {"=", "="},
        {"", ""},
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
