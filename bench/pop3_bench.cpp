// Messages per second that poll_mailbox retrieves and deletes from a local
// Dovecot (started by scripts/bench-pop3), against a minimal blocking client
// doing USER/PASS/STAT/RETR/DELE/QUIT, the same client adding the LIST that
// poll_mailbox sends before each RETR once a mailbox holds more than its
// bound, and Python's poplib; each on a refilled mailbox of small messages,
// in the same run. Then one poll of a hundred small messages over TLS
// (Dovecot's port for TLS from the first byte) against the same poll in
// plain text, as a user with a mailbox over TLS has it.
#include <algorithm>
#include <arpa/inet.h>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <netinet/in.h>
#include <string>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

#include "pop3/pop3_session.h"
#include "reservation/interpret_message.h"

namespace {

const int messages = 1000;
const int rounds = 7;
// The TLS comparison: a poll as a user's mailbox holds it, so that the
// handshake counts as it does for the user.
const int tls_messages = 100;
const int tls_rounds = 15;

std::string setting(const char* name)
{
    const char* value = getenv(name);
    if (!value) {
        fprintf(stderr, "pop3_bench: %s is not set; run scripts/bench-pop3\n", name);
        exit(2);
    }
    return value;
}

// Messages of about one kilobyte, no reservation in them.
void fill(const std::string& maildir, int count)
{
    static int batch = 0;
    ++batch;
    std::string body;
    while (body.size() < 900)
        body += "This message only takes up room in the mailbox.\n";
    for (int i = 0; i < count; ++i) {
        std::ofstream out(maildir + "/new/" + std::to_string(batch) + "." + std::to_string(i) + ".bench",
                          std::ios::binary);
        out << "From: bench@example.com\nSubject: bench " << i << "\n\n" << body;
    }
}

// The reference: blocking calls, one buffer, nothing more than the protocol.
class minimal_client {
public:
    explicit minimal_client(bool with_list) : list(with_list) {}
    bool run(unsigned short port)
    {
        fd = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in peer{};
        peer.sin_family = AF_INET;
        peer.sin_port = htons(port);
        peer.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        bool ok = connect(fd, reinterpret_cast<sockaddr*>(&peer), sizeof peer) == 0 && line() &&
                  command("USER " + setting("TOBALIN_DOVECOT_USER")) && command("PASS " + setting("TOBALIN_DOVECOT_PASS")) &&
                  command("STAT");
        int count = ok ? atoi(reply.c_str() + 4) : 0;
        for (int n = 1; ok && n <= count; ++n)
            ok = (!list || command("LIST " + std::to_string(n))) && say("RETR " + std::to_string(n)) && multiline() && command("DELE " + std::to_string(n));
        ok = ok && command("QUIT");
        close(fd);
        return ok;
    }

private:
    bool say(const std::string& text)
    {
        std::string line = text + "\r\n";
        return send(fd, line.data(), line.size(), 0) == static_cast<ssize_t>(line.size());
    }
    bool receive_until(const char* end)
    {
        reply.clear();
        size_t length = strlen(end);
        char data[65536];
        while (reply.size() < length || reply.compare(reply.size() - length, length, end) != 0) {
            ssize_t got = recv(fd, data, sizeof data, 0);
            if (got <= 0)
                return false;
            reply.append(data, static_cast<size_t>(got));
        }
        return reply.compare(0, 3, "+OK") == 0;
    }
    bool line() { return receive_until("\r\n"); }
    bool multiline() { return receive_until("\r\n.\r\n"); }
    bool command(const std::string& text) { return say(text) && line(); }

    bool list;
    int fd = -1;
    std::string reply;
};

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Each message goes through the interpreter, as in the program.
message_fate interpret_message_only(void*, char* message, uint32_t)
{
    interpretation mail;
    interpret_message(message, "", "", &mail);
    free(mail.text);
    return delete_message;
}

void skip_nothing(void*, uint32_t) {}

const mailbox_handler interpret_only = {interpret_message_only, skip_nothing, nullptr};

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        fprintf(stderr, "usage: pop3_bench <path of pop3_poplib.py>\n");
        return 2;
    }
    const std::string maildir = setting("TOBALIN_DOVECOT_MAILDIR");
    const std::string port_text = setting("TOBALIN_DOVECOT_PORT");
    const unsigned short port = static_cast<unsigned short>(atoi(port_text.c_str()));
    const std::string user = setting("TOBALIN_DOVECOT_USER"), password = setting("TOBALIN_DOVECOT_PASS");
    const std::string poplib = "python3 " + std::string(argv[1]) + " 127.0.0.1 " + port_text + " " +
                               setting("TOBALIN_DOVECOT_USER") + " " + setting("TOBALIN_DOVECOT_PASS");

    // The raw copy goes to the current directory, as in the program.
    std::filesystem::path work = std::filesystem::temp_directory_path() / "tobalin-pop3-bench";
    std::filesystem::create_directories(work);
    std::filesystem::current_path(work);

    // Each client empties a freshly filled mailbox; seconds per session.
    auto timed = [](const std::function<bool()>& session) {
        auto start = std::chrono::steady_clock::now();
        if (!session())
            return -1.0;
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    };
    std::vector<std::pair<const char*, std::function<double()>>> clients = {
        {"poll_mailbox", [&] {
             return timed([&] {
                 return poll_mailbox(("127.0.0.1:" + port_text).c_str(), user.c_str(), password.c_str(),
                                     interpret_only) == pop3_ok;
             });
         }},
        {"minimal client", [&] { return timed([&] { return minimal_client(false).run(port); }); }},
        {"minimal + LIST", [&] { return timed([&] { return minimal_client(true).run(port); }); }},
        {"poplib", [&] {
             FILE* out = popen(poplib.c_str(), "r");
             double seconds = -1;
             int count = 0;
             if (!out || fscanf(out, "%lf %d", &seconds, &count) != 2 || count != messages)
                 seconds = -1;
             if (out)
                 pclose(out);
             return seconds;
         }},
    };
    std::vector<std::vector<double>> rates(clients.size());
    // The order turns each round, so that no client always follows the same one.
    for (int round = 0; round < rounds; ++round) {
        for (size_t turn = 0; turn < clients.size(); ++turn) {
            size_t c = (turn + static_cast<size_t>(round)) % clients.size();
            fill(maildir, messages);
            double seconds = clients[c].second();
            if (seconds <= 0) {
                fprintf(stderr, "pop3_bench: %s failed\n", clients[c].first);
                return 1;
            }
            rates[c].push_back(messages / seconds);
        }
    }

    printf("%d messages of about 1 KB per session, median of %d sessions each\n", messages, rounds);
    for (size_t c = 0; c < clients.size(); ++c)
        printf("  %-15s %8.0f messages/s\n", clients[c].first, median(rates[c]));
    double ours = median(rates[0]);
    printf("poll_mailbox / minimal client: %.2fx\n", ours / median(rates[1]));
    printf("poll_mailbox / minimal + LIST: %.2fx\n", ours / median(rates[2]));
    printf("poll_mailbox / poplib:         %.2fx\n", ours / median(rates[3]));

    // The same poll in plain text and over TLS, in turn; the root that
    // signed Dovecot's certificate trusted as OpenSSL reads it.
    setenv("SSL_CERT_FILE", setting("TOBALIN_DOVECOT_TLS_ROOT").c_str(), 1);
    const std::string servers[] = {"127.0.0.1:" + port_text,
                                   "pop3s://localhost:" + setting("TOBALIN_DOVECOT_TLS_PORT")};
    std::vector<double> seconds[2];
    for (int round = 0; round < tls_rounds; ++round) {
        for (int turn = 0; turn < 2; ++turn) {
            int s = (turn + round) % 2;
            fill(maildir, tls_messages);
            double taken = timed([&] {
                return poll_mailbox(servers[s].c_str(), user.c_str(), password.c_str(), interpret_only) == pop3_ok;
            });
            if (taken <= 0) {
                fprintf(stderr, "pop3_bench: the poll of %s failed\n", servers[s].c_str());
                return 1;
            }
            seconds[s].push_back(taken);
        }
    }
    printf("\n%d messages of about 1 KB per poll, median of %d polls each\n", tls_messages, tls_rounds);
    printf("  %-15s %8.1f ms a poll\n", "plain text", median(seconds[0]) * 1000);
    printf("  %-15s %8.1f ms a poll\n", "TLS", median(seconds[1]) * 1000);
    printf("poll_mailbox TLS / plain, %d messages: %.2fx\n", tls_messages, median(seconds[0]) / median(seconds[1]));
    std::filesystem::current_path(std::filesystem::temp_directory_path());
    std::filesystem::remove_all(work);
    return 0;
}
