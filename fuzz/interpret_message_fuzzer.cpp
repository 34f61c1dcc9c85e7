// The interpreter on arbitrary retrieved messages of up to 16384 bytes, in a
// buffer the size of the session's: no crash, no access out of bounds, no
// leak; the file changes exactly when a reservation was written, and then
// every line of it ends in one CR LF.
#include <cstdint>
#include <cstring>
#include <string>

#include "reservation/interpret_message.h"
#include "tests/doubles/clock_double.h"
#include "tests/doubles/files_double.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static clock_double clock({2005, 6, 15});
    static files_double files;
    static char reply_buffer[16400];
    files.files["stations.txt"] = "8, ChannelEight\n1, One\n";
    files.files["Tobalin.tvpi"] = "";

    if (size > 16384)
        size = 16384;
    memcpy(reply_buffer, data, size);
    reply_buffer[size] = '\0';
    reservation_outcome outcome = interpret_message(reply_buffer, "stations.txt");
    const std::string& file = files.files["Tobalin.tvpi"];
    if ((outcome == reservation_written) != !file.empty())
        __builtin_trap();
    for (size_t lf = file.find('\n'); lf != std::string::npos; lf = file.find('\n', lf + 1))
        if (lf == 0 || file[lf - 1] != '\r')
            __builtin_trap();
    if (!file.empty() && file.back() != '\n')
        __builtin_trap();
    return 0;
}
