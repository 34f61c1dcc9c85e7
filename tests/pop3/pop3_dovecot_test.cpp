// The mailbox session against a real Dovecot on loopback, started by
// scripts/dovecot, which passes where it listens and the maildir it serves.
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "pop3/pop3_session.h"
#include "tests/support/temp_dir.h"

namespace {

std::vector<std::string> handled;

message_fate recording_handler(char* message)
{
    handled.emplace_back(message);
    return delete_message;
}

std::string setting(const char* name)
{
    const char* value = getenv(name);
    return value ? value : "";
}

class dovecot : public in_temp_dir {};

TEST_F(dovecot, one_poll_empties_a_mixed_mailbox_handling_each_message_once)
{
    if (setting("TOBALIN_DOVECOT_PORT").empty())
        GTEST_SKIP() << "run through scripts/dovecot run";
    const auto port = static_cast<unsigned short>(atoi(setting("TOBALIN_DOVECOT_PORT").c_str()));
    const std::string user = setting("TOBALIN_DOVECOT_USER"), password = setting("TOBALIN_DOVECOT_PASS");
    std::string maildir = setting("TOBALIN_DOVECOT_MAILDIR");
#ifdef _WIN32
    maildir = "Z:" + maildir;  // Wine's drive for the Unix root
#endif

    // Every kind of message, stored with LF line ends, each marked "mN ".
    const std::string head = "From: user@example.com\nTo: tobalin@example.com\n";
    // Listed (with CR LF line ends) at about 16300 bytes; with its status
    // line, the doubled dots and the terminator, about 16900 on the wire.
    std::string dotted = head + "Subject: m7 dot-stuffed, just under the bound\n\n";
    for (int i = 0; i < 300; ++i)
        dotted += ".a line the server stuffs\n..and one already doubled\n";
    const std::vector<std::string> mailbox = {
        head + "Subject: m1 command\nContent-Type: text/plain\n\nresv 2005/06/15 21:00 22:00 8 News\n",
        head + "Subject: m2 shift_jis\nContent-Type: text/plain\n\nContent-type: application/x-tv-program-info; "
               "charset=shift_jis\n\nversion: 1\nprogram-title: \x94\xd4\x91\x67\n",
        head + "Subject: m3 iso-2022-jp\nContent-Type: text/plain; charset=iso-2022-jp\n\nContent-type: "
               "application/x-tv-program-info; charset=shift_jis\n\nprogram-title: \x1b$BHVAH\x1b(B\n",
        head + "Subject: m4 euc-jp qp\nContent-Type: text/plain\nContent-Transfer-Encoding: quoted-printable\n\n"
               "Content-type: application/x-tv-program-info; charset=shift_jis\n\nprogram-title: =C8=D6=C1=C8\n",
        std::string("m5 junk: no headers \x01\xff\r\r\n and a NUL \0 in it\n", 41),
        head + "Subject: m6 far too large\n\n" + std::string(40000, 'x') + "\n",
        dotted,
        head + "Subject: m8 no final line end\n\nthe end",
    };
    for (size_t i = 0; i < mailbox.size(); ++i)
        write_file(maildir + "/new/100" + std::to_string(i) + ".M" + std::to_string(i) + "P1.tobalin", mailbox[i]);

    ASSERT_EQ(poll_mailbox("127.0.0.1", port, user.c_str(), password.c_str(), recording_handler), pop3_ok);
    for (const char* sub : {"/new", "/cur"})
        EXPECT_TRUE(std::filesystem::is_empty(maildir + sub)) << sub;

    // Each message handed on once as its reply, within the bound (the dotted
    // one cut at it, its dots as sent); the far too large one never.
    std::vector<int> times(mailbox.size() + 1, 0);
    for (const std::string& text : handled) {
        EXPECT_EQ(text.compare(0, 4, "+OK "), 0) << text.substr(0, 40);
        for (size_t n = 1; n <= mailbox.size(); ++n)
            times[n] += text.find("m" + std::to_string(n) + " ") != std::string::npos;
        if (text.find("m7 ") != std::string::npos) {
            EXPECT_EQ(text.size(), 16384u);
            EXPECT_NE(text.find("\r\n..a line"), std::string::npos);
        }
    }
    EXPECT_EQ(times, std::vector<int>({0, 1, 1, 1, 1, 1, 0, 1, 1}));
    ASSERT_FALSE(handled.empty());
    EXPECT_EQ(file_bytes("Tobalin.tmp").c_str(), handled.back());

    handled.clear();
    EXPECT_EQ(poll_mailbox("127.0.0.1", port, user.c_str(), password.c_str(), recording_handler), pop3_ok);
    EXPECT_TRUE(handled.empty());
}

}  // namespace
