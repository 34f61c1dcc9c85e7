// Scripts run against the fake desktop and the recording clock: the calls
// each one makes, in order with its pauses, and the slots it leaves.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "automation/batch_script.h"
#include "tests/doubles/clock_double.h"
#include "tests/doubles/desktop_double.h"
#include "tests/doubles/files_double.h"

namespace {

using namespace std::string_literals;

// The filled slots as "1:w1 2:w2".
std::string filled_slots()
{
    std::string text;
    for (int i = 0; i < window_slot_count; ++i)
        if (window_slots[i])
            text += (text.empty() ? "" : " ") + std::to_string(i) + ":w" +
                    std::to_string(desktop_double::number(window_slots[i]));
    return text;
}

const std::string find_main = "FindWindow 1 \"RecMain\"\n";
const std::string found_main = "find(\"RecMain\", null) = w1";
const std::string missed_main = "find(\"RecMain\", null) = null";

const struct {
    std::string script;
    std::vector<std::string> log;  // calls and "sleep N", in order
    std::string slots = "";        // the filled slots afterwards
    int hidden = 0;                // searches that miss RecMain first
    int reads = -1;                // title reads before RecMain shows "Recording"
} scripts[] = {
    // Lines, comments, quotes and the 120-character cut.
    {"# FindWindow 1 \"RecMain\"\n\n  \t\r\n   # Sleep 5\n", {}},
    {"   Sleep 100\r\nSleep 0x64 # wait\nSleep 0144#\nSleep #", {"sleep 100", "sleep 100", "sleep 100", "sleep 0"}},
    {"sleep 100\nSleep\t100\nx Sleep 100\nSleep 1", {"sleep 1"}},
    {"Sleep " + std::string(113, ' ') + "12 Sleep 7\nSleep 8", {"sleep 1", "sleep 8"}},
    {"Sleep 1\rSleep 2\rSleep 3\nSleep 4", {"sleep 1", "sleep 4"}},
    // "#", CR and LF inside quotes belong to the string; an unclosed quote
    // takes in the lines after it and then has no closing quote.
    {"FindWindow 1 \"Status\"\nTitleCheck 1 \"Rec #1\" 3, 100",
     {"find(\"Status\", null) = w5", "text(w5, 128) = \"Rec #1\""}, "1:w5"},
    {"FindWindow 1 \"Rec\r\nMain\" # x\nSleep 5", {"find(\"Rec\r\nMain\", null) = null", "sleep 0", "sleep 5"}},
    {"FindWindow 1 \"RecMain\nSleep 5\nSleep 6", {}},

    // A bad slot stops the script: the line after it never runs.
    {"FindWindow 0 \"RecMain\"\nSleep 1", {}}, {"FindWindow 10 \"RecMain\"\nSleep 1", {}},
    {"FindWindow 08 \"RecMain\"\nSleep 1", {}}, {"FindWindow -1 \"RecMain\"\nSleep 1", {}},
    {"FindWindowEx 0 1, \"Button\", \"OK\", 1\nSleep 1", {}}, {"TitleCheck 10 \"x\"\nSleep 1", {}},
    {"FindWindowEx 2 10, \"Button\", \"OK\", 1\nSleep 1", {}}, {"SendMessage 0 16\nSleep 1", {}},
    {"PostMessage x1 16\nSleep 1", {}}, {"SetForegroundWindow \nSleep 1", {}},
    // A missing quote or comma, or an empty slot where a window is needed,
    // skips the line; the result slot keeps what it held.
    {"FindWindow 1 RecMain\nFindWindow 1, \"RecMain\"\nSleep 1", {"sleep 1"}},
    {find_main + "FindWindowEx 2 1 \"Button\", \"OK\", 1\nFindWindowEx 2 1, \"Button\", \"OK\" 1\n"
                 "FindWindowEx 2 1, \"Button\" \"OK\", 1\nFindWindowEx 2 +, \"Button\", \"OK\", 1\n"
                 "TitleCheck 1 Recorder\nSleep 1",
     {found_main, "sleep 1"}, "1:w1"},
    {"FindWindowEx 2 1, \"Button\", \"OK\", 5, 200\nTitleCheck 3 \"x\"\nSendMessage 4 16\n"
     "PostMessage 5 16\nSetForegroundWindow 6\nSleep 1", {"sleep 1"}},
    {"FindWindow 2 \"RecMain\"\nFindWindowEx 2 1, \"Button\", \"OK\", 1", {found_main}, "2:w1"},

    // Searches store every result and wait with retries, pausing after
    // every failed attempt. A negative count is one attempt; a delay of -1
    // (an endless pause) is left out.
    {find_main + "FindWindow 1 \"None\"\nSendMessage 1 16", {found_main, "find(\"None\", null) = null", "sleep 0"}},
    {"FindWindow 1 \"RecMain\" 10, 500", {missed_main, "sleep 500", missed_main, "sleep 500", found_main}, "1:w1", 2},
    {"FindWindow 1 \"RecMain\", 10, 500", {missed_main, "sleep 10"}, "", 5},
    {"FindWindow 1 \"RecMain\" 2 1000", {missed_main, "sleep 0", missed_main, "sleep 0"}, "", 5},
    {"FindWindow 1 \"RecMain\" -3, 7", {missed_main, "sleep 7"}, "", 5},
    {"FindWindow 1 \"RecMain\" 2, -1", {missed_main, missed_main}, "", 5},
    {find_main + "FindWindowEx 2 1, \"Button\", \"OK\", 5, 200",
     {found_main, "find_ex(w1, null, \"Button\", \"OK\") = w3"}, "1:w1 2:w3"},
    {"FindWindowEx 2 0 ,\t\"Button\" , \"OK\" ,1\nFindWindowEx 3, \"\", \"\",",
     {"find_ex(null, null, \"Button\", \"OK\") = w4", "find_ex(null, null, \"\", \"\") = null", "sleep 0"}, "2:w4"},
    // The result slot is the parent slot: every attempt searches in w1.
    {find_main + "FindWindowEx 1 1, \"Button\", \"Apply\", 2, 50",
     {found_main, "find_ex(w1, null, \"Button\", \"Apply\") = null", "sleep 50",
      "find_ex(w1, null, \"Button\", \"Apply\") = null", "sleep 50"}},
    {find_main + "TitleCheck 1 \"Recording\" 5, 100",
     {found_main, "text(w1, 128) = \"Recorder\"", "sleep 100", "text(w1, 128) = \"Recording\""}, "1:w1", 0, 1},
    {find_main + "TitleCheck 1 \"recorder\"", {found_main, "text(w1, 128) = \"Recorder\"", "sleep 0"}, "1:w1"},

    // Messages, the front, and pauses: an endless one is left out.
    {find_main + "SendMessage 1 0x10\nSendMessage 1 0x111,,5\nSendMessage 1 0x111 5\nSetForegroundWindow 1",
     {found_main, "send(w1, 0x10, 0x0, 0x0)", "send(w1, 0x111, 0x0, 0x5)", "send(w1, 0x111, 0x0, 0x0)", "front(w1)"},
     "1:w1"},
    {find_main + "PostMessage 1 0x100, -1\nPostMessage 1 273 , 0X3E9 , +077 x\nPostMessage 1 99999999999,-4294967295",
     {found_main, "post(w1, 0x100, 0xffffffff, 0x0)", "post(w1, 0x111, 0x3e9, 0x3f)", "post(w1, 0xffffffff, 0x1, 0x0)"},
     "1:w1"},
    {"Sleep -1\nSleep 4294967295\nSleep 99999999999\nSleep 4294967294", {"sleep 4294967294"}},
};

TEST(batch_script, runs_each_script_as_written)
{
    for (const auto& c : scripts) {
        SCOPED_TRACE(c.script);
        clock_double clock;
        desktop_double desktop(&clock);
        int main = desktop.add("RecMain", "Recorder");
        desktop.add("Button", "Cancel", main);
        desktop.add("Button", "OK", main);
        desktop.add("Button", "OK");
        desktop.add("Status", "Rec #1");
        desktop.windows[0].hidden_searches = c.hidden;
        desktop.windows[0].reads_before_change = c.reads;
        desktop.windows[0].later_title = "Recording";
        EXPECT_EQ(run_batch_script(c.script.c_str()), 0);
        EXPECT_EQ(desktop.log(), c.log);
        EXPECT_EQ(filled_slots(), c.slots);
    }
}

// A file runs up to a NUL, and every run starts with empty slots.
TEST(batch_script, runs_a_file)
{
    clock_double clock;
    desktop_double desktop(&clock);
    desktop.add("RecMain", "Recorder");
    files_double files;
    files.files["script.tbn"] = find_main + "Sleep 1\n\0Sleep 2\n"s;
    EXPECT_EQ(run_batch_file("script.tbn"), 0);
    files.files["script.tbn"] = "SendMessage 1 16\nSleep 3";
    EXPECT_EQ(run_batch_file("script.tbn"), 0);
    EXPECT_EQ(run_batch_file("missing.tbn"), -1);
    EXPECT_EQ(desktop.log(), (std::vector<std::string>{found_main, "sleep 1", "sleep 3"}));
}

}  // namespace
