// The interpreter on arbitrary retrieved messages of up to 16384 bytes, in a
// buffer the size of the session's: no crash, no access out of bounds, no
// leak, and a file is handed off exactly when the result is 0.
#include <cstdint>
#include <cstring>

#include "reservation/interpret_message.h"
#include "settings/settings.h"
#include "tests/doubles/clock_double.h"
#include "tests/doubles/files_double.h"
#include "tests/doubles/process_double.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static clock_double clock({2005, 6, 15});
    static files_double stations("8, ChannelEight\n1, One\n");
    static process_double processes;
    static char reply_buffer[16400];
    strcpy(Settings.Station, "stations.txt");
    Settings.Batch[0] = '\0';

    if (size > 16384)
        size = 16384;
    memcpy(reply_buffer, data, size);
    reply_buffer[size] = '\0';
    processes.started.clear();
    int result = interpret_message(reply_buffer);
    if (processes.started.size() != (result == 0 ? 1u : 0u))
        __builtin_trap();
    return 0;
}
