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

pop3_step line(const std::string& command, const std::string& reply)
{
    return {command.empty() ? "" : command + "\r\n", reply + "\r\n"};
}

pop3_step retr(int n, const std::string& body)
{
    return {"RETR " + std::to_string(n) + "\r\n",
            "+OK\r\nContent-Type: text/plain\r\n\r\n" + body + "\r\n.\r\n"};
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
    std::vector<pop3_step> steps = {line("", "+OK"), line("USER tv", "+OK"), line("PASS pw", "+OK"),
                                    line("STAT", "+OK 3 300"), retr(1, "resv 0615 2100 2154 8 A B News"),
                                    line("DELE 1", "+OK"), retr(2, "win a prize"), line("DELE 2", "+OK"),
                                    retr(3, "resv 0616 2100 2154 8 A B Late"), line("DELE 3", "+OK"),
                                    line("QUIT", "+OK")};
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
    sockets_double server({line("", "+OK"), line("USER tv", "+OK"), line("PASS pw", "+OK"), line("STAT", "+OK 1 99"),
                           retr(1, "resv 0615 2100 2154 8 A B News"), line("QUIT", "+OK")});
    check_mail_now();
    EXPECT_EQ(server.sent, "USER tv\r\nPASS pw\r\nSTAT\r\nRETR 1\r\nQUIT\r\n");
    EXPECT_TRUE(processes.started.empty());
    EXPECT_EQ(last_poll.kept, 1);
    EXPECT_EQ(last_poll.handed_on, 0);
}

TEST_F(mail_check, without_a_script_only_the_file_handler_starts)
{
    Settings.Batch[0] = '\0';
    sockets_double server({line("", "+OK"), line("USER tv", "+OK"), line("PASS pw", "+OK"), line("STAT", "+OK 1 99"),
                           retr(1, "resv 0615 2100 2154 8 A B News"), line("DELE 1", "+OK"), line("QUIT", "+OK")});
    check_mail_now();
    EXPECT_EQ(processes.started, std::vector<std::string>{hand_off});
    EXPECT_TRUE(clock.sleeps.empty());
}

// The batch script may send the program's own window the command that
// polls: that poll must not start inside this one.
TEST_F(mail_check, a_poll_does_not_start_inside_another_and_a_failure_is_reported)
{
    sockets_double server({line("", "+OK"), line("USER tv", "+OK"), line("PASS pw", "+OK"), line("STAT", "+OK 1 99"),
                           retr(1, "resv 0615 2100 2154 8 A B News"), line("DELE 1", "+OK"),
                           line("QUIT", "-ERR not now")});
    processes.on_start = [] { check_mail_now(); };
    check_mail_now();
    EXPECT_EQ(server.sent, "USER tv\r\nPASS pw\r\nSTAT\r\nRETR 1\r\nDELE 1\r\nQUIT\r\n");
    EXPECT_EQ(last_poll.result, pop3_mailbox_error);
    EXPECT_EQ(poll_busy, 0);
}

}  // namespace
