// The mailbox session against a POP3 server scripted by the test, on a
// loopback port: what it sends, what reaches the interpreter, what
// "Tobalin.tmp" holds and how the session ends, for replies that come whole,
// in pieces, wrong, late, cut off or never; then, through the sockets
// double, the faults a real socket does not give on demand.
#ifdef _WIN32
#define NOMINMAX
#define WIN32_LEAN_AND_MEAN
#include <winsock2.h>
typedef int socklen_t;
#define MSG_NOSIGNAL 0
#define SHUT_WR SD_SEND
#else
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/select.h>
#include <sys/socket.h>
#include <unistd.h>
typedef int SOCKET;
#define closesocket close
#endif

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "pop3/pop3_session.h"
#include "settings/settings.h"
#include "tests/doubles/sockets_double.h"
#include "tests/support/temp_dir.h"

namespace {

// One step of a scripted session: the command that the reply answers (""
// for the greeting), the reply, and how the server sends it.
struct step {
    std::string command;
    std::string reply;
    std::vector<size_t> cuts{};  // offsets at which the reply is cut into separate sends
    int delay_ms = 0;            // before its first byte
    enum then_what { answer_on, close_after, silent_after } then = answer_on;
};

#ifdef _WIN32
const int winsock_started = [] {
    WSADATA data;
    return WSAStartup(MAKEWORD(2, 2), &data);
}();
#endif

// No wait of the server outlasts this: a client that does not hang up in
// time fails its test instead of hanging it.
bool readable(SOCKET s)
{
    fd_set set;
    FD_ZERO(&set);
    FD_SET(s, &set);
    timeval patience = {10, 0};
    return select(static_cast<int>(s) + 1, &set, nullptr, nullptr, &patience) == 1;
}

// A POP3 server on a loopback port that serves one connection, in a thread,
// from the steps of a session: the greeting, then a reply to each command
// received. Once the steps are used up, or after one that ends in silence,
// it only records what it is sent until the client hangs up.
struct script_server {
    script_server()
    {
        sockaddr_in address = {};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t size = sizeof address;
        if (bind(listener, reinterpret_cast<sockaddr*>(&address), size) != 0 || listen(listener, 4) != 0 ||
            getsockname(listener, reinterpret_cast<sockaddr*>(&address), &size) != 0)
            ADD_FAILURE() << "the scripted server cannot listen on loopback";
        port = ntohs(address.sin_port);
    }
    ~script_server() { closesocket(listener); }

    void run(std::vector<step> steps)
    {
        received.clear();
        if (!readable(listener))
            return;
        SOCKET s = accept(listener, nullptr, nullptr);
        int on = 1;
        setsockopt(s, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&on), sizeof on);
        // Takes one command line (the client waits for each reply before it
        // sends the next), or false once the client has hung up.
        auto next_command = [&]() {
            do {
                if (!readable(s)) {
                    received += "<the client did not hang up>";
                    return false;
                }
                char data[512];
                int got = static_cast<int>(recv(s, data, sizeof data, 0));
                if (got <= 0)
                    return false;
                received.append(data, static_cast<size_t>(got));
            } while (received.back() != '\n');
            return true;
        };
        for (size_t i = 0; i < steps.size() && (i == 0 || next_command()); ++i) {
            const step& scripted = steps[i];
            std::this_thread::sleep_for(std::chrono::milliseconds(scripted.delay_ms));
            size_t from = 0;
            for (size_t cut : scripted.cuts) {
                send(s, scripted.reply.data() + from, static_cast<int>(cut - from), MSG_NOSIGNAL);
                // Time for the client to take this piece before the next one comes.
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
                from = cut;
            }
            send(s, scripted.reply.data() + from, static_cast<int>(scripted.reply.size() - from), MSG_NOSIGNAL);
            // Closing ends only the sending side, so that whatever the client
            // still sends is recorded.
            if (scripted.then == step::close_after)
                shutdown(s, SHUT_WR);
            if (scripted.then != step::answer_on)
                break;
        }
        while (next_command()) {
        }
        closesocket(s);
    }

    SOCKET listener = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    unsigned short port = 0;
    std::string received;
};

std::vector<std::string> handled;

// The interpreter's double: records each message, then writes over it as
// the real one may.
int recording_handler(char* message)
{
    handled.emplace_back(message);
    memset(message, '#', strlen(message));
    return -1;
}

// A message as the server sends it; its body lines begin with a doubled dot.
std::string message(int n, size_t body_bytes = 20)
{
    std::string text = "Subject: " + std::to_string(n) + "\r\n\r\n";
    for (size_t i = 0; i < body_bytes; i += 10)
        text += "..line " + std::to_string(n) + "\r\n";
    return text;
}

step ok(std::string command, std::string reply = "+OK\r\n")
{
    return {std::move(command), std::move(reply)};
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
            steps.push_back(
                ok("RETR " + n + "\r\n", "+OK " + std::to_string(size) + " octets\r\n" + messages[i] + ".\r\n"));
        steps.push_back(ok("DELE " + n + "\r\n"));
    }
    steps.push_back(ok("QUIT\r\n", "+OK bye\r\n"));
    return steps;
}

class pop3_session : public in_temp_dir {
protected:
    void SetUp() override
    {
        in_temp_dir::SetUp();
        pop3_message_handler = recording_handler;
        pop3_timeout_ms = 5000;  // only a test of silence waits it out
        strcpy(Settings.User, "tobalin");
        strcpy(Settings.Pass, "secret");
    }

    // Serves the steps and checks the session against them: when the reply
    // of step `failing` is bad or never comes whole (SIZE_MAX: none fails),
    // the result is -1, every command up to that step is sent and nothing
    // after, and every message before it is handed on and copied.
    void check(const std::vector<step>& steps, size_t failing)
    {
        handled.clear();
        remove("Tobalin.tmp");
        std::thread serving(&script_server::run, &server, steps);
        int result = poll_mailbox("127.0.0.1", server.port);
        serving.join();
        std::string commands, copy = "<missing>";
        std::vector<std::string> messages;
        for (size_t i = 0; i < steps.size() && i <= failing; ++i) {
            commands += steps[i].command;
            if (steps[i].command.compare(0, 4, "RETR") == 0 && i < failing) {
                copy = steps[i].reply.substr(0, 16384);
                messages.push_back(copy.c_str());
            }
        }
        EXPECT_EQ(result, failing < steps.size() ? -1 : 0);
        EXPECT_EQ(server.received, commands);
        EXPECT_TRUE(handled == messages) << handled.size() << " messages handed on";
        EXPECT_TRUE(file_bytes("Tobalin.tmp") == copy) << "the copy differs";
    }

    script_server server;
};

TEST_F(pop3_session, sessions)
{
    const std::vector<std::string> two = {message(1), message(2)};
    // +ok and +Ok; a STAT without a total (so no LIST); a late reply; a NUL
    // in a message, which the copy keeps.
    std::vector<step> variants = session({message(1), std::string("Subject: 2\r\n\r\nbefore\0after\r\n", 28)}, 100);
    variants[1].reply = "+ok\r\n";
    variants[3].reply = "+OK 2\r\n";
    variants[4].reply.replace(0, 3, "+Ok");
    variants[4].delay_ms = 50;
    std::vector<step> trickled = session(two, 16384);  // no LIST
    for (step& s : trickled)
        for (size_t cut = 1; cut < s.reply.size(); ++cut)
            s.cuts.push_back(cut);
    std::vector<step> refused = session({message(1), message(2), message(3), message(4), message(5)}, 300);
    refused[9].reply = "-ERR no\r\n";  // to DELE 3
    std::vector<step> endless = session({}, 0);
    endless[0].reply = "+OK " + std::string(16400, 'x');

    struct {
        const char* name;
        std::vector<step> steps;
        size_t failing;  // the step whose reply fails the session; SIZE_MAX: none
    } cases[] = {
        {"empty mailbox", session({}, 0), SIZE_MAX},
        {"two messages", session(two, 5120), SIZE_MAX},
        {"replies in other forms", variants, SIZE_MAX},
        {"total 16385: LIST first; listed 16384 retrieved, 16385 deleted unread", session(two, 16385, {16384, 16385}),
         SIZE_MAX},
        {"total 16384, one byte per send", trickled, SIZE_MAX},
        {"DELE refused at 3 of 5", refused, 9},
        {"status line beyond the buffer", endless, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        check(c.steps, c.failing);
    }
}

TEST_F(pop3_session, a_fault_at_any_step_ends_the_session_without_quit)
{
    // With LIST, an oversize reply and a message after it: every kind of step.
    pop3_timeout_ms = 300;
    const std::vector<step> steps = session({message(1, 20000), message(2)}, 16385, {16000, 60});
    for (size_t k = 0; k < steps.size(); ++k) {
        for (auto then : {step::answer_on, step::close_after, step::silent_after}) {
            // -ERR; or all but the last three bytes, then closed or silent.
            std::vector<step> faulty(steps.begin(), steps.begin() + k + 1);
            std::string& reply = faulty[k].reply;
            reply = then == step::answer_on ? "-ERR no\r\n" : reply.substr(0, reply.size() - 3);
            faulty[k].then = then;
            SCOPED_TRACE("step " + std::to_string(k) + " then " + std::to_string(then));
            check(faulty, k);
        }
    }
}

TEST_F(pop3_session, every_reply_may_come_in_two_pieces_cut_anywhere)
{
    const std::vector<step> steps = session({message(1), message(2)}, 16385);
    for (size_t k = 0; k < steps.size(); ++k) {
        for (size_t cut = 1; cut < steps[k].reply.size(); ++cut) {
            std::vector<step> cut_up = steps;
            cut_up[k].cuts = {cut};
            SCOPED_TRACE("step " + std::to_string(k) + " cut at " + std::to_string(cut));
            check(cut_up, SIZE_MAX);
        }
    }
}

TEST_F(pop3_session, an_oversize_reply_is_read_to_its_terminator_wherever_it_falls)
{
    // RETR 1 replies ending 1 to 6 bytes past the bound, so that the
    // terminator straddles it, and far past it; each cut at the bound and
    // inside the terminator. All three messages are deleted, QUIT is sent.
    for (size_t past : {1, 2, 3, 4, 5, 6, 4000}) {
        std::vector<step> steps = session({"", message(2), message(3)}, 100);
        steps[4].reply = "+OK\r\n" + std::string(16374 + past, 'x') + "\r\n.\r\n";
        for (size_t cut : {size_t{16384}, 16379 + past, 16380 + past, 16381 + past, 16382 + past, 16383 + past}) {
            steps[4].cuts = {cut};
            SCOPED_TRACE(std::to_string(past) + " past the bound, cut at " + std::to_string(cut));
            check(steps, SIZE_MAX);
        }
    }
}

TEST_F(pop3_session, a_refused_connection_fails_at_once)
{
    unsigned short port = script_server().port;  // no longer listening
    EXPECT_EQ(poll_mailbox("127.0.0.1", port), -1);
}

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
        {"connection never made", [](sockets_double& d) { d.connect_error = 10035; d.connect_wait = 0; }, -1, ""},
        {"send fails", [](sockets_double& d) { d.failing_send = 2; }, -1, "USER tobalin\r\n"},
        {"receive fails", [](sockets_double& d) { d.replies.resize(3); d.after_replies = sockets_double::fails; },
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
    }
}

}  // namespace
