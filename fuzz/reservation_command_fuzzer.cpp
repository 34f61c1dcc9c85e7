// The reservation command parser on arbitrary message bodies: no crash, no
// access out of bounds, and an accepted command's text fits its room whole.
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
    std::string file(body.size() + programme_file_overhead, '\0');
    int32_t channel = -1;
    drop_reason result = write_programme_info_from_command(body.c_str(), "stations.txt", &file[0], file.size(), &channel);
    if (result == not_dropped && file.find("\nExtend: 0\n\n") == std::string::npos)
        __builtin_trap();
    // A command refused for its station was read as far as its channel.
    if ((result == channel_not_listed || result == not_dropped) && (channel < 1 || channel > 999))
        __builtin_trap();
    return 0;
}
