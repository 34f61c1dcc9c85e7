// The mailbox session against a server that sends arbitrary bytes, through
// the sockets double: no crash, no access out of bounds, always an end; a
// message handed on is a +OK reply within the bound; QUIT is the last
// command of a session that succeeds; everything taken is released.
//
// Input: one byte choosing how the last step ends and where every reply is
// cut, then the server's replies, one more after each command, separated
// by FF FE.
#include <cstdint>
#include <cstring>
#include <string>

#include "pop3/pop3_session.h"
#include "tests/doubles/files_double.h"
#include "tests/doubles/sockets_double.h"

static message_fate check_message(void*, char* message, uint32_t length)
{
    if (length > pop3_message_limit || message[length] != '\0' || message[0] != '+')
        __builtin_trap();
    memset(message, 0, length);
    return length % 2 ? keep_message : delete_message;
}

static void check_skipped(void*, uint32_t size)
{
    if (size <= pop3_message_limit)
        __builtin_trap();
}

static const mailbox_handler checking_handler = {check_message, check_skipped, nullptr};

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    files_double files;
    std::vector<pop3_step> steps;
    const std::string rest(reinterpret_cast<const char*>(data) + 1, size - 1);
    for (size_t from = 0;;) {
        size_t separator = rest.find("\xff\xfe", from);
        pop3_step step;
        step.reply = rest.substr(from, separator - from);
        if (data[0] & 0xF0)
            step.cuts = {static_cast<size_t>(data[0] >> 4), step.reply.size() / 2};
        steps.push_back(step);
        if (separator == std::string::npos)
            break;
        from = separator + 2;
    }
    steps.back().then = static_cast<pop3_step::ending>(data[0] % 4);
    sockets_double sockets(steps);

    // Over TLS when the first byte says so: the same conversation through a channel.
    pop3_result result =
        poll_mailbox(data[0] & 0x08 ? "pop3s://mail.example" : "mail.example", "tobalin", "secret", checking_handler);

    size_t quit = sockets.sent.find("QUIT\r\n");
    bool quit_last = quit != std::string::npos && quit + 6 == sockets.sent.size();
    if ((result == pop3_ok && !quit_last) || (quit != std::string::npos && !quit_last))
        __builtin_trap();
    if (sockets.closes != sockets.opens || sockets.cleanups != sockets.startups ||
        sockets.tls_closes != sockets.tls_opens)
        __builtin_trap();
    return 0;
}
