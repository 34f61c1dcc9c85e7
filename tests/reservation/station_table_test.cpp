// Finding a station name for a channel in the user's TV station file.
#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include "reservation/station_table.h"
#include "tests/doubles/files_double.h"
#include "tests/support/temp_dir.h"

namespace {

struct station_case {
    const char* what;
    std::string text;
    int32_t channel;
    int result;
    const char* name;
};

const station_case station_cases[] = {
    {"plain line", "8, ChannelEight", 8, 0, "ChannelEight"},
    {"white space around number and comma", "  8 ,\tChannelEight\n", 8, 0, "ChannelEight"},
    {"leading zero", "08, ChannelEight\n", 8, 0, "ChannelEight"},
    {"longer number is another channel", "123, A\n", 12, -1, ""},
    {"text after the digits", "12a, A\n", 12, 0, "A"},
    {"a name is one word", "8, Metro One\n", 8, 0, "Metro"},
    {"the first matching line wins", "8, A\n9, B\n8, C\n", 8, 0, "A"},
    {"comment", "# 8, A\n", 8, -1, ""},
    {"comment after white space", "  \t# 8, A\n8, B\n", 8, 0, "B"},
    {"the comma may stand on a later line", "8 A\n9, B\n", 8, 0, "B"},
    {"the comma may stand in a later comment", "8 A\n# x, B\n", 8, 0, "B"},
    {"the name may stand on the next line", "8,\nB\n", 8, 0, "B"},
    {"name at the end of the text", "7, A\n8, B", 8, 0, "B"},
    {"no comma at all", "8 A\n", 8, -1, ""},
    {"CR alone does not end a line", "7, A\r8, B\r", 8, -1, ""},
    {"CR LF line ends", "7, A\r\n8, B\r\n", 8, 0, "B"},
    {"empty text", "", 8, -1, ""},
    {"blank lines only", "\n \r\n\t\n", 8, -1, ""},
    {"Shift_JIS name", "8, \x93\xfa\x96\x7b\x83\x65\x83\x8c\x83\x72\n", 8, 0, "\x93\xfa\x96\x7b\x83\x65\x83\x8c\x83\x72"},
    {"sign before the number", "+8, Plus\n", 8, 0, "Plus"},
    {"a number beyond 32 bits is no channel", "4294967304, Wrapped\n8, Eight\n", 8, 0, "Eight"},
    // Names that do not fit the buffer, and commas with no name, count as not found.
    {"name of 127 bytes", "8, " + std::string(127, 'n') + "\n", 8, 0, nullptr},
    {"name of 128 bytes", "8, " + std::string(128, 'n') + "\n", 8, -1, ""},
    {"comma with nothing after it", "8,   \r\n", 8, -1, ""},
};

TEST(station_table, finds_the_name_of_a_channel)
{
    for (const station_case& c : station_cases) {
        SCOPED_TRACE(c.what);
        char name[station_name_size + 1];
        memset(name, 'x', sizeof name);
        EXPECT_EQ(find_station_name(c.text.c_str(), c.channel, name), c.result);
        std::string expected = c.name ? c.name : std::string(127, 'n');
        EXPECT_EQ(std::string(name), expected);
        EXPECT_EQ(name[station_name_size], 'x') << "written past the buffer";
    }
}

class station_file : public in_temp_dir {};

TEST_F(station_file, is_read_from_disk_for_every_lookup)
{
    char name[station_name_size];
    write_file("stations.txt", "# stations\r\n8, ChannelEight\r\n");
    ASSERT_EQ(lookup_station_name("stations.txt", 8, name), 0);
    EXPECT_STREQ(name, "ChannelEight");

    // An edit takes effect with the next lookup.
    write_file("stations.txt", "8, Renamed\r\n");
    ASSERT_EQ(lookup_station_name("stations.txt", 8, name), 0);
    EXPECT_STREQ(name, "Renamed");

    EXPECT_EQ(lookup_station_name("stations.txt", 9, name), -1);
    EXPECT_STREQ(name, "") << "a file that was read empties the name on a miss";
}

TEST_F(station_file, that_cannot_be_read_leaves_the_name_untouched)
{
    char name[station_name_size] = "untouched";
    EXPECT_EQ(lookup_station_name("no-such-file.txt", 8, name), -1);
    EXPECT_STREQ(name, "untouched");

    files_double unreadable("8, A\n", os_failed);
    EXPECT_EQ(lookup_station_name("stations.txt", 8, name), -1);
    EXPECT_STREQ(name, "untouched");
}

}  // namespace
