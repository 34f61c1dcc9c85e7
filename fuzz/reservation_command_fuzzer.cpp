// The reservation command parser on arbitrary message bodies: no crash, no
// access out of bounds, and a refused command writes nothing at all.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "common/text_file.h"
#include "reservation/programme_command.h"
#include "settings/settings.h"
#include "tests/doubles/clock_double.h"
#include "tests/doubles/files_double.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static clock_double clock({2005, 6, 15});
    static files_double stations("# stations\n8, ChannelEight\n1,One\n999 , Last\n12a,Twelve\n");
    strcpy(Settings.Station, "stations.txt");

    std::string body(reinterpret_cast<const char*>(data), size);
    text_file output;
    if (text_file_create(&output, "fuzz-out.tvpi") != 0)
        return 0;
    int result = write_programme_info_from_command(&output, body.c_str());
    fflush(output.stream);
    long written = ftell(output.stream);
    text_file_close(&output);
    if (result != 0 && written != 0)
        __builtin_trap();
    if (result == 0 && written == 0)
        __builtin_trap();
    return 0;
}
