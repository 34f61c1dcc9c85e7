// One poll as the tray click starts it: every reservation handed to the
// recording application with the batch script after it, the mailbox
// emptied of all but what could not be written, the log, and the tip.
#include <cstring>
#include <initializer_list>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/mail_check.h"
#include "app/mail_log.h"
#include "app/poll_tip.h"
#include "app/schedule.h"
#include "kanji/utf8_to_sjis.h"
#include "settings/settings.h"
#include "tests/doubles/clock_double.h"
#include "tests/doubles/files_double.h"
#include "tests/doubles/process_double.h"
#include "tests/doubles/sockets_double.h"

namespace {

// RETR's reply: a plain-text mail with this body.
std::string mail(const std::string& body)
{
    return "+OK\r\nFrom: Me <me@example.com>\r\nSubject: rec\r\nContent-Type: text/plain\r\n\r\n" + body +
           "\r\n.\r\n";
}

// A session that logs in and retrieves one mail, then goes on as given.
std::vector<pop3_step> one_mail(const std::string& body, const std::string& after_retr)
{
    std::vector<pop3_step> steps =
        pop3_conversation("+OK | USER tv | PASS pw | STAT: +OK 1 99 | RETR 1 | " + after_retr);
    steps[4].reply = mail(body);
    return steps;
}

// Text written here in UTF-8 as the log holds it, in Shift_JIS (the
// converter is held to iconv in its own tests).
std::string sjis(const std::string& utf8)
{
    std::string text(utf8.size(), '\0');  // never longer than its UTF-8
    int length = utf8_to_sjis(utf8.data(), static_cast<int>(utf8.size()), &text[0], static_cast<int>(text.size()));
    return text.substr(0, static_cast<size_t>(length));
}

// The log of these lines, each ended by CR LF.
std::string log_of(std::initializer_list<std::string> lines)
{
    std::string log;
    for (const std::string& line : lines)
        log += sjis(line) + "\r\n";
    return log;
}

const std::string at_21_05 = "2005/06/01 21:05  ";
const std::string from_me = "  me@example.com  件名「rec」  ";

class mail_check : public ::testing::Test {
protected:
    void SetUp() override
    {
        Settings = settings_record{5, "mail.example", "", "tv", "pw", "script.tbn", "stations.txt", "", ""};
        files.files["stations.txt"] = "8, ChannelEight\n";
        files.files["script.tbn"] = "Sleep 4321\n";
        files.files["Tobalin.tvpi"] = "previous reservation";
        countdown_seconds = 17;
    }
    files_double files;
    process_double processes;
    clock_double clock{{2005, 6, 1, 21, 5}};
};

TEST_F(mail_check, hands_each_reservation_on_then_runs_the_script_logs_every_mail_and_deletes_it)
{
    std::vector<pop3_step> steps = pop3_conversation(
        "+OK | USER tv | PASS pw | STAT: +OK 4 300 | RETR 1 | DELE 1 | RETR 2 | DELE 2 | RETR 3 | DELE 3 | RETR 4 | "
        "DELE 4 | QUIT");
    steps[4].reply = mail("resv 0615 2100 2154 8 A B News");
    steps[6].reply = mail("resv 0616 2100 2154 8 A B Late");
    steps[8].reply = mail("win a prize");
    steps[10].reply = mail("resv 0616 2100 2154 9 A B Late");
    sockets_double server(steps);
    check_mail_now();
    EXPECT_EQ(server.sent, "USER tv\r\nPASS pw\r\nSTAT\r\nRETR 1\r\nDELE 1\r\nRETR 2\r\nDELE 2\r\nRETR 3\r\nDELE 3\r\n"
                           "RETR 4\r\nDELE 4\r\nQUIT\r\n");
    EXPECT_EQ(processes.opened, (std::vector<std::string>{"Tobalin.tvpi", "Tobalin.tvpi"}));
    EXPECT_EQ(clock.sleeps, (std::vector<uint32_t>{4321, 4321})) << "the script ran after each hand-off";
    EXPECT_NE(files.files["Tobalin.tvpi"].find("program-title: Late\r\n"), std::string::npos) << "the last booked: what books nothing leaves the file alone";
    EXPECT_TRUE(last_poll.done);
    EXPECT_EQ(last_poll.result, pop3_ok);
    EXPECT_EQ(last_poll.handed_on, 2);
    EXPECT_EQ(last_poll.refused, 1);
    EXPECT_EQ(countdown_seconds, 300) << "the countdown starts again after the poll";
    EXPECT_EQ(files.files["Tobalin.log"],
              log_of({at_21_05 + "予約" + from_me + "2005/6/15 21:00-21:54 8ch ChannelEight 「News」",
                      at_21_05 + "予約" + from_me + "2005/6/16 21:00-21:54 8ch ChannelEight 「Late」",
                      at_21_05 + "対象外" + from_me + "本文の 1 行目が予約コマンドではありません",
                      at_21_05 + "無効" + from_me + "TV局ファイルにないチャンネルです: 9"}));
}

TEST_F(mail_check, programme_information_is_logged_with_its_station_and_its_title_cut_to_fit)
{
    const std::string title(300, 't');
    sockets_double server(one_mail("Content-type: application/x-tv-program-info; charset=shift_jis\r\nstation: NHK\r\n"
                                   "year: 2005\r\nmonth: 6\r\ndate: 15\r\nstart: 21:00\r\nend: 21:54\r\n"
                                   "program-title: " + title,
                                   "DELE 1 | QUIT"));
    check_mail_now();
    EXPECT_EQ(files.files["Tobalin.log"],
              log_of({at_21_05 + "予約" + from_me + "2005/6/15 21:00-21:54 NHK 「" + title.substr(0, 255) + "」"}));
}

TEST_F(mail_check, a_reservation_that_cannot_be_written_stays_in_the_mailbox)
{
    files.failing_path = "Tobalin.tvpi";
    Settings.Batch[0] = '\0';
    sockets_double server(one_mail("resv 0615 2100 2154 8 A B News", "QUIT"));
    check_mail_now();
    EXPECT_EQ(server.sent, "USER tv\r\nPASS pw\r\nSTAT\r\nRETR 1\r\nQUIT\r\n");
    EXPECT_TRUE(processes.opened.empty());
    EXPECT_EQ(last_poll.kept, 1);
    EXPECT_EQ(last_poll.handed_on, 0);
    EXPECT_NE(files.files["Tobalin.log"].find(sjis("  保留  ")), std::string::npos);
}

TEST_F(mail_check, without_a_script_the_reservation_is_handed_on_and_counted)
{
    Settings.Batch[0] = '\0';
    sockets_double server(one_mail("resv 0615 2100 2154 8 A B News", "DELE 1 | QUIT"));
    processes.fails = true;
    check_mail_now();
    EXPECT_EQ(processes.opened, std::vector<std::string>{"Tobalin.tvpi"});
    EXPECT_TRUE(clock.sleeps.empty());
    EXPECT_EQ(last_poll.handed_on, 1);
    const std::string logged = files.files["Tobalin.log"], tail = sjis("を起動できません)\r\n");
    EXPECT_EQ(logged.substr(logged.size() - tail.size()), tail);
}

// The batch script may send the program's own window the command that
// polls: that poll must not start inside this one.
TEST_F(mail_check, a_poll_does_not_start_inside_another_and_a_failure_is_reported_and_logged)
{
    sockets_double server(one_mail("resv 0615 2100 2154 8 A B News", "DELE 1 | QUIT: -ERR not now"));
    processes.on_open = [] { check_mail_now(); };
    check_mail_now();
    EXPECT_EQ(server.sent, "USER tv\r\nPASS pw\r\nSTAT\r\nRETR 1\r\nDELE 1\r\nQUIT\r\n");
    EXPECT_EQ(last_poll.result, pop3_mailbox_error);
    EXPECT_EQ(poll_busy, 0);
    EXPECT_EQ(files.files["Tobalin.log"],
              log_of({at_21_05 + "予約" + from_me + "2005/6/15 21:00-21:54 8ch ChannelEight 「News」",
                      at_21_05 + "失敗  メールボックスのエラー  サーバー mail.example"}));
}

TEST_F(mail_check, a_mail_too_large_is_logged_and_the_log_starts_anew_past_its_limit)
{
    files.files["Tobalin.log"] = std::string(262144, 'x');
    sockets_double server(pop3_conversation("+OK | USER tv | PASS pw | STAT: +OK 1 300000 | LIST 1: +OK 1 300000 | "
                                            "DELE 1 | QUIT"));
    check_mail_now();
    EXPECT_EQ(files.files["Tobalin.log.1"], std::string(262144, 'x'));
    EXPECT_EQ(files.files["Tobalin.log"],
              log_of({at_21_05 + "削除  300000 バイトのメールを読まずに削除しました (上限 262144 バイト)"}));
}

TEST(poll_tip, says_what_each_poll_came_to)
{
    const struct {
        poll_report poll;
        const char* tip;
    } cases[] = {
        {{false, {}, pop3_ok, 0, 0, 0}, "Tobaln"},
        {{true, {2005, 6, 1, 21, 5}, pop3_ok, 2, 0, 0}, "Tobaln 21:05 予約2件"},
        {{true, {2005, 6, 1, 9, 0}, pop3_ok, 0, 0, 0}, "Tobaln 09:00 予約なし"},
        {{true, {2005, 6, 1, 9, 0}, pop3_ok, 1, 0, 1}, "Tobaln 09:00 予約1件 無効1件"},
        {{true, {2005, 6, 1, 9, 0}, pop3_ok, 0, 0, 3}, "Tobaln 09:00 予約なし 無効3件"},
        {{true, {2005, 6, 1, 9, 0}, pop3_ok, 1, 1, 1}, "Tobaln 09:00 予約ファイルを書けません"},
        {{true, {2005, 6, 1, 9, 0}, pop3_mailbox_error, 1, 1, 0}, "Tobaln 09:00 予約ファイルを書けません"},
        {{true, {2005, 6, 1, 9, 0}, pop3_no_such_server, 0, 0, 0}, "Tobaln 09:00 サーバーが見つかりません"},
        {{true, {2005, 6, 1, 9, 0}, pop3_no_connection, 0, 0, 0}, "Tobaln 09:00 サーバーに接続できません"},
        {{true, {2005, 6, 1, 9, 0}, pop3_server_silent, 0, 0, 0}, "Tobaln 09:00 サーバーが応答しません"},
        {{true, {2005, 6, 1, 9, 0}, pop3_login_refused, 0, 0, 0}, "Tobaln 09:00 ユーザー名かパスワードが違います"},
        {{true, {2005, 6, 1, 9, 0}, pop3_mailbox_error, 2, 0, 1}, "Tobaln 09:00 メールボックスのエラー"},
        {{true, {2005, 6, 1, 9, 0}, pop3_connection_broken, 0, 0, 0}, "Tobaln 09:00 接続が切れました"},
        {{true, {2005, 6, 1, 9, 0}, pop3_bad_server_entry, 0, 0, 0}, "Tobaln 09:00 サーバーの指定が正しくありません"},
        {{true, {2005, 6, 1, 9, 0}, pop3_tls_failed, 0, 0, 0}, "Tobaln 09:00 SSL/TLSで接続できません"},
        {{true, {2005, 6, 1, 9, 0}, pop3_untrusted_certificate, 0, 0, 0}, "Tobaln 09:00 証明書を確認できません"},
    };
    for (const auto& c : cases) {
        char tip[128];
        poll_tip(c.poll, tip, sizeof tip);
        EXPECT_STREQ(tip, c.tip);
    }
    // A tip cut short ends after a whole character: 予 is three bytes, and
    // the last of 無's (E7 84 A1) is odd.
    char tip[29];
    poll_tip(cases[1].poll, tip, 16);
    EXPECT_STREQ(tip, "Tobaln 21:05 ");
    poll_tip(cases[4].poll, tip, 29);
    EXPECT_STREQ(tip, "Tobaln 09:00 予約なし ");
    poll_tip(cases[1].poll, tip, 24);
    EXPECT_STREQ(tip, "Tobaln 21:05 予約2件") << "a tip that just fits is whole";
}

}  // namespace
