#ifndef TOBALIN_POP3_MAILBOX_SERVER_H
#define TOBALIN_POP3_MAILBOX_SERVER_H

#include <cstdint>

// Where the mailbox is, as the POP setting names it:
//   host                    plain POP3 on port 110
//   host:PORT               that port; port 995 is TLS from the first byte
//   pop3s://host[:PORT]     TLS from the first byte, on port 995 unless given
//   pop3://host[:PORT]      plain, on port 110 unless given
// The scheme's letters may be of either case; blanks around the entry and a
// "/" after it are passed over.
struct mailbox_server {
    char host[100 + 1];
    uint16_t port;
    bool tls;
};

constexpr uint16_t pop3_port = 110;
constexpr uint16_t pop3s_port = 995;

// False when the entry names no server: an empty host, a port that is not a
// number from 1 to 65535, an unknown scheme, or more after the host and port.
bool parse_mailbox_server(const char* entry, mailbox_server* server);

#endif
