// The POSIX side of the platform seam against the real parts: files on
// disk and programs started (its sockets and TLS meet real servers in the
// TLS session tests, the Win32 side its real parts in the end-to-end test).
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <unistd.h>

#include <gtest/gtest.h>

#include "platform/files.h"
#include "platform/process.h"
#include "tests/support/temp_dir.h"

namespace {

using posix_platform = in_temp_dir;

TEST_F(posix_platform, files_are_read_and_written_whole)
{
    write_file("file", "a longer text than the next");
    ASSERT_EQ(os_native_files.write_whole_file("file", "short", 5), os_ok);
    char* text;
    size_t length;
    ASSERT_EQ(os_native_files.read_whole_file("file", &text, &length), os_ok);
    EXPECT_EQ(std::string(text, length + 1), std::string("short", 6)) << "cut to its length, a NUL after it";
    free(text);
    EXPECT_EQ(os_native_files.read_whole_file("missing", &text, &length), os_not_found);
    EXPECT_EQ(os_native_files.read_whole_file(".", &text, &length), os_failed);
    EXPECT_EQ(os_native_files.write_whole_file("no/such/folder", "x", 1), os_failed);
}

TEST_F(posix_platform, opens_a_file_with_xdg_open_and_says_when_there_is_none)
{
    // A stand-in xdg-open on the path, which records what it was given.
    std::filesystem::create_directory("bin");
    write_file("bin/xdg-open", "#!/bin/sh\nprintf '%s' \"$1\" > opened\n");
    std::filesystem::permissions("bin/xdg-open", std::filesystem::perms::owner_all);
    std::string path = getenv("PATH");
    setenv("PATH", (std::filesystem::current_path() / "bin").c_str(), 1);
    EXPECT_EQ(os_native_process.open_with_application("Tobalin e2e.tvpi"), os_ok);
    for (int tenths = 0; tenths < 50 && file_bytes("opened") == "<missing>"; ++tenths)
        usleep(100000);
    EXPECT_EQ(file_bytes("opened"), "Tobalin e2e.tvpi");
    setenv("PATH", "/nonexistent", 1);
    EXPECT_EQ(os_native_process.open_with_application("x"), os_failed);
    setenv("PATH", path.c_str(), 1);
}

}  // namespace
