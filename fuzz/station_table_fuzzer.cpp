// The station file search over arbitrary text: the name it gives always
// fits its buffer and ends in NUL, and a miss leaves it empty.
#include <cstdint>
#include <cstring>
#include <string>

#include "reservation/station_table.h"
#include "tests/doubles/files_double.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static files_double files;
    if (size < 2)
        return 0;
    int32_t channel = (data[0] << 8 | data[1]) % 1001;
    files.files["stations.txt"].assign(reinterpret_cast<const char*>(data + 2), size - 2);

    char name[station_name_size + 1];
    name[station_name_size] = 'G';  // a guard past the buffer
    memset(name, 'x', station_name_size);
    station_lookup result = lookup_station_name("stations.txt", channel, name);
    size_t length = strnlen(name, station_name_size);
    if (name[station_name_size] != 'G' || length >= station_name_size)
        __builtin_trap();
    if (result != station_found && length != 0)
        __builtin_trap();
    if (result == station_found && (length == 0 || strpbrk(name, " \t\r\n")))
        __builtin_trap();
    return 0;
}
