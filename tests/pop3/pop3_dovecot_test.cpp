// The mailbox session against a real Dovecot on loopback, started by
// scripts/dovecot, which passes where it listens and the maildir it serves.
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "pop3/pop3_session.h"
#include "settings/settings.h"
#include "tests/support/temp_dir.h"

namespace {

std::vector<std::string> handled;

int recording_handler(char* message)
{
    handled.emplace_back(message);
    return -1;
}

std::string setting(const char* name)
{
    const char* value = getenv(name);
    return value ? value : "";
}

// A message as RETR brings it, after the status line: CR LF line ends, lines
// beginning with a dot doubled, a line end added to the last line, the
// terminator line.
std::string on_the_wire(const std::string& text)
{
    std::string wire;
    for (size_t i = 0; i < text.size(); ++i) {
        bool line_start = i == 0 || text[i - 1] == '\n';
        if (line_start && text[i] == '.')
            wire += '.';
        if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r'))
            wire += '\r';
        wire += text[i];
    }
    if (wire.size() < 2 || wire.compare(wire.size() - 2, 2, "\r\n") != 0)
        wire += "\r\n";
    return wire + ".\r\n";
}

// A mailbox of every kind of message, stored with LF line ends.
std::vector<std::string> mixed_mailbox()
{
    const std::string head = "From: user@example.com\nTo: tobalin@example.com\n";
    std::string dotted = head + "Subject: m7 dot-stuffed, just under the bound\n\n";
    // Listed (with CR LF line ends) under 16384; with its status line, the
    // doubled dots and the terminator, over it on the wire.
    while (on_the_wire(dotted).size() < 16384)
        dotted += ".a line the server stuffs\n..and one already doubled\n";
    return {
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
}

class dovecot : public in_temp_dir {
protected:
    void SetUp() override
    {
        in_temp_dir::SetUp();
        previous_handler = pop3_message_handler;
        if (setting("TOBALIN_DOVECOT_PORT").empty())
            GTEST_SKIP() << "run through scripts/dovecot run";
        strcpy(Settings.User, setting("TOBALIN_DOVECOT_USER").c_str());
        strcpy(Settings.Pass, setting("TOBALIN_DOVECOT_PASS").c_str());
        maildir = setting("TOBALIN_DOVECOT_MAILDIR");
#ifdef _WIN32
        maildir = "Z:" + maildir;  // Wine's drive for the Unix root
#endif
        pop3_message_handler = recording_handler;
    }
    void TearDown() override
    {
        pop3_message_handler = previous_handler;
        in_temp_dir::TearDown();
    }

    int poll()
    {
        handled.clear();
        return poll_mailbox("127.0.0.1", static_cast<unsigned short>(atoi(setting("TOBALIN_DOVECOT_PORT").c_str())));
    }

    size_t stored_messages()
    {
        size_t count = 0;
        for (const char* sub : {"new", "cur"})
            for (const auto& entry : std::filesystem::directory_iterator(maildir + "/" + sub))
                count += entry.is_regular_file();
        return count;
    }

    std::string maildir;
    int (*previous_handler)(char*) = nullptr;
};

TEST_F(dovecot, one_poll_empties_a_mixed_mailbox_handling_each_message_once)
{
    const std::vector<std::string> mailbox = mixed_mailbox();
    for (size_t i = 0; i < mailbox.size(); ++i)
        write_file(maildir + "/new/100" + std::to_string(i) + ".M" + std::to_string(i) + "P1.tobalin", mailbox[i]);
    ASSERT_EQ(stored_messages(), mailbox.size());

    ASSERT_EQ(poll(), 0);
    EXPECT_EQ(stored_messages(), 0u);

    // Each handled text is one message's reply, cut at 16384 bytes (and, as a
    // text, at a NUL); the far too large one is never retrieved.
    std::vector<int> times(mailbox.size(), 0);
    std::string last_reply;
    for (const std::string& text : handled) {
        ASSERT_EQ(text.compare(0, 4, "+OK "), 0) << text.substr(0, 40);
        const std::string status = text.substr(0, text.find("\r\n") + 2);
        bool known = false;
        for (size_t i = 0; i < mailbox.size(); ++i) {
            std::string reply = (status + on_the_wire(mailbox[i])).substr(0, 16384);
            if (std::string(reply.c_str()) == text) {
                ++times[i];
                known = true;
                last_reply = reply;
            }
        }
        EXPECT_TRUE(known) << text.substr(0, 80);
    }
    EXPECT_EQ(times, std::vector<int>({1, 1, 1, 1, 1, 0, 1, 1}));
    EXPECT_EQ(file_bytes("Tobalin.tmp"), last_reply);

    EXPECT_EQ(poll(), 0);
    EXPECT_TRUE(handled.empty());
}

}  // namespace
