#include "pop3/mailbox_server.h"

#include <cstring>
#include <string_view>

#include "common/text_scan.h"

namespace {

// The letters at p, in either case, are the lower-case ones given; gives
// what follows them, or null.
const char* after_word(const char* p, const char* lower)
{
    for (; *lower != '\0'; ++p, ++lower)
        if (*p != *lower && *p != *lower - 'a' + 'A')
            return nullptr;
    return p;
}

// A port: 1 to 65535 in decimal digits and nothing else.
bool read_port(const char* digits, size_t count, uint16_t* port)
{
    if (count == 0 || count > 5)
        return false;
    uint32_t value = 0;
    for (size_t i = 0; i < count; ++i) {
        if (digits[i] < '0' || digits[i] > '9')
            return false;
        value = value * 10 + static_cast<uint32_t>(digits[i] - '0');
    }
    if (value < 1 || value > 65535)
        return false;
    *port = static_cast<uint16_t>(value);
    return true;
}

}  // namespace

bool parse_mailbox_server(const char* entry, mailbox_server* server)
{
    const char* p = skip_blanks(entry);
    size_t length = strlen(p);
    while (length > 0 && (p[length - 1] == ' ' || p[length - 1] == '\t'))
        --length;

    enum { no_scheme, plain_scheme, tls_scheme } scheme = no_scheme;
    if (const char* rest = after_word(p, "pop3s://")) {
        scheme = tls_scheme;
        length -= static_cast<size_t>(rest - p);
        p = rest;
    } else if (const char* plain = after_word(p, "pop3://")) {
        scheme = plain_scheme;
        length -= static_cast<size_t>(plain - p);
        p = plain;
    } else if (strstr(p, "://")) {
        return false;
    }
    if (scheme != no_scheme && length > 0 && p[length - 1] == '/')
        --length;

    const std::string_view rest(p, length);
    const size_t colon = rest.find(':');
    const size_t host_length = colon == std::string_view::npos ? length : colon;
    if (host_length == 0 || host_length >= sizeof server->host || rest.find('/') != std::string_view::npos)
        return false;
    uint16_t port = scheme == tls_scheme ? pop3s_port : pop3_port;
    if (colon != std::string_view::npos && !read_port(p + colon + 1, length - colon - 1, &port))
        return false;

    memcpy(server->host, p, host_length);
    server->host[host_length] = '\0';
    server->port = port;
    server->tls = scheme == tls_scheme || (scheme == no_scheme && port == pop3s_port);
    return true;
}
