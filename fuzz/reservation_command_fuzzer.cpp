// The reservation command parser on arbitrary message bodies: no crash, no
// access out of bounds, and a refused command appends nothing at all.
#include <cstdint>
#include <string>

#include "reservation/programme_command.h"
#include "tests/doubles/clock_double.h"
#include "tests/doubles/files_double.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static clock_double clock({2005, 6, 15});
    static files_double files;
    files.files["stations.txt"] = "# stations\n8, ChannelEight\n1,One\n999 , Last\n12a,Twelve\n";

    std::string body(reinterpret_cast<const char*>(data), size);
    std::string file;
    int result = write_programme_info_from_command(body.c_str(), "stations.txt", &file);
    if ((result == 0) == file.empty())
        __builtin_trap();
    return 0;
}
