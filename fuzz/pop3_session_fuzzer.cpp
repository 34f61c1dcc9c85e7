// The mailbox session against a server that sends arbitrary bytes, through
// the sockets double: no crash, no access out of bounds, always an end; a
// message handed on is a good reply within the bound; QUIT is the last
// command of a session that succeeds; everything taken is released.
//
// Input: one byte choosing how the server ends (closes, fails, silent) and
// how many receive sizes follow, those sizes (a byte each), then the
// server's replies, one more after each command, separated by FF FE.
#include <cstdint>
#include <cstring>
#include <string>

#include "pop3/pop3_session.h"
#include "settings/settings.h"
#include "tests/doubles/sockets_double.h"

static int checking_handler(char* message)
{
    size_t length = strlen(message);
    if (length > pop3_reply_limit || !reply_is_good(message, static_cast<uint32_t>(length)))
        __builtin_trap();
    memset(message, 0, length);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    strcpy(Settings.User, "tobalin");
    strcpy(Settings.Pass, "secret");
    pop3_message_handler = checking_handler;

    sockets_double sockets;
    sockets.after_replies = static_cast<sockets_double::ending>(data[0] % 3);
    size_t at = 1;
    for (size_t n = (data[0] / 3) % 8; n > 0 && at < size; --n, ++at)
        sockets.pieces.push_back(1 + data[at] * 67u);
    const std::string rest(reinterpret_cast<const char*>(data) + at, size - at);
    for (size_t from = 0;;) {
        size_t separator = rest.find("\xff\xfe", from);
        sockets.replies.push_back(rest.substr(from, separator - from));
        if (separator == std::string::npos)
            break;
        from = separator + 2;
    }

    int result = poll_mailbox("mail.example", 110);

    size_t quit = sockets.sent.find("QUIT\r\n");
    bool quit_last = quit != std::string::npos && quit + 6 == sockets.sent.size();
    if ((result == 0 && !quit_last) || (quit != std::string::npos && !quit_last))
        __builtin_trap();
    if (sockets.closed != sockets.opens || sockets.cleanups != sockets.startups)
        __builtin_trap();
    return 0;
}
