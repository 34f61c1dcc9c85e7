// The mailbox session against a server that plays a written conversation:
// the commands the client sends, the messages it hands on, the raw copy it
// leaves and how the session ends, for replies that come whole, in pieces,
// wrong, cut off or never.
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "pop3/pop3_session.h"
#include "tests/doubles/files_double.h"
#include "tests/doubles/sockets_double.h"

namespace {

std::vector<std::string> handled;

// The interpreter's place: records each message, keeps the ones that say
// so, and then writes over the message as the interpreter may.
message_fate recording_handler(char* message)
{
    handled.emplace_back(message);
    message_fate fate = strstr(message, "keep me") ? keep_message : delete_message;
    memset(message, '#', strlen(message));
    return fate;
}

// A step whose command and reply are single lines.
pop3_step line(const std::string& command, const std::string& reply)
{
    return {command.empty() ? "" : command + "\r\n", reply + "\r\n"};
}

// The reply to RETR n: a message whose body lines the server byte-stuffed.
pop3_step retr(int n, const std::string& body = "..line\r\n")
{
    return {"RETR " + std::to_string(n) + "\r\n", "+OK octets\r\nSubject: " + std::to_string(n) + "\r\n\r\n" + body + ".\r\n"};
}

std::vector<pop3_step> login(const std::string& stat)
{
    return {line("", "+OK ready"), line("USER tv", "+OK"), line("PASS pw", "+OK"), line("STAT", stat)};
}

std::vector<pop3_step> operator+(std::vector<pop3_step> a, const std::vector<pop3_step>& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

const pop3_step quit = line("QUIT", "+OK bye");

struct outcome {
    pop3_result result;
    std::string commands;  // everything the client sent
    std::vector<std::string> handled;
    std::string copy;  // "Tobalin.tmp"
};

outcome converse(const std::vector<pop3_step>& steps)
{
    files_double files;
    sockets_double server(steps);
    handled.clear();
    pop3_result result = poll_mailbox("mail.example", 110, "tv", "pw", recording_handler);
    EXPECT_EQ(server.closes, server.opens);
    EXPECT_EQ(server.cleanups, server.startups);
    return {result, server.sent, handled, files.files["Tobalin.tmp"]};
}

// The client sends every command of the conversation and nothing more.
std::string commands_of(const std::vector<pop3_step>& steps)
{
    std::string commands;
    for (const pop3_step& s : steps)
        commands += s.command;
    return commands;
}

// Each of these handed over as "Subject: n", in order.
std::vector<std::string> subjects(std::vector<int> numbers)
{
    std::vector<std::string> texts;
    for (int n : numbers)
        texts.push_back("Subject: " + std::to_string(n));
    return texts;
}

std::vector<std::string> subjects_of(const std::vector<std::string>& messages)
{
    std::vector<std::string> found;
    for (const std::string& m : messages)
        found.push_back(m.substr(m.find("Subject: "), m.find("\r\n", m.find("Subject: ")) - m.find("Subject: ")));
    return found;
}

TEST(pop3_session, conversations)
{
    const std::string nul_message("+OK\r\nSubject: 2\r\n\r\nbefore\0after\r\n.\r\n", 36);
    const struct {
        const char* name;
        std::vector<pop3_step> steps;
        pop3_result result;
        std::vector<int> handled;
        std::string copy = "";  // "Tobalin.tmp", when the last message has bytes past a NUL
    } cases[] = {
        {"an empty mailbox", login("+OK 0 0") + std::vector<pop3_step>{quit}, pop3_ok, {}},
        {"two messages; +ok and +Ok pass; a NUL byte travels along",
         std::vector<pop3_step>{line("", "+ok ready"), line("USER tv", "+Ok"), line("PASS pw", "+OK"),
                                line("STAT", "+OK 2 5120"), retr(1), line("DELE 1", "+OK"),
                                {"RETR 2\r\n", nul_message}, line("DELE 2", "+OK"), quit},
         pop3_ok, {1, 2}, nul_message},
        {"a STAT total of 16385 brings LIST: listed 16384 is retrieved, 16385 deleted unread",
         login("+OK 2 16385") + std::vector<pop3_step>{line("LIST 1", "+OK 1 16384"), retr(1), line("DELE 1", "+OK"),
                                                      line("LIST 2", "+OK 2 16385"), line("DELE 2", "+OK"), quit},
         pop3_ok, {1}},
        {"a STAT total of 16384 brings no LIST",
         login("+OK 1 16384") + std::vector<pop3_step>{retr(1), line("DELE 1", "+OK"), quit}, pop3_ok, {1}},
        {"nor does a STAT without a total",
         login("+OK 1") + std::vector<pop3_step>{retr(1), line("DELE 1", "+OK"), quit}, pop3_ok, {1}},
        {"the size is the number after the first space or LF after the first number",
         login("+OK 2\n20000") + std::vector<pop3_step>{line("LIST 1", "+OK 12 16385"), line("DELE 1", "+OK"),
                                                       line("LIST 2", "+OK 2\n9"), retr(2), line("DELE 2", "+OK"),
                                                       quit},
         pop3_ok, {2}},
        {"a message the handler keeps is not deleted",
         login("+OK 2 99") + std::vector<pop3_step>{retr(1, "keep me\r\n"), retr(2), line("DELE 2", "+OK"), quit},
         pop3_ok, {1, 2}},

        // -ERR for one message leaves it on the server and costs no other.
        {"LIST 2 of 3 refused",
         login("+OK 3 20000") + std::vector<pop3_step>{line("LIST 1", "+OK 1 9"), retr(1), line("DELE 1", "+OK"),
                                                      line("LIST 2", "-ERR no such message"), line("LIST 3", "+OK 3 9"),
                                                      retr(3), line("DELE 3", "+OK"), quit},
         pop3_mailbox_error, {1, 3}},
        {"RETR 2 of 3 refused",
         login("+OK 3 99") + std::vector<pop3_step>{retr(1), line("DELE 1", "+OK"), line("RETR 2", "-ERR unreadable"),
                                                   retr(3), line("DELE 3", "+OK"), quit},
         pop3_mailbox_error, {1, 3}},
        {"DELE 2 of 3 refused",
         login("+OK 3 99") + std::vector<pop3_step>{retr(1), line("DELE 1", "+OK"), retr(2), line("DELE 2", "-err busy"),
                                                   retr(3), line("DELE 3", "+OK"), quit},
         pop3_mailbox_error, {1, 2, 3}},
        {"QUIT refused", login("+OK 0 0") + std::vector<pop3_step>{line("QUIT", "-ERR not now")}, pop3_mailbox_error,
         {}},

        // Any other -ERR, or a reply that is neither, ends the session at once, without QUIT.
        {"greeting refused", {line("", "-ERR busy")}, pop3_no_connection, {}},
        {"account refused", std::vector<pop3_step>{line("", "+OK"), line("USER tv", "-ERR")}, pop3_login_refused, {}},
        {"password refused", std::vector<pop3_step>{line("", "+OK"), line("USER tv", "+OK"), line("PASS pw", "-ERR")},
         pop3_login_refused, {}},
        {"STAT refused", login("-ERR locked"), pop3_mailbox_error, {}},
        {"a status line longer than the buffer", {{"", "+OK " + std::string(16400, 'x')}}, pop3_connection_broken,
         {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        outcome o = converse(c.steps);
        EXPECT_EQ(o.result, c.result);
        EXPECT_EQ(o.commands, commands_of(c.steps));
        EXPECT_EQ(subjects_of(o.handled), subjects(c.handled));
        std::string last = o.handled.empty() ? "" : o.handled.back();
        EXPECT_EQ(o.copy, c.copy.empty() ? last : c.copy) << "the raw copy is the last message, as sent";
    }
}

TEST(pop3_session, a_reply_that_is_neither_ok_nor_err_ends_the_session_at_once)
{
    for (const char* reply : {"ERR", "+NO", "-EAR", "xOK", "xERR", "+O", "-ER"}) {
        std::vector<pop3_step> steps = login("+OK 2 99") + std::vector<pop3_step>{retr(1), line("DELE 1", reply)};
        outcome o = converse(steps);
        EXPECT_EQ(o.result, pop3_connection_broken) << reply;
        EXPECT_EQ(o.commands, commands_of(steps)) << reply;
    }
}

// Every kind of step: LIST, a reply above the bound and a message after it.
const std::vector<pop3_step> full_session =
    login("+OK 2 20000") + std::vector<pop3_step>{line("LIST 1", "+OK 1 16000"),
                                                  retr(1, std::string(20000, 'x') + "\r\n"),
                                                  line("DELE 1", "+OK"),
                                                  line("LIST 2", "+OK 2 60"),
                                                  retr(2),
                                                  line("DELE 2", "+OK"),
                                                  quit};

TEST(pop3_session, a_connection_that_breaks_at_any_step_ends_the_session_without_quit)
{
    for (size_t k = 0; k < full_session.size(); ++k) {
        for (auto then : {pop3_step::closes, pop3_step::falls_silent, pop3_step::fails}) {
            // The step's reply all but its last three bytes, then the end.
            std::vector<pop3_step> steps(full_session.begin(), full_session.begin() + static_cast<long>(k) + 1);
            steps[k].reply.resize(steps[k].reply.size() - 3);
            steps[k].then = then;
            SCOPED_TRACE("step " + std::to_string(k) + " ends " + std::to_string(then));
            outcome o = converse(steps);
            EXPECT_EQ(o.result, then == pop3_step::falls_silent ? pop3_server_silent : pop3_connection_broken);
            EXPECT_EQ(o.commands, commands_of(steps));
            EXPECT_EQ(o.handled.size(), k > 8 ? 2u : k > 5 ? 1u : 0u);
        }
    }
}

TEST(pop3_session, every_reply_may_come_in_two_pieces_cut_anywhere)
{
    for (size_t k = 0; k < full_session.size(); ++k) {
        for (size_t cut = 1; cut < full_session[k].reply.size(); cut += k == 5 ? 97 : 1) {
            std::vector<pop3_step> steps = full_session;
            steps[k].cuts = {cut};
            SCOPED_TRACE("step " + std::to_string(k) + " cut at " + std::to_string(cut));
            outcome o = converse(steps);
            EXPECT_EQ(o.result, pop3_ok);
            EXPECT_EQ(o.commands, commands_of(steps));
            ASSERT_EQ(o.handled.size(), 2u);
            EXPECT_EQ(o.handled[0], steps[5].reply.substr(0, 16384)) << "the first 16384 bytes as the message";
        }
    }
}

TEST(pop3_session, a_reply_that_never_ends_is_given_up_at_64_mib)
{
    std::vector<pop3_step> steps = login("+OK 1 99") + std::vector<pop3_step>{
        {"RETR 1\r\n", "+OK\r\n" + std::string(64u << 20, 'x') + std::string(16384, 'y')}};
    EXPECT_EQ(converse(steps).result, pop3_connection_broken);
}

TEST(pop3_session, a_reply_above_the_bound_is_read_to_its_terminator_wherever_it_falls)
{
    // Ending 1 to 6 bytes past the bound, so that the terminator straddles
    // it, and far past it; cut at the bound and inside the terminator.
    for (size_t past : {1, 2, 3, 4, 5, 6, 4000}) {
        std::vector<pop3_step> steps = login("+OK 2 99") + std::vector<pop3_step>{
            {"RETR 1\r\n", "+OK\r\n" + std::string(16374 + past, 'x') + "\r\n.\r\n"}, line("DELE 1", "+OK"), retr(2),
            line("DELE 2", "+OK"), quit};
        for (size_t cut : {size_t{16384}, 16379 + past, 16380 + past, 16381 + past, 16382 + past, 16383 + past}) {
            steps[4].cuts = {cut};
            SCOPED_TRACE(std::to_string(past) + " past the bound, cut at " + std::to_string(cut));
            outcome o = converse(steps);
            EXPECT_EQ(o.result, pop3_ok);
            EXPECT_EQ(o.commands, commands_of(steps));
            EXPECT_EQ(o.handled.size(), 2u);
        }
    }
}

TEST(pop3_session, faults_before_the_conversation)
{
    const std::string all = "USER tv\r\nPASS pw\r\nSTAT\r\nQUIT\r\n";
    const struct {
        const char* name;
        void (*arrange)(sockets_double&);
        pop3_result result;
        std::string sent;
    } cases[] = {
        {"Winsock does not start", [](sockets_double& d) { d.startup_fails = true; }, pop3_no_connection, ""},
        {"Winsock 2.2 granted", [](sockets_double& d) { d.granted = 0x0202; }, pop3_no_connection, ""},
        {"no socket", [](sockets_double& d) { d.open_fails = true; }, pop3_no_connection, ""},
        {"no such host", [](sockets_double& d) { d.resolve_fails = true; }, pop3_no_such_server, ""},
        {"connection refused", [](sockets_double& d) { d.connect_error = 10061; }, pop3_no_connection, ""},
        {"connection under way", [](sockets_double& d) { d.connect_error = 10035; }, pop3_ok, all},
        {"connection never made", [](sockets_double& d) { d.connect_error = 10035; d.writable_wait = 0; },
         pop3_no_connection, ""},
        {"a send fails", [](sockets_double& d) { d.failing_send = 2; }, pop3_connection_broken, "USER tv\r\n"},
        {"sends take a byte at a time", [](sockets_double& d) { d.send_room = 1; }, pop3_ok, all},
        {"a send that would block waits to write", [](sockets_double& d) { d.blocked_sends = 1; }, pop3_ok, all},
        {"and when the wait runs out the server is silent",
         [](sockets_double& d) { d.blocked_sends = 1; d.writable_wait = 0; }, pop3_server_silent, ""},
        {"or the connection fails", [](sockets_double& d) { d.blocked_sends = 1; d.writable_wait = -1; },
         pop3_connection_broken, ""},
    };
    for (const auto& c : cases) {
        files_double files;
        sockets_double sockets(login("+OK 0 0") + std::vector<pop3_step>{quit});
        c.arrange(sockets);
        EXPECT_EQ(poll_mailbox("mail.example", 110, "tv", "pw", recording_handler), c.result) << c.name;
        EXPECT_EQ(sockets.sent, c.sent) << c.name;
        EXPECT_EQ(sockets.closes, sockets.opens) << c.name;
        EXPECT_EQ(sockets.cleanups, sockets.startups) << c.name;
    }
}

}  // namespace
