// The mailbox session against a server that plays a written conversation:
// the commands the client sends, the messages it hands on, the raw copy it
// leaves and how the session ends, for replies that come whole, in pieces,
// wrong, cut off or never.
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "pop3/mailbox_server.h"
#include "pop3/pop3_session.h"
#include "tests/doubles/files_double.h"
#include "tests/doubles/sockets_double.h"

namespace {

std::string handled;         // "Subject: n" of each message handed on, as "1 2 "
std::vector<size_t> lengths;  // and its length

// The interpreter's place: records each message, keeps the ones that say
// so, and then writes over the message as the interpreter may; a message
// deleted unread is recorded by its size.
message_fate record_message(void*, char* message, uint32_t length)
{
    const char* subject = strstr(message, "Subject: ");
    handled += (subject ? std::string(subject + 9, strcspn(subject + 9, "\r")) : "?") + " ";
    lengths.push_back(length);
    EXPECT_EQ(message[length], '\0');
    message_fate fate = strstr(message, "keep me") ? keep_message : delete_message;
    memset(message, '#', length);
    return fate;
}

void record_skipped(void*, uint32_t size)
{
    handled += "(" + std::to_string(size) + ") ";
}

const mailbox_handler recording_handler = {record_message, record_skipped, nullptr};

const std::string limit = std::to_string(pop3_message_limit), above = std::to_string(pop3_message_limit + 1);

std::string logged_in(const std::string& stat)
{
    return "+OK ready | USER tv | PASS pw | STAT: " + stat + " | ";
}

struct outcome {
    pop3_result result;
    std::string copy;  // "Tobalin.tmp"
};

// The same conversation in plain text, or through TLS.
outcome converse(const std::vector<pop3_step>& steps, const char* server_entry = "mail.example")
{
    files_double files;
    sockets_double server(steps);
    handled.clear();
    lengths.clear();
    pop3_result result = poll_mailbox(server_entry, "tv", "pw", recording_handler);
    EXPECT_EQ(server.closes, server.opens);
    EXPECT_EQ(server.cleanups, server.startups);
    EXPECT_EQ(server.tls_closes, server.tls_opens);
    // The client sends every command of the conversation and nothing more.
    std::string expected;
    for (const pop3_step& s : steps)
        expected += s.command;
    EXPECT_EQ(server.sent, expected);
    return {result, files.files["Tobalin.tmp"]};
}

TEST(pop3_session, conversations)
{
    const struct {
        std::string conversation;
        pop3_result result;
        std::string handled;
    } cases[] = {
        {logged_in("+OK 0 0") + "QUIT", pop3_ok, ""},
        {"+ok ready | USER tv: +Ok | PASS pw | STAT: +OK 2 5120 | RETR 1 | DELE 1 | RETR 2 | DELE 2 | QUIT", pop3_ok,
         "1 2 "},
        // A STAT total above the limit brings LIST: a message of the limit is
        // retrieved, a larger one deleted unread.
        {logged_in("+OK 2 " + above) + "LIST 1: +OK 1 " + limit + " | RETR 1 | DELE 1 | LIST 2: +OK 2 " + above +
             " | DELE 2 | QUIT",
         pop3_ok, "1 (" + above + ") "},
        {logged_in("+OK 1 " + limit) + "RETR 1 | DELE 1 | QUIT", pop3_ok, "1 "},
        {logged_in("+OK 1") + "RETR 1 | DELE 1 | QUIT", pop3_ok, "1 "},
        // The size follows the first space or LF after the first number.
        {logged_in("+OK 2\n300000") + "LIST 1: +OK 12 " + above + " | DELE 1 | LIST 2: +OK 2\n9 | RETR 2 | DELE 2 | QUIT",
         pop3_ok, "(" + above + ") 2 "},
        // -ERR for one message leaves it on the server and costs no other.
        {logged_in("+OK 3 300000") + "LIST 1: +OK 1 9 | RETR 1 | DELE 1 | LIST 2: -ERR gone | LIST 3: +OK 3 9 | "
                                    "RETR 3 | DELE 3 | QUIT",
         pop3_mailbox_error, "1 3 "},
        {logged_in("+OK 3 99") + "RETR 1 | DELE 1 | RETR 2: -ERR unreadable | RETR 3 | DELE 3 | QUIT",
         pop3_mailbox_error, "1 3 "},
        {logged_in("+OK 3 99") + "RETR 1 | DELE 1 | RETR 2 | DELE 2: -err busy | RETR 3 | DELE 3 | QUIT",
         pop3_mailbox_error, "1 2 3 "},
        {logged_in("+OK 0 0") + "QUIT: -ERR not now", pop3_mailbox_error, ""},
        // Any other -ERR, or a reply that is neither, ends the session at once, without QUIT.
        {"-ERR busy", pop3_no_connection, ""},
        {"+OK | USER tv: -ERR", pop3_login_refused, ""},
        {"+OK | USER tv | PASS pw: -ERR", pop3_login_refused, ""},
        {logged_in("-ERR locked"), pop3_mailbox_error, ""},
        {"+OK " + std::string(pop3_message_limit, 'x'), pop3_connection_broken, ""},
    };
    for (const auto& c : cases) {
        for (const char* server : {"mail.example", "pop3s://mail.example"}) {
            SCOPED_TRACE(server + (" " + c.conversation.substr(0, 200)));
            outcome o = converse(pop3_conversation(c.conversation), server);
            EXPECT_EQ(o.result, c.result);
            EXPECT_EQ(handled, c.handled);
        }
    }
    for (const char* reply : {"ERR", "+NO", "-EAR", "xOK", "xERR", "+O", "-ER"}) {
        SCOPED_TRACE(reply);
        EXPECT_EQ(converse(pop3_conversation(logged_in("+OK 2 99") + "RETR 1 | DELE 1: " + reply)).result,
                  pop3_connection_broken);
    }
}

TEST(pop3_session, the_raw_copy_is_the_last_message_as_received_and_a_kept_one_is_not_deleted)
{
    const std::string with_nul("+OK\r\nSubject: 2\r\n\r\nbefore\0after\r\n.\r\n", 36);
    std::vector<pop3_step> steps = pop3_conversation(logged_in("+OK 2 99") + "RETR 1 | RETR 2 | DELE 2 | QUIT");
    steps[4].reply = pop3_message("1", "keep me\r\n");
    steps[5].reply = with_nul;
    outcome o = converse(steps);
    EXPECT_EQ(o.result, pop3_ok);
    EXPECT_EQ(o.copy, with_nul);
}

// Every kind of step: LIST, a reply above the bound and a message after it.
std::vector<pop3_step> full_session()
{
    std::vector<pop3_step> steps = pop3_conversation(logged_in("+OK 2 300000") + "LIST 1: +OK 1 " + limit +
                                                     " | RETR 1 | DELE 1 | LIST 2: +OK 2 60 | RETR 2 | DELE 2 | QUIT");
    steps[5].reply = pop3_message("1", std::string(pop3_message_limit + 5000, 'x') + "\r\n");
    return steps;
}

TEST(pop3_session, a_connection_that_breaks_at_any_step_ends_the_session_without_quit)
{
    const std::vector<pop3_step> full = full_session();
    for (size_t k = 0; k < full.size(); ++k) {
        for (auto then : {pop3_step::closes, pop3_step::falls_silent, pop3_step::fails}) {
            // The step's reply all but its last three bytes, then the end.
            std::vector<pop3_step> steps(full.begin(), full.begin() + static_cast<long>(k) + 1);
            steps[k].reply.resize(steps[k].reply.size() - 3);
            steps[k].then = then;
            SCOPED_TRACE("step " + std::to_string(k) + " ends " + std::to_string(then));
            pop3_result result = then == pop3_step::falls_silent ? pop3_server_silent : pop3_connection_broken;
            EXPECT_EQ(converse(steps).result, result);
            EXPECT_EQ(handled, k > 8 ? "1 2 " : k > 5 ? "1 " : "");
        }
    }
}

TEST(pop3_session, every_reply_may_come_in_two_pieces_cut_anywhere)
{
    const std::vector<pop3_step> full = full_session();
    for (size_t k = 0; k < full.size(); ++k) {
        for (size_t cut = 1; cut < full[k].reply.size(); cut += k == 5 ? 997 : 1) {
            std::vector<pop3_step> steps = full;
            steps[k].cuts = {cut};
            SCOPED_TRACE("step " + std::to_string(k) + " cut at " + std::to_string(cut));
            outcome o = converse(steps);
            EXPECT_EQ(o.result, pop3_ok);
            EXPECT_EQ(handled, "1 2 ");
            EXPECT_EQ(lengths[0], pop3_message_limit) << "the first bytes up to the limit are the message";
        }
    }
}

TEST(pop3_session, a_reply_above_the_bound_is_read_to_its_terminator_wherever_it_falls)
{
    // Ending 1 to 6 bytes past the bound, so that the terminator straddles
    // it, and far past it; cut at the bound and inside the terminator. The
    // first bytes up to the bound are the message.
    const size_t bound = pop3_message_limit;
    for (size_t past : {1, 2, 3, 4, 5, 6, 4000}) {
        std::vector<pop3_step> steps =
            pop3_conversation(logged_in("+OK 2 99") + "RETR 1 | DELE 1 | RETR 2 | DELE 2 | QUIT");
        steps[4].reply = "+OK\r\nSubject: 1\r\n" + std::string(bound - 22 + past, 'x') + "\r\n.\r\n";
        for (size_t cut : {bound, bound - 5 + past, bound - 4 + past, bound - 3 + past, bound - 2 + past, bound - 1 + past}) {
            steps[4].cuts = {cut};
            SCOPED_TRACE(std::to_string(past) + " past the bound, cut at " + std::to_string(cut));
            EXPECT_EQ(converse(steps).result, pop3_ok);
            EXPECT_EQ(handled, "1 2 ");
            EXPECT_EQ(lengths[0], bound);
        }
    }
    std::vector<pop3_step> endless = pop3_conversation(logged_in("+OK 1 99") + "RETR 1");
    endless[4].reply = "+OK\r\n" + std::string((64u << 20) + pop3_message_limit, 'x');  // given up at 64 MiB
    EXPECT_EQ(converse(endless).result, pop3_connection_broken);
}

TEST(pop3_session, faults_before_and_while_sending)
{
    const std::string all = "USER tv\r\nPASS pw\r\nSTAT\r\nQUIT\r\n";
    const struct {
        const char* name;
        const char* server;
        void (*arrange)(sockets_double&);
        pop3_result result;
        std::string sent;
    } cases[] = {
        {"sockets do not start", "mail.example", [](sockets_double& d) { d.startup_fails = true; }, pop3_no_connection, ""},
        {"no socket", "mail.example", [](sockets_double& d) { d.open_fails = true; }, pop3_no_connection, ""},
        {"no such host", "mail.example", [](sockets_double& d) { d.resolve_fails = true; }, pop3_no_such_server, ""},
        {"connection refused", "mail.example", [](sockets_double& d) { d.connect_result = os_failed; },
         pop3_no_connection, ""},
        {"connection under way", "mail.example", [](sockets_double& d) { d.connect_result = os_would_block; }, pop3_ok,
         all},
        {"connection never made", "mail.example",
         [](sockets_double& d) { d.connect_result = os_would_block; d.writable_wait = os_timed_out; },
         pop3_no_connection, ""},
        {"a send fails", "mail.example", [](sockets_double& d) { d.failing_send = 2; }, pop3_connection_broken, "USER tv\r\n"},
        {"sends take a byte at a time", "mail.example", [](sockets_double& d) { d.send_room = 1; }, pop3_ok, all},
        {"a send that would block waits to write", "mail.example", [](sockets_double& d) { d.blocked_sends = 1; },
         pop3_ok, all},
        {"and when the wait runs out the server is silent", "mail.example",
         [](sockets_double& d) { d.blocked_sends = 1; d.writable_wait = os_timed_out; }, pop3_server_silent, ""},
        {"or the connection fails", "mail.example",
         [](sockets_double& d) { d.blocked_sends = 1; d.writable_wait = os_failed; },
         pop3_connection_broken, ""},
        // Over TLS nothing is sent before the server has proved who it is.
        {"an entry that names no server", "pop3s://", [](sockets_double&) {}, pop3_bad_server_entry, ""},
        {"a handshake that fails", "pop3s://mail.example", [](sockets_double& d) { d.tls_open = os_failed; },
         pop3_tls_failed, ""},
        {"a certificate that proves nothing", "mail.example:995", [](sockets_double& d) { d.tls_open = os_untrusted; },
         pop3_untrusted_certificate, ""},
        {"a handshake the server leaves unanswered", "pop3s://mail.example",
         [](sockets_double& d) { d.tls_open = os_timed_out; }, pop3_server_silent, ""},
        {"a send through TLS that fails", "pop3s://mail.example", [](sockets_double& d) { d.failing_send = 2; },
         pop3_connection_broken, "USER tv\r\n"},
    };
    for (const auto& c : cases) {
        files_double files;
        sockets_double sockets(pop3_conversation(logged_in("+OK 0 0") + "QUIT"));
        c.arrange(sockets);
        EXPECT_EQ(poll_mailbox(c.server, "tv", "pw", recording_handler), c.result) << c.name;
        EXPECT_EQ(sockets.sent, c.sent) << c.name;
        EXPECT_EQ(sockets.closes, sockets.opens) << c.name;
        EXPECT_EQ(sockets.cleanups, sockets.startups) << c.name;
        EXPECT_EQ(sockets.tls_closes, sockets.tls_opens) << c.name;
    }
}

TEST(pop3_session, the_server_entry_chooses_port_and_tls_and_a_good_end_says_goodbye)
{
    const struct {
        const char* server;
        uint16_t port;
        int tls_notices;
    } cases[] = {{"mail.example", 110, 0}, {"mail.example:995", 995, 1}, {"pop3s://mail.example:1995", 1995, 1}};
    for (const auto& c : cases) {
        files_double files;
        sockets_double sockets(pop3_conversation(logged_in("+OK 0 0") + "QUIT"));
        EXPECT_EQ(poll_mailbox(c.server, "tv", "pw", recording_handler), pop3_ok) << c.server;
        EXPECT_EQ(sockets.host + ":" + std::to_string(sockets.port), "mail.example:" + std::to_string(c.port));
        EXPECT_EQ(sockets.tls_notices, c.tls_notices) << c.server;
    }
}

// What the POP setting may say: a host alone is plain POP3 on port 110 as it
// always was; a port, or the pop3s scheme, may ask for TLS.
TEST(mailbox_server, entries)
{
    const struct {
        const char* entry;
        const char* host;
        uint16_t port;
        bool tls;
    } cases[] = {
        {"pop.example.com", "pop.example.com", 110, false},
        {" 192.0.2.7\t", "192.0.2.7", 110, false},
        {"pop.example.com:995", "pop.example.com", 995, true},
        {"pop.example.com:65535", "pop.example.com", 65535, false},
        {"pop.example.com:1", "pop.example.com", 1, false},
        {"pop3s://pop.example.com", "pop.example.com", 995, true},
        {"POP3S://pop.example.com:1995/", "pop.example.com", 1995, true},
        {"pop3://pop.example.com:995", "pop.example.com", 995, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string("\"") + c.entry + "\"");
        mailbox_server server = {};
        ASSERT_TRUE(parse_mailbox_server(c.entry, &server));
        EXPECT_STREQ(server.host, c.host);
        EXPECT_EQ(server.port, c.port);
        EXPECT_EQ(server.tls, c.tls);
    }
    mailbox_server server;
    EXPECT_TRUE(parse_mailbox_server(std::string(100, 'h').c_str(), &server)) << "a host as long as the setting";
    for (const char* malformed : {"", "   ", ":995", "pop3s://", "pop3s://:995", "pop.example.com:",
                                  "pop.example.com:0", "pop.example.com:65536", "pop.example.com:099999",
                                  "pop.example.com:-1", "pop.example.com:99x", "pop.example.com:995:1",
                                  "imaps://pop.example.com", "pop3s:/pop.example.com", "pop3s://pop.example.com/INBOX",
                                  "pop.example.com/", "::1"})
        EXPECT_FALSE(parse_mailbox_server(malformed, &server)) << malformed;
    EXPECT_FALSE(parse_mailbox_server(std::string(101, 'h').c_str(), &server)) << "a host longer than the setting";
}

}  // namespace
