// A real script against real windows of another program of ours: checks
// the Win32 side of the desktop seam (under Wine in the default test run).
#include <windows.h>

#include <fstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "automation/batch_script.h"
#include "tests/support/temp_dir.h"

namespace {

using real_window = in_temp_dir;

TEST_F(real_window, a_script_finds_waits_for_clicks_messages_and_raises_a_window)
{
    // The test window program stands next to this one.
    char path[MAX_PATH];
    ASSERT_GT(GetModuleFileNameA(nullptr, path, MAX_PATH), 0u);
    std::string program = path;
    program = program.substr(0, program.find_last_of('\\') + 1) + "automation_test_window.exe";
    std::string report = (dir / "report.txt").string();
    std::string command = "\"" + program + "\" \"" + report + "\"";
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
    EXPECT_NE(window_slots[1], nullptr);
    EXPECT_NE(window_slots[2], nullptr);
    bool ended = WaitForSingleObject(process.hProcess, 25000) == WAIT_OBJECT_0;
    if (!ended)
        TerminateProcess(process.hProcess, 1);
    EXPECT_TRUE(ended);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);

    std::vector<std::string> lines;
    std::ifstream in(report);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    // The posted click may be handled before or after the sent message.
    std::string message = "message " + std::to_string(WPARAM{0xFFFFFFFF}) + " -1 foreground yes";
    std::vector<std::string> click_first = {"title set", "clicked", message};
    std::vector<std::string> message_first = {"title set", message, "clicked"};
    EXPECT_TRUE(lines == click_first || lines == message_first) << testing::PrintToString(lines);
}

}  // namespace
