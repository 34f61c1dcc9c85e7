// One poll as the tray click starts it: every reservation handed to the
// recording application with the batch script after it, the mailbox
// emptied of all but what could not be written, and the report for the tip.
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/mail_check.h"
#include "app/schedule.h"
#include "settings/settings.h"
#include "tests/doubles/clock_double.h"
#include "tests/doubles/files_double.h"
#include "tests/doubles/process_double.h"
#include "tests/doubles/sockets_double.h"

namespace {

// RETR's reply: a plain-text mail with this body.
std::string mail(const std::string& body)
{
    return "+OK\r\nContent-Type: text/plain\r\n\r\n" + body + "\r\n.\r\n";
}

// A session that logs in and retrieves one reservation command, then goes
// on as given.
std::vector<pop3_step> one_reservation(const std::string& after_retr)
{
    std::vector<pop3_step> steps =
        pop3_conversation("+OK | USER tv | PASS pw | STAT: +OK 1 99 | RETR 1 | " + after_retr);
    steps[4].reply = mail("resv 0615 2100 2154 8 A B News");
    return steps;
}

const char hand_off[] = "rundll32.exe url.dll,FileProtocolHandler Tobalin.tvpi";

class mail_check : public ::testing::Test {
protected:
    void SetUp() override
    {
        Settings = settings_record{5, "mail.example", "", "tv", "pw", "script.tbn", "stations.txt", ""};
        files.files["stations.txt"] = "8, ChannelEight\n";
        files.files["script.tbn"] = "Sleep 4321\n";
        countdown_seconds = 17;
    }
    files_double files;
    process_double processes;
    clock_double clock{{2005, 6, 1, 21, 5}};
};

TEST_F(mail_check, hands_each_reservation_on_then_runs_the_script_and_deletes_what_it_handled)
{
    std::vector<pop3_step> steps = pop3_conversation(
        "+OK | USER tv | PASS pw | STAT: +OK 3 300 | RETR 1 | DELE 1 | RETR 2 | DELE 2 | RETR 3 | DELE 3 | QUIT");
    steps[4].reply = mail("resv 0615 2100 2154 8 A B News");
    steps[6].reply = mail("win a prize");
    steps[8].reply = mail("resv 0616 2100 2154 8 A B Late");
    sockets_double server(steps);
    check_mail_now();
    EXPECT_EQ(server.sent, "USER tv\r\nPASS pw\r\nSTAT\r\nRETR 1\r\nDELE 1\r\nRETR 2\r\nDELE 2\r\nRETR 3\r\nDELE 3\r\n"
                           "QUIT\r\n");
    EXPECT_EQ(processes.started, (std::vector<std::string>{hand_off, hand_off}));
    EXPECT_EQ(clock.sleeps, (std::vector<uint32_t>{4321, 4321})) << "the script ran after each hand-off";
    EXPECT_NE(files.files["Tobalin.tvpi"].find("program-title: Late\r\n"), std::string::npos);
    EXPECT_TRUE(last_poll.done);
    EXPECT_EQ(last_poll.result, pop3_ok);
    EXPECT_EQ(last_poll.handed_on, 2);
    EXPECT_EQ(last_poll.kept, 0);
    EXPECT_EQ(last_poll.when.hour * 100 + last_poll.when.minute, 2105);
    EXPECT_EQ(countdown_seconds, 300) << "the countdown starts again after the poll";
}

TEST_F(mail_check, a_reservation_that_cannot_be_written_stays_in_the_mailbox)
{
    files.failing_path = "Tobalin.tvpi";
    Settings.Batch[0] = '\0';
    sockets_double server(one_reservation("QUIT"));
    check_mail_now();
    EXPECT_EQ(server.sent, "USER tv\r\nPASS pw\r\nSTAT\r\nRETR 1\r\nQUIT\r\n");
    EXPECT_TRUE(processes.started.empty());
    EXPECT_EQ(last_poll.kept, 1);
    EXPECT_EQ(last_poll.handed_on, 0);
}

TEST_F(mail_check, without_a_script_only_the_file_handler_starts)
{
    Settings.Batch[0] = '\0';
    sockets_double server(one_reservation("DELE 1 | QUIT"));
    check_mail_now();
    EXPECT_EQ(processes.started, std::vector<std::string>{hand_off});
    EXPECT_TRUE(clock.sleeps.empty());
}

// The batch script may send the program's own window the command that
// polls: that poll must not start inside this one.
TEST_F(mail_check, a_poll_does_not_start_inside_another_and_a_failure_is_reported)
{
    sockets_double server(one_reservation("DELE 1 | QUIT: -ERR not now"));
    processes.on_start = [] { check_mail_now(); };
    check_mail_now();
    EXPECT_EQ(server.sent, "USER tv\r\nPASS pw\r\nSTAT\r\nRETR 1\r\nDELE 1\r\nQUIT\r\n");
    EXPECT_EQ(last_poll.result, pop3_mailbox_error);
    EXPECT_EQ(poll_busy, 0);
}

}  // namespace
