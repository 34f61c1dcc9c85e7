// A station file that another program holds open for writing is not read.
#include <windows.h>

#include <gtest/gtest.h>

#include "reservation/station_table.h"
#include "tests/support/temp_dir.h"

namespace {

class station_sharing : public in_temp_dir {};

TEST_F(station_sharing, a_file_open_for_writing_elsewhere_is_not_read)
{
    write_file("stations.txt", "8, ChannelEight\r\n");
    HANDLE writer = CreateFileA("stations.txt", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(writer, INVALID_HANDLE_VALUE);
    char name[station_name_size] = "untouched";
    EXPECT_EQ(lookup_station_name("stations.txt", 8, name), station_file_not_read);
    EXPECT_STREQ(name, "untouched");
    CloseHandle(writer);

    // Another reader does not stand in the way.
    HANDLE reader = CreateFileA("stations.txt", GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(reader, INVALID_HANDLE_VALUE);
    EXPECT_EQ(lookup_station_name("stations.txt", 8, name), station_found);
    EXPECT_STREQ(name, "ChannelEight");
    CloseHandle(reader);
}

}  // namespace
