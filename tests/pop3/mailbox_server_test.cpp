// What the POP setting may say: a host alone is plain POP3 on port 110 as it
// always was; a port, or the pop3s scheme, may ask for TLS.
#include <string>

#include <gtest/gtest.h>

#include "pop3/mailbox_server.h"

namespace {

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
        {"pop.example.com:110", "pop.example.com", 110, false},
        {"pop.example.com:65535", "pop.example.com", 65535, false},
        {"pop.example.com:1", "pop.example.com", 1, false},
        {"pop3s://pop.example.com", "pop.example.com", 995, true},
        {"POP3S://pop.example.com:1995/", "pop.example.com", 1995, true},
        {"pop3s://pop.example.com:110", "pop.example.com", 110, true},
        {"pop3://pop.example.com", "pop.example.com", 110, false},
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
