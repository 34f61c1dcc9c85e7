// Whole retrieved messages, from the +OK line to the final ".", through the
// interpreter: the file the recording application would get, or why there
// is none.
#include <cstdlib>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "common/crlf_lines.h"
#include "reservation/interpret_message.h"
#include "reservation/quoted_printable.h"
#include "tests/doubles/clock_double.h"
#include "tests/doubles/files_double.h"

namespace {

// "resv 0615 2100 2154 8 A B Night News" on 1 June 2005, channel 8 being
// ChannelEight in the station file.
const char worked_example[] = "Content-type: application/x-tv-program-info; charset=shift_jis\r\nversion: 1\r\n"
                              "station: ChannelEight\r\nyear: 2005\r\nmonth: 6\r\ndate: 15\r\n"
                              "start: 21:00\r\nend: 21:54\r\nprogram-title: Night News\r\n"
                              "program-subtitle: \r\ngenre: \r\nsubgenre: \r\nExtend: 0\r\n\r\n";

// A message as the mailbox hands it over: the +OK line, the headers, a blank
// line, the body and the end-of-message line, every line ending in CR LF.
std::string retrieved(const std::string& headers, const std::string& body)
{
    return "+OK 512 octets\r\nSubject: rec\r\n" + headers + "\r\n" + body + ".\r\n";
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
    }

    // The file the recording application gets (every line ended by CR LF,
    // as the program writes it), or "" with the reason.
    std::string run(std::string message, drop_reason* reason = nullptr, const char* senders = "")
    {
        interpretation result;
        interpret_message(&message[0], "stations.txt", senders, &result);
        last = result;
        if (reason)
            *reason = result.reason;
        if (!result.text)
            return "";
        std::string file(crlf_room(strlen(result.text)), '\0');
        file.resize(crlf_lines(result.text, strlen(result.text), &file[0]));
        free(result.text);
        last.text = nullptr;
        return file;
    }

    files_double files;
    clock_double clock{{2005, 6, 1}};
    interpretation last;
};

// A multipart message: its parts, each its header lines and body, between
// delimiter lines of the boundary, with a preamble and an epilogue.
std::string multipart(const std::string& type, const std::vector<std::string>& parts)
{
    std::string text = "Content-Type: multipart/" + type + "; boundary=\"b0_Tobalin=\"\r\n\r\n"
                       "This is a multi-part message in MIME format.\r\n";
    for (const std::string& part : parts)
        text += "\r\n--b0_Tobalin=\r\n" + part;
    return text + "\r\n--b0_Tobalin=--\r\nepilogue\r\n";
}

// "Night News" booked on channel 8 (worked_example), and "ニュース７" in
// Shift_JIS as its title.
std::string booked_title(const std::string& title)
{
    std::string file = worked_example;
    return file.replace(file.find("Night News"), strlen("Night News"), title);
}
const char news_sjis[] = "\x83j\x83\x85\x81[\x83X\x82V";

TEST_F(interpret, whole_messages)
{
    const std::string command = "resv 0615 2100 2154 8 A B Night News\r\n";
    const std::string cut_short = retrieved(text_plain, programme_sjis);
    const std::string programme_file = "Content-type: application/x-tv-program-info; charset=shift_jis\r\nversion: 1\r\n";
    const std::string title_utf8_qp = "=E3=83=8B=E3=83=A5=E3=83=BC=E3=82=B9=EF=BC=97";
    const struct {
        const char* what;
        std::string message;
        std::string file;  // "" when it books nothing
        drop_reason reason;
    } cases[] = {
        // The command path.
        {"command in a plain message", retrieved(text_plain, command), worked_example, not_dropped},
        {"no Content-Type header: junk", "+OK\r\nSubject: win\r\n\r\n" + command + ".\r\n", "", no_content_type},
        {"no blank line", "+OK\r\nContent-Type: text/plain\r\n.\r\n", "", no_body},
        {"two bare LFs win over an earlier CR LF blank line",
         "+OK\r\nSubject: a\r\n\r\nContent-Type: text/plain\n\n" + command + ".\r\n", worked_example, not_dropped},

        // The programme-information path; without a blank line after it the
        // part ends before the mailbox's "." line.
        {"Shift_JIS", retrieved(text_plain, programme_sjis), programme_sjis, not_dropped},
        {"ISO-2022-JP", retrieved(text_plain, programme_jis), programme_sjis, not_dropped},
        {"EUC-JP", retrieved(text_plain, programme_euc), programme_sjis, not_dropped},
        {"quoted-printable ISO-2022-JP ending in a soft break", retrieved(quoted_printable, programme_jis_qp),
         programme_sjis, not_dropped},
        {"quoted-printable EUC-JP with a padded soft break", retrieved(quoted_printable, programme_euc_qp),
         programme_sjis, not_dropped},
        {"a reply cut at the bound inside its last line still ends it", cut_short.substr(0, cut_short.size() - 5),
         programme_sjis, not_dropped},
        {"the part runs from its Content-Type to its blank line",
         retrieved(text_plain, std::string("Hello,\r\n") + programme_sjis + "\r\nnot programme information\r\n"),
         programme_sjis, not_dropped},
        {"Quoted-Printable in other letters",
         retrieved("Content-Type: text/plain\r\nContent-Transfer-Encoding: Quoted-Printable\r\n",
                   media + "; charset=3Dshift_jis\r\n"),
         programme_line, not_dropped},
        {"charset Shift_JIS is copied unchanged", retrieved(text_plain, media + "; charset=Shift_JIS\r\n\xa3\xce\r\n"),
         media + "; charset=Shift_JIS\r\n\xa3\xce\r\n", not_dropped},
        {"a space before the semicolon", retrieved(text_plain, media + " ; charset=shift_jis\r\n"), "",
         programme_info_malformed},
        {"nothing after the media type", retrieved(text_plain, media + "\r\nversion: 1\r\n"), "",
         programme_info_malformed},
        {"the media type at the very end of the decoded text",
         retrieved(quoted_printable, media + "=00charset=3Dshift_jis\r\n"), "", programme_info_malformed},
        {"the first Content-Type in the body decides",
         retrieved(text_plain, "Content-Type: text/html\r\n\r\n" + programme_line), "", programme_info_malformed},
        {"Content-Type wins over an earlier Content-type",
         retrieved(text_plain, "Content-type: text/html\r\n\r\n" + programme_line), programme_line, not_dropped},
        {"a line the server stuffed with a dot has it taken off",
         retrieved(text_plain, programme_line + "..dotted\r\n"), programme_line + ".dotted\r\n", not_dropped},

        // Multipart messages: the part that holds programme information,
        // else the first plain text.
        {"a programme-information part under its own header lines",
         retrieved(multipart("mixed", {programme_line + "Content-Transfer-Encoding: 7bit\r\n\r\nversion: 1"}), ""),
         programme_file, not_dropped},
        {"a programme-information attachment after a text",
         retrieved(multipart("mixed", {"Content-Type: text/plain\r\n\r\nsee the attachment",
                                       "Content-Type: application/x-tv-program-info; charset=\"Shift_JIS\"\r\n"
                                       "Content-Transfer-Encoding: base64\r\n"
                                       "Content-Disposition: attachment; filename=\"a.tvpi\"\r\n\r\n"
                                       "dmVyc2lvbjogMQ0K"}),
                   ""),
         programme_file, not_dropped},
        {"HTML only", retrieved(multipart("alternative", {"Content-Type: text/html\r\n\r\n<p>" + command}), ""), "",
         html_only},
        {"a message of one part in HTML", retrieved("Content-Type: text/html; charset=UTF-8\r\n", "<p>" + command),
         "", html_only},
        {"nothing to read", retrieved(multipart("mixed", {"Content-Type: image/png\r\n\r\niVBORw0K"}), ""), "",
         no_command},

        // Mails as today's phones and mail programs write them.
        {"Gmail: multipart/alternative, UTF-8 in base64",
         retrieved(multipart("alternative", {"Content-Type: text/plain; charset=\"UTF-8\"\r\n"
                                             "Content-Transfer-Encoding: base64\r\n\r\n"
                                             "cmVzdiAwNjE1IDIxMDAgMjE1NCA4IEEgQiDjg4vjg6Xjg7zjgrnvvJcNCg0K\r\n",
                                             "Content-Type: text/html; charset=\"UTF-8\"\r\n\r\n<div></div>"}),
                   ""),
         booked_title(news_sjis), not_dropped},
        {"iPhone: UTF-8 quoted-printable",
         retrieved("Content-Type: text/plain;\r\n\tcharset=utf-8\r\nContent-Transfer-Encoding: quoted-printable\r\n",
                   "resv 0615 2100 2154 8 A B " + title_utf8_qp + "\r\n\r\niPhone=E3=81=8B=E3=82=89=E9=80=81=E4=BF=A1\r\n"),
         booked_title(news_sjis), not_dropped},
        {"a carrier's ISO-2022-JP", retrieved(text_plain, "resv 0615 2100 2154 8 A B \x1b$B%K%e!<%9#7\x1b(B\r\n"),
         booked_title(news_sjis), not_dropped},
        {"Thunderbird: lower-case header names, 8bit UTF-8",
         retrieved("content-type: text/plain; charset=UTF-8; format=flowed\r\ncontent-transfer-encoding: 8bit\r\n",
                   "resv 0615 2100 2154 8 A B \xe3\x83\x8b\xe3\x83\xa5\xe3\x83\xbc\xe3\x82\xb9\xef\xbc\x97\r\n"
                   "-- \r\nsignature\r\n"),
         booked_title(news_sjis), not_dropped},
        {"nested multipart with an attachment",
         retrieved(multipart("mixed",
                             {multipart("alternative", {"Content-Type: text/html\r\n\r\n<p>hi</p>",
                                                        "Content-Type: text/plain; charset=us-ascii\r\n\r\n" + command}),
                              "Content-Type: application/pdf; name=\"a.pdf\"\r\nContent-Transfer-Encoding: base64\r\n\r\n"
                              "JVBERi0xLjQK"}),
                   ""),
         worked_example, not_dropped},
        {"an EPG mail in base64 Shift_JIS",
         retrieved("Content-Type: text/plain; charset=Shift_JIS\r\nContent-Transfer-Encoding: base64\r\n",
                   "Q29udGVudC10eXBlOiBhcHBsaWNhdGlvbi94LXR2LXByb2dyYW0taW5mbzsgY2hhcnNldD1zaGlmdF9q\r\n"
                   "aXMNCnN0YXRpb246IIJtgmeCapGNjYcNCnByb2dyYW0tdGl0bGU6IINqg4WBW4NYglYNCg==\r\n"),
         programme_sjis, not_dropped},
        {"an EPG mail forwarded from Gmail, UTF-8 quoted-printable",
         retrieved(multipart("alternative",
                             {"Content-Type: text/plain; charset=\"UTF-8\"\r\n"
                              "Content-Transfer-Encoding: quoted-printable\r\n\r\n"
                              "---------- Forwarded message ---------\r\n"
                              "From: =E7=95=AA=E7=B5=84=E8=A1=A8 <epg@tv-guide.example>\r\n"
                              "Subject: =E4=BA=88=E7=B4=84\r\n\r\n"
                              "Content-type: application/x-tv-program-info; charset=3Dshift_jis\r\n"
                              "station: =EF=BC=AE=EF=BC=A8=EF=BC=AB=E7=B7=8F=E5=90=88\r\n"
                              "program-title: " + title_utf8_qp + "\r\n\r\n"
                              "=E3=81=93=E3=81=AE=E7=95=AA=E7=B5=84 TV =E3=82=\r\n=AC=E3=82=A4=E3=83=89\r\n",
                              "Content-Type: text/html; charset=\"UTF-8\"\r\n\r\n<div></div>"}),
                   ""),
         programme_sjis, not_dropped},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        drop_reason reason;
        EXPECT_EQ(run(c.message, &reason), c.file);
        EXPECT_EQ(reason, c.reason);
    }
}

TEST_F(interpret, the_sender_and_subject_for_the_log_and_who_may_book)
{
    const struct {
        const char* subject;
        const char* logged;  // Shift_JIS
    } subjects[] = {
        // 予約 ニュース 総合: encoded words, folded, the blanks between two of them gone.
        {"=?ISO-2022-JP?B?GyRCTT1McxsoQiAbJEIlSyVlITwlORsoQg==?=\r\n =?UTF-8?Q?_=E7=B7=8F=E5=90=88?=",
         "\x97\x5c\x96\xf1 \x83j\x83\x85\x81[\x83X \x91\x8d\x8d\x87"},
        {"=?utf-8?q?a?= =?utf-8?q?b?= c =?utf-8?b?ZA==?=", "ab c d"},
        {"\x1b$B%K%e!<%9\x1b(B raw", "\x83j\x83\x85\x81[\x83X raw"},  // JIS and UTF-8 sent raw
        {"\xe3\x83\x8b\xe3\x83\xa5 utf-8", "\x83j\x83\x85 utf-8"},
        {"\xa5\xcb\xa5\xe5 euc", "\x83j\x83\x85 euc"},
        {"=?utf-8?q?Cafe_a=0Ab?=", "Cafe a b"},  // hex-looking letters; an escape of 0x0A
        {"=?utf-8?x?abc?= =?utf-8?q?cut", "=?utf-8?x?abc?= =?utf-8?q?cut"},  // no encoded words
    };
    for (const auto& c : subjects) {
        // The From line after another; a header without a space after its colon.
        std::string message = "+OK\r\nDate: Wed, 1 Jun 2005\r\nFrom: =?UTF-8?B?44OG44Os44OT?= <Phone@Example.com>\r\nSubject:" +
                              std::string(c.subject) + "\r\n" + text_plain + "\r\nresv 0615 2100 2154 8 A B T\r\n.\r\n";
        EXPECT_NE(run(message), "");
        EXPECT_STREQ(last.sender, "Phone@Example.com");
        EXPECT_STREQ(last.subject, c.logged);
    }
    const std::string message = retrieved("From: Phone <phone@example.com>\r\n" + std::string(text_plain),
                                          "resv 0615 2100 2154 8 A B T\r\n");
    const struct {
        const char* senders;
        bool books;
    } cases[] = {
        {"", true}, {" , ", true}, {"phone@example.com", true}, {"a@b.example, PHONE@EXAMPLE.COM", true},
        {"@example.com", true}, {"@Example.Com x@y.example", true}, {"one@example.com", false},
        {"@mple.com", false}, {"hone@example.com", false}, {"example.com", false}, {"@", false},
    };
    for (const auto& c : cases) {
        drop_reason reason;
        EXPECT_EQ(run(message, &reason, c.senders) != "", c.books) << c.senders;
        EXPECT_EQ(reason, c.books ? not_dropped : sender_not_allowed) << c.senders;
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
        {"resv 0615 2100 2154 8 A B T\rNews", "ChannelEight 2005 6 15 21:00 21:54 T"},
        // The word B runs on through the line end: no title.
        {"resv 0615 2100 2154 8 A B", "ChannelEight 2005 6 15 21:00 21:54 "},
        // A date without a year is the next one to come.
        {"resv 0614 2100 2154 8 A B T", "ChannelEight 2006 6 14 21:00 21:54 T", {2005, 6, 15}},
        {"resv 0615 2100 2154 8 A B T", "ChannelEight 2005 6 15 21:00 21:54 T", {2005, 6, 15}},
        {"resv 0630 2100 2154 8 A B T", "ChannelEight 2006 6 30 21:00 21:54 T", {2005, 7, 1}},
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
        EXPECT_EQ(run(retrieved(text_plain, c.body + std::string("\r\n"))), expected);
    }
}

TEST_F(interpret, refused_commands_say_why)
{
    const struct {
        const char* body;
        drop_reason reason;
    } cases[] = {
        {"0615 2100 2154 8 A B T", no_command}, {"Open house this weekend", no_command},
        {"\r\nresv 0615 2100 2154 8 A B T", no_command},  // the command must stand on the first line
        {"resv\t0615 2100 2154 8 A B T", keyword_misspelt},  // the keyword's space must be a space
        {"RESV 0615 2100 2154 8 A B T", keyword_misspelt}, {"open x prog 20050615 2100 2154 8", keyword_misspelt},
        {"open prog add 20050615 2100 2154 8", keyword_misspelt},  // "prog" is taken for the word after "open"
        {"open x add 20050615 2100 2154 8", no_command}, {"open x prog add 20030615 2100 2154 8", date_out_of_range},
        {"resvp 0615 2100 2154 8 A B T", date_out_of_range},  // 0615 is taken for the word after "resvp"
        // Each field out of its range, or channel 7 with no line.
        {"resv 0015 2100 2154 8 A B T", date_out_of_range}, {"resv 1315 2100 2154 8 A B T", date_out_of_range},
        {"resv 0600 2100 2154 8 A B T", date_out_of_range}, {"resv 0632 2100 2154 8 A B T", date_out_of_range},
        {"resv 0615 2400 2154 8 A B T", time_out_of_range}, {"resv 0615 2360 2154 8 A B T", time_out_of_range},
        {"resv 0615 2100 2400 8 A B T", time_out_of_range}, {"resv 0615 2100 2160 8 A B T", time_out_of_range},
        {"resv 0615 2100 2154 0 A B T", channel_out_of_range}, {"resv 0615 2100 2154 1000 A B T", channel_out_of_range},
        {"resv 0615 2100 2154 7 A B T", channel_not_listed},
        // Groups cut short by the end of the text.
        {"resv ", command_cut_short}, {"resv 061", command_cut_short}, {"resv 0615 2100 215", command_cut_short},
        {"resv 0615 2100 2154  \t", command_cut_short}, {"open x prog add 200", command_cut_short},
        {"open x prog add 2005061", command_cut_short},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.body);
        drop_reason reason;
        EXPECT_EQ(run("+OK\r\nContent-Type: text/plain\r\n\r\n" + std::string(c.body), &reason), "");
        EXPECT_EQ(reason, c.reason);
        EXPECT_EQ(is_refused_command(reason), c.reason != no_command);
    }
    // Without a usable station file.
    const std::string message = retrieved(text_plain, "resv 0615 2100 2154 8 A B T\r\n");
    for (const auto& station : {std::make_pair("", no_station_file), std::make_pair("missing.txt", station_file_unreadable)}) {
        std::string copy = message;
        interpret_message(&copy[0], station.first, "", &last);
        EXPECT_EQ(last.reason, station.second) << station.first;
        EXPECT_EQ(last.channel, 8);
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
