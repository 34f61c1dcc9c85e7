// The mailbox session against a scripted POP3 server on a loopback port:
// what it sends, what reaches the interpreter, what "Tobalin.tmp" holds and
// how the session ends, for replies that come whole, in pieces, wrong,
// late, cut off or never.
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "pop3/pop3_session.h"
#include "settings/settings.h"
#include "tests/doubles/sockets_double.h"
#include "tests/pop3/script_server.h"
#include "tests/support/temp_dir.h"

namespace {

std::vector<std::string> handled;

// The interpreter's double: records each message, then writes over it as
// the real one may.
int recording_handler(char* message)
{
    handled.emplace_back(message);
    memset(message, '#', strlen(message));
    return -1;
}

// One reply of a session, the command it answers ("" for the greeting) and
// whether it brings a message.
struct step {
    std::string command;
    scripted_reply reply;
    bool brings_message = false;
};

std::string message(int n, size_t body_bytes = 20)
{
    std::string text = "Subject: " + std::to_string(n) + "\r\n\r\n";
    for (size_t i = 0; i < body_bytes; i += 10)
        text += ".line " + std::to_string(n) + "\r\n";  // byte-stuffed on the wire
    return text;
}

std::string stuffed(const std::string& text)
{
    std::string wire;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '.' && (i == 0 || text[i - 1] == '\n'))
            wire += '.';
        wire += text[i];
    }
    return wire;
}

step ok(std::string command, std::string text = "+OK\r\n")
{
    return {std::move(command), {std::move(text)}};
}

// A session that goes well: LIST before each message when the STAT total
// is above 16384, a message listed above 16384 deleted unread.
std::vector<step> session(const std::vector<std::string>& messages, long total, std::vector<long> listed = {})
{
    std::vector<step> steps = {ok("", "+OK ready\r\n"), ok("USER tobalin\r\n"), ok("PASS secret\r\n"),
                               ok("STAT\r\n", "+OK " + std::to_string(messages.size()) + " " +
                                                  std::to_string(total) + "\r\n")};
    for (size_t i = 0; i < messages.size(); ++i) {
        std::string n = std::to_string(i + 1);
        long size = i < listed.size() ? listed[i] : static_cast<long>(messages[i].size());
        if (total > 16384)
            steps.push_back(ok("LIST " + n + "\r\n", "+OK " + n + " " + std::to_string(size) + "\r\n"));
        if (total <= 16384 || size <= 16384)
            steps.push_back({"RETR " + n + "\r\n",
                             {"+OK " + std::to_string(size) + " octets\r\n" + stuffed(messages[i]) + ".\r\n"},
                             true});
        steps.push_back(ok("DELE " + n + "\r\n"));
    }
    steps.push_back(ok("QUIT\r\n", "+OK bye\r\n"));
    return steps;
}

struct outcome {
    int result;
    std::string commands;
    std::vector<std::string> handled;
    std::string copy;  // "Tobalin.tmp"

    bool operator==(const outcome& o) const
    {
        return result == o.result && commands == o.commands && handled == o.handled && copy == o.copy;
    }
};

void PrintTo(const outcome& o, std::ostream* out)
{
    *out << "result " << o.result << ", commands [" << o.commands << "], " << o.handled.size()
         << " handled, copy of " << o.copy.size() << " bytes";
}

// What the session must do when the reply of step `failing` is bad or never
// comes whole (none failing: steps.size()): send every command up to that
// step and nothing after, hand on every message before it.
outcome expected(const std::vector<step>& steps, size_t failing)
{
    outcome o{failing < steps.size() ? -1 : 0, "", {}, "<missing>"};
    for (size_t i = 0; i < steps.size() && i <= failing; ++i) {
        o.commands += steps[i].command;
        if (steps[i].brings_message && i < failing) {
            o.copy = steps[i].reply.text.substr(0, 16384);
            o.handled.push_back(o.copy.c_str());
        }
    }
    return o;
}

class pop3_session : public in_temp_dir {
protected:
    void SetUp() override
    {
        in_temp_dir::SetUp();
        handled.clear();
        previous_handler = pop3_message_handler;
        pop3_message_handler = recording_handler;
        pop3_timeout_ms = 5000;  // only a test of silence waits it out
        strcpy(Settings.User, "tobalin");
        strcpy(Settings.Pass, "secret");
    }
    void TearDown() override
    {
        pop3_message_handler = previous_handler;
        pop3_timeout_ms = pop3_default_timeout_ms;
        in_temp_dir::TearDown();
    }

    outcome poll(const std::vector<scripted_reply>& replies)
    {
        handled.clear();
        remove("Tobalin.tmp");
        server.serve(replies);
        int result = poll_mailbox("127.0.0.1", server.port());
        return {result, server.received(), handled, file_bytes("Tobalin.tmp")};
    }

    outcome poll(const std::vector<step>& steps)
    {
        std::vector<scripted_reply> replies;
        for (const step& s : steps)
            replies.push_back(s.reply);
        return poll(replies);
    }

    script_server server;
    int (*previous_handler)(char*) = nullptr;
};

std::vector<step> with_reply(std::vector<step> steps, const std::string& command, const std::string& text)
{
    for (step& s : steps)
        if (s.command == command)
            s.reply.text = text;
    return steps;
}

size_t index_of(const std::vector<step>& steps, const std::string& command)
{
    for (size_t i = 0; i < steps.size(); ++i)
        if (steps[i].command == command)
            return i;
    return steps.size();
}

TEST_F(pop3_session, sessions)
{
    const std::vector<std::string> two = {message(1), message(2)};
    const std::string oversize = message(1, 20000);
    std::vector<step> lower_case = session(two, 100);
    lower_case[1].reply.text = "+ok\r\n";
    lower_case[4].reply.text = "+Ok 60 octets\r\n" + stuffed(two[0]) + ".\r\n";
    std::vector<step> trickled = session(two, 16385);
    for (step& s : trickled)
        s.reply.byte_by_byte = true;
    std::vector<step> late = session(two, 100);
    late[4].reply.delay_ms = 50;
    std::vector<step> five = session({message(1), message(2), message(3), message(4), message(5)}, 300);
    std::vector<step> no_total = session(two, 100);
    no_total[3].reply.text = "+OK 2\r\n";  // no total, no LIST
    std::vector<step> binary = session({std::string("Subject: 0\r\n\r\nbefore\0after\r\n", 28)}, 28);

    struct {
        const char* name;
        std::vector<step> steps;
        size_t failing;  // the step whose reply fails the session; SIZE_MAX: none
    } cases[] = {
        {"empty mailbox", session({}, 0), SIZE_MAX},
        {"two messages", session(two, 5120), SIZE_MAX},
        {"lower-case replies", lower_case, SIZE_MAX},
        {"total 16384: no LIST", session(two, 16384), SIZE_MAX},
        {"total 16385: LIST first", session(two, 16385), SIZE_MAX},
        {"listed 16384: retrieved", session(two, 20000, {16384, 60}), SIZE_MAX},
        {"listed 16385: deleted unread", session(two, 20000, {60, 16385}), SIZE_MAX},
        {"STAT without a total", no_total, SIZE_MAX},
        {"one byte per send", trickled, SIZE_MAX},
        {"a late reply", late, SIZE_MAX},
        {"NUL in a message", binary, SIZE_MAX},
        {"oversize reply, then more", session({oversize, message(2), message(3)}, 16000), SIZE_MAX},
        {"DELE refused at 3 of 5", with_reply(five, "DELE 3\r\n", "-ERR no\r\n"), index_of(five, "DELE 3\r\n")},
        {"status line beyond the buffer", with_reply(five, "", "+OK " + std::string(16400, 'x')), 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(poll(c.steps), expected(c.steps, std::min(c.failing, c.steps.size()))) << c.name;
}

TEST_F(pop3_session, a_fault_at_any_step_ends_the_session_without_quit)
{
    // With LIST, an oversize reply and a message after it: every kind of step.
    pop3_timeout_ms = 300;
    const std::vector<step> steps = session({message(1, 20000), message(2)}, 16385, {16000, 60});
    for (size_t k = 0; k < steps.size(); ++k) {
        for (auto then : {scripted_reply::answer_on, scripted_reply::close_after, scripted_reply::silent_after}) {
            std::vector<scripted_reply> replies;
            for (size_t i = 0; i < k; ++i)
                replies.push_back(steps[i].reply);
            // -ERR; or all but the last three bytes, then closed or silent.
            const std::string& text = steps[k].reply.text;
            replies.push_back({then == scripted_reply::answer_on ? "-ERR no\r\n" : text.substr(0, text.size() - 3)});
            replies.back().then = then;
            EXPECT_EQ(poll(replies), expected(steps, k)) << "step " << k << " then " << then;
        }
    }
}

TEST_F(pop3_session, every_reply_may_come_in_two_pieces_cut_anywhere)
{
    const std::vector<step> steps = session({message(1), message(2)}, 16385);
    for (size_t k = 0; k < steps.size(); ++k) {
        for (size_t cut = 1; cut < steps[k].reply.text.size(); ++cut) {
            std::vector<step> cut_up = steps;
            cut_up[k].reply.cuts = {cut};
            EXPECT_EQ(poll(cut_up), expected(steps, steps.size())) << "step " << k << " cut at " << cut;
        }
    }
}

TEST_F(pop3_session, an_oversize_reply_is_read_to_its_terminator_wherever_it_falls)
{
    // Replies ending 1 to 6 bytes past the bound, so the terminator straddles
    // it, and far past it; the reply cut at the bound and inside the terminator.
    const size_t header = std::string("+OK 16000 octets\r\nSubject: 1\r\n\r\n").size();
    for (size_t past : {1, 2, 3, 4, 5, 6, 4000}) {
        std::string text = "Subject: 1\r\n\r\n" + std::string(16384 + past - header - 5, 'x') + "\r\n";
        std::vector<step> steps = session({text, message(2)}, 16000, {16000, 60});
        ASSERT_EQ(steps[4].reply.text.size(), 16384 + past);
        for (size_t cut : {size_t{16384}, 16384 + past - 5, 16384 + past - 4, 16384 + past - 3, 16384 + past - 2,
                           16384 + past - 1}) {
            steps[4].reply.cuts = {cut};
            EXPECT_EQ(poll(steps), expected(steps, steps.size())) << past << " past, cut at " << cut;
        }
    }
}

TEST_F(pop3_session, a_refused_connection_fails_at_once)
{
    unsigned short port;
    {
        script_server closed;
        port = closed.port();
    }
    EXPECT_EQ(poll_mailbox("127.0.0.1", port), -1);
}

// The faults of the socket calls that a real socket does not give on demand.
TEST_F(pop3_session, socket_faults_release_what_was_taken)
{
    struct {
        const char* name;
        void (*arrange)(sockets_double&);
        int result;
        const char* sent;
    } cases[] = {
        {"Winsock does not start", [](sockets_double& d) { d.startup_fails = true; }, -1, ""},
        {"Winsock 2.2 granted", [](sockets_double& d) { d.granted = 0x0202; }, -1, ""},
        {"no socket", [](sockets_double& d) { d.open_fails = true; }, -1, ""},
        {"no such host", [](sockets_double& d) { d.resolve_fails = true; }, -1, ""},
        {"connection refused", [](sockets_double& d) { d.connect_error = 10061; }, -1, ""},
        {"connection under way", [](sockets_double& d) { d.connect_error = 10035; }, 0,
         "USER tobalin\r\nPASS secret\r\nSTAT\r\nQUIT\r\n"},
        {"connection never made",
         [](sockets_double& d) {
             d.connect_error = 10035;
             d.connect_wait = 0;
         },
         -1, ""},
        {"send fails", [](sockets_double& d) { d.failing_send = 2; }, -1, "USER tobalin\r\n"},
        {"receive fails",
         [](sockets_double& d) {
             d.replies.resize(3);
             d.after_replies = sockets_double::fails;
         },
         -1, "USER tobalin\r\nPASS secret\r\nSTAT\r\n"},
    };
    for (const auto& c : cases) {
        sockets_double sockets;
        sockets.replies = {"+OK\r\n", "+OK\r\n", "+OK\r\n", "+OK 0 0\r\n", "+OK\r\n"};
        c.arrange(sockets);
        EXPECT_EQ(poll_mailbox("mail.example", 110), c.result) << c.name;
        EXPECT_EQ(sockets.sent, c.sent) << c.name;
        EXPECT_EQ(sockets.closed, sockets.opens) << c.name;
        EXPECT_EQ(sockets.cleanups, sockets.startups) << c.name;
        for (uint32_t bound : sockets.receive_waits)
            EXPECT_EQ(bound, pop3_timeout_ms) << c.name;
    }
}

}  // namespace
