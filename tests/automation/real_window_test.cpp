// A real script against real windows of another program of ours: checks
// the Win32 side of the desktop seam (under Wine in the default test run).
#include <windows.h>

#include <string>

#include <gtest/gtest.h>

#include "automation/batch_script.h"
#include "tests/support/temp_dir.h"

namespace {

using real_window = in_temp_dir;

TEST_F(real_window, a_script_finds_waits_for_clicks_messages_and_raises_a_window)
{
    // The test window program stands next to this one; it reports into the
    // current directory, which it shares with this test.
    char path[MAX_PATH];
    ASSERT_GT(GetModuleFileNameA(nullptr, path, MAX_PATH), 0u);
    std::string command = path;
    command = "\"" + command.substr(0, command.find_last_of('\\') + 1) + "automation_test_window.exe\"";
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process;
    ASSERT_TRUE(CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                               &process));

    // The window appears only after the program has started, and its title
    // changes a moment later: both are waited for.
    EXPECT_EQ(run_batch_script("FindWindow 1 \"TobalinTestMain\" 100, 100\n"
                               "FindWindowEx 2 1, \"Button\", \"OK\", 10, 100\n"
                               "TitleCheck 1 \"Tobalin test ready\" 100, 100\n"
                               "PostMessage 2 0xF5   # BM_CLICK\n"
                               "SetForegroundWindow 1\n"
                               "SendMessage 1 0x8005, -1, -1\n"
                               "PostMessage 1 0x10   # WM_CLOSE\n"),
              0);
    bool ended = WaitForSingleObject(process.hProcess, 25000) == WAIT_OBJECT_0;
    if (!ended)
        TerminateProcess(process.hProcess, 1);
    EXPECT_TRUE(ended);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);

    // The posted click may be handled before or after the sent message.
    std::string message = "message " + std::to_string(WPARAM{0xFFFFFFFF}) + " -1 foreground yes\n";
    std::string report = file_bytes("report.txt");
    EXPECT_TRUE(report == "title set\nclicked\n" + message || report == "title set\n" + message + "clicked\n")
        << report;
}

}  // namespace
