// The mailbox session over this system's own TLS (OpenSSL; Schannel under
// Wine) with the tests' root trusted: a booking from Dovecot; a scripted
// server that cuts its records up and runs them together, which must give
// what plain text gives; servers that cannot prove who they are, which
// must hear nothing at all.
#include <chrono>
#include <string>
#include <thread>

#include <gtest/gtest.h>

#include "pop3/pop3_session.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_host.h"

namespace fs = std::filesystem;

namespace {

message_fate keep_text(void* messages, char* message, uint32_t length)
{
    static_cast<std::string*>(messages)->append(message, length);
    return delete_message;
}

void ignore_skipped(void*, uint32_t) {}

class tls_session : public in_temp_dir {
protected:
    void SetUp() override
    {
        in_temp_dir::SetUp();
        if (setting("TOBALIN_SCRIPTED_DIR").empty() || setting("TOBALIN_DOVECOT_TLS_PORT").empty())
            GTEST_SKIP() << "run through CTest: Dovecot over TLS and the scripted server";
        ASSERT_TRUE(trust_root_certificate(setting("TOBALIN_DOVECOT_TLS_ROOT")));
    }

    // Polls with Dovecot's account; the messages handed on, one after another.
    pop3_result poll(const std::string& entry, const std::string& pass = setting("TOBALIN_DOVECOT_PASS"))
    {
        mailbox_handler handler = {keep_text, ignore_skipped, &messages};
        return poll_mailbox(entry.c_str(), user.c_str(), pass.c_str(), handler);
    }

    // The scripted server's listener, as its port's variable names it.
    static std::string scripted(const std::string& scheme, const std::string& listener)
    {
        return scheme + "localhost:" + setting("TOBALIN_SCRIPTED_" + listener + "_PORT");
    }

    // What the last client of the listener sent, once its connection ended.
    static std::string received(const std::string& listener)
    {
        fs::path record = host_path(setting("TOBALIN_SCRIPTED_DIR") + "/received/" + listener);
        for (int tenths = 0; tenths < 50 && !fs::exists(record); ++tenths)
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        std::string bytes = file_bytes(record);
        fs::remove(record);
        return bytes;
    }

    const std::string user = setting("TOBALIN_DOVECOT_USER"), password = setting("TOBALIN_DOVECOT_PASS");
    const fs::path mail = host_path(setting("TOBALIN_SCRIPTED_DIR") + "/mail");
    std::string messages;
};

TEST_F(tls_session, books_a_message_from_dovecot_and_tells_why_it_cannot)
{
    std::string maildir = setting("TOBALIN_DOVECOT_MAILDIR");
    write_file(host_path(maildir + "/new/1.M1P1.tobalin"), "Subject: one\n\n.dotted\n");
    EXPECT_EQ(poll("pop3s://localhost:" + setting("TOBALIN_DOVECOT_TLS_PORT")), pop3_ok);
    EXPECT_EQ(messages, "+OK 25 octets\r\nSubject: one\r\n\r\n..dotted\r\n.\r\n");
    for (const char* kept : {"/new", "/cur"})
        EXPECT_TRUE(fs::is_empty(host_path(maildir + kept))) << kept;
    // The resolver, a refused connection and a refused login, as they really come.
    const std::string plain = ":" + setting("TOBALIN_DOVECOT_PORT");
    EXPECT_EQ(poll("no-such-host.invalid" + plain), pop3_no_such_server);
    EXPECT_EQ(poll("127.0.0.1:1"), pop3_no_connection);
    EXPECT_EQ(poll("127.0.0.1" + plain, "wrong"), pop3_login_refused);
}

// Records of one byte, records split over many receives, a hundred records
// in one write, the greeting behind the handshake's last bytes, a message
// larger than what one receive can hold: the session cannot tell.
TEST_F(tls_session, records_cut_up_and_run_together_carry_what_plain_text_carries)
{
    std::string small = "Subject: 1\r\n\r\n.dotted\r\n", large = "Subject: 2\r\n\r\n";
    for (int line = 0; line < 2000; ++line)
        large += "a line of a long message, one of many\r\n";
    for (const char* scheme : {"pop3://", "pop3s://"}) {
        write_file(mail / "1", small);
        write_file(mail / "2", large);
        messages.clear();
        std::string listener = scheme == std::string("pop3://") ? "PLAIN" : "LOCALHOST";
        EXPECT_EQ(poll(scripted(scheme, listener)), pop3_ok) << scheme;
        EXPECT_EQ(messages, "+OK 23 octets\r\nSubject: 1\r\n\r\n..dotted\r\n.\r\n+OK 78014 octets\r\n" + large + ".\r\n");
        EXPECT_EQ(received(listener), "USER " + user + "\r\nPASS " + password +
                                          "\r\nSTAT\r\nRETR 1\r\nDELE 1\r\nRETR 2\r\nDELE 2\r\nQUIT\r\n");
        EXPECT_TRUE(fs::is_empty(mail)) << scheme;
    }
}

TEST_F(tls_session, a_server_that_cannot_prove_who_it_is_hears_nothing)
{
    const struct {
        const char* listener;
        pop3_result result;
    } servers[] = {
        {"OTHER_NAME", pop3_untrusted_certificate},     // a certificate for other.example
        {"EXPIRED", pop3_untrusted_certificate},        // valid through 2021
        {"PARTIAL_CHAIN", pop3_untrusted_certificate},  // sent without its intermediate
        {"UNKNOWN_CA", pop3_untrusted_certificate},     // from a root nobody trusts, sent alone
        {"OLD_TLS", pop3_tls_failed},                   // TLS 1.1 only
    };
    write_file(mail / "1", "Subject: 1\r\n\r\nresv 0615 2100 2154 8 A B News\r\n");
    for (const auto& server : servers) {
        EXPECT_EQ(poll(scripted("pop3s://", server.listener)), server.result) << server.listener;
        EXPECT_EQ(received(server.listener), "") << server.listener;
    }
    EXPECT_EQ(messages, "");
    EXPECT_TRUE(fs::exists(mail / "1"));
    // A server that never answers the handshake holds the session no longer
    // than the time-out.
    pop3_timeout_ms = 500;
    EXPECT_EQ(poll(scripted("pop3s://", "SILENT")), pop3_server_silent);
    pop3_timeout_ms = pop3_default_timeout_ms;
}

}  // namespace
