// The reader on arbitrary retrieved messages up to the session's bound, in
// a buffer the size of the session's: no crash, no access out of bounds, no
// leak, and it writes no file; a message books a text or says why it does
// not, never both, and the sender and subject it gives always end.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "pop3/pop3_session.h"
#include "reservation/interpret_message.h"
#include "tests/doubles/clock_double.h"
#include "tests/doubles/files_double.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static clock_double clock({2005, 6, 15});
    static files_double files;
    static char* reply_buffer = static_cast<char*>(malloc(pop3_message_limit + 1));
    files.files = {{"stations.txt", "8, ChannelEight\n1, One\n"}};

    if (size > pop3_message_limit)
        size = pop3_message_limit;
    memcpy(reply_buffer, data, size);
    reply_buffer[size] = '\0';
    interpretation result;
    interpret_message(reply_buffer, "stations.txt", data[0] % 2 ? "@example.com" : "", &result);
    if (files.files.size() != 1)
        __builtin_trap();
    if ((result.text != nullptr) == (result.reason != not_dropped))
        __builtin_trap();
    if (strnlen(result.sender, sizeof result.sender) == sizeof result.sender ||
        strnlen(result.subject, sizeof result.subject) == sizeof result.subject)
        __builtin_trap();
    free(result.text);
    return 0;
}
