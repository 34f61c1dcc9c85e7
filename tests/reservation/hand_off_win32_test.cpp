// The real hand-off: "Tobalin.tvpi" reaches the program the system has
// registered for the file type, through the shell's file-protocol handler.
#include <windows.h>

#include <chrono>
#include <cstring>
#include <string>
#include <thread>

#include <gtest/gtest.h>

#include "reservation/hand_off.h"
#include "reservation/interpret_message.h"
#include "tests/support/temp_dir.h"

namespace {

void set_default_value(const std::string& path, const std::string& value)
{
    ASSERT_EQ(RegSetValueA(HKEY_CLASSES_ROOT, path.c_str(), REG_SZ, value.c_str(), static_cast<DWORD>(value.size())),
              ERROR_SUCCESS);
}

class real_hand_off : public in_temp_dir {
protected:
    void TearDown() override
    {
        RegDeleteTreeA(HKEY_CLASSES_ROOT, ".tvpi");
        RegDeleteTreeA(HKEY_CLASSES_ROOT, "TobalinTest.tvpi");
        in_temp_dir::TearDown();
    }
};

TEST_F(real_hand_off, the_registered_application_receives_the_file)
{
    // The receiver is built next to this test program.
    char self[MAX_PATH];
    GetModuleFileNameA(nullptr, self, sizeof self);
    std::string receiver = std::filesystem::path(self).replace_filename("tvpi_receiver.exe").string();
    set_default_value(".tvpi", "TobalinTest.tvpi");
    set_default_value("TobalinTest.tvpi\\shell\\open\\command", "\"" + receiver + "\" \"%1\"");
    write_file("stations.txt", "8, ChannelEight\r\n");

    std::string message = "+OK\r\nContent-Type: text/plain\r\n\r\nresv 0615 2100 2154 8 A B Night News\r\n.\r\n";
    ASSERT_EQ(interpret_message(&message[0], "stations.txt"), reservation_written);
    hand_off_reservation();
    std::string sent = file_bytes("Tobalin.tvpi");
    ASSERT_NE(sent.find("program-title: Night News\r\n"), std::string::npos);

    std::string received = "<missing>";
    for (int i = 0; i < 150 && received == "<missing>"; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        received = file_bytes("Tobalin.tvpi.received");
    }
    EXPECT_EQ(received, sent);
}

}  // namespace
