// Finding a station name for a channel in the user's TV station file.
#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include "reservation/station_table.h"
#include "tests/doubles/files_double.h"

namespace {

TEST(station_table, finds_the_name_of_channel_8)
{
    const std::string long_name(127, 'n');
    const struct {
        std::string text;
        const char* name;  // null: not found, the name empty
    } cases[] = {
        {"  8 ,\tChannelEight\n", "ChannelEight"},
        {"88, A\n", nullptr},
        {"8a,A\n", "A"},
        {"8, Metro One\n", "Metro"},  // a name is one word
        {"8, A\n9, B\n8, C\n", "A"},  // the first matching line wins
        {"8 A\n9, B\n", nullptr},  // the comma must stand on the channel's line...
        {"8 A\n# x, B\n", nullptr},
        {"8,\nB\n", "B"},  // ...but the name may stand on the next one
        {"7, A\r8, B\r", nullptr},  // CR alone does not end a line
        {"8, \x93\xfa\x96\x7b\x83\x65\n", "\x93\xfa\x96\x7b\x83\x65"},  // Shift_JIS
        // A name that does not fit the buffer, or no name after the comma, is not found.
        {"8, " + long_name + "\n", long_name.c_str()},
        {"8, " + long_name + "n\n", nullptr},
        {"8,   \r\n", nullptr},
    };
    files_double files;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        files.files["stations.txt"] = c.text;
        char name[station_name_size + 1];
        memset(name, 'x', sizeof name);
        EXPECT_EQ(lookup_station_name("stations.txt", 8, name), c.name ? station_found : station_not_listed);
        EXPECT_STREQ(name, c.name ? c.name : "");
        EXPECT_EQ(name[station_name_size], 'x') << "written past the buffer";
    }
}

}  // namespace
