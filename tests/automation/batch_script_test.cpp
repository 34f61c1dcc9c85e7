// Scripts run against the fake desktop and the recording clock: the calls
// each one makes, in order with its pauses. What a slot holds shows in the
// calls the lines after it make with that slot.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "automation/batch_script.h"
#include "tests/doubles/clock_double.h"
#include "tests/doubles/desktop_double.h"
#include "tests/doubles/files_double.h"

namespace {

using namespace std::string_literals;

const std::string find_main = "FindWindow 1 \"RecMain\"\n";
const std::string found_main = "find(\"RecMain\", null) = w1";
const std::string missed = "find(\"None\", null) = null";

const struct {
    std::string script;
    std::vector<std::string> log;  // calls and "sleep N", in order
} scripts[] = {
    // Lines, comments, numbers as strtoul reads them, the 120-character cut.
    {"   Sleep 100\r\nSleep 0xfaA: # wait\nSleep 0144#\nSleep #\nSleep \f \t\v5",
     {"sleep 100", "sleep 4010", "sleep 100", "sleep 0", "sleep 5"}},
    // A keyword is case-sensitive, begins the line and ends in a space.
    {find_main + "sleep 100\nSleep\t100\nx Sleep 100\nFindWindowEx\t2 1, \"Button\", \"OK\", 1\nTitleCheck\t1 \"x\"\n"
                 "SendMessage\t1 16\nPostMessage\t1 16\nSetForegroundWindow\t1\nSleep 1",
     {found_main, "sleep 1"}},
    {"Sleep " + std::string(113, ' ') + "12 Sleep 7\nSleep 8", {"sleep 1", "sleep 8"}},
    // A CR or a "#" ends the command, but not inside quotes.
    {"FindWindow 1 \"Rec\r\nMain\" # x, 5\nSleep 5", {"find(\"Rec\r\nMain\", null) = null", "sleep 0", "sleep 5"}},

    // A bad slot stops the script: the line after it never runs.
    {"FindWindow 08 \"RecMain\"\nSleep 1", {}}, {"TitleCheck 10 \"x\"\nSleep 1", {}},
    {"PostMessage x1 16\nSleep 1", {}}, {"SetForegroundWindow \nSleep 1", {}},
    // A missing quote or comma, or an empty slot where a window is needed,
    // skips the line.
    {find_main + "FindWindowEx 2 1 \"Button\", \"OK\", 1\nFindWindowEx 2 1, \"Button\", \"OK\" 1\n"
                 "FindWindowEx 2 1, \"Button\" \"OK\", 1\nFindWindowEx 2 +, \"Button\", \"OK\", 1\n"
                 "TitleCheck 1 Recorder\nSleep 1",
     {found_main, "sleep 1"}},
    {"FindWindowEx 2 1, \"Button\", \"OK\", 5, 200\nTitleCheck 3 \"x\"\nSendMessage 4 16\n"
     "PostMessage 5 16\nSetForegroundWindow 6\nSleep 1", {"sleep 1"}},

    // Searches and title checks retry, pausing after every failed attempt,
    // and a search stores every result. The delay follows the first comma
    // after the count's start; an endless one is left out.
    {"FindWindow 1 \"RecMain\" 10, 500\nFindWindow 1 \"None\" 2 1000\nSendMessage 1 16\n"
     "FindWindow 1 \"None\", 10, 500\nFindWindow 1 \"None\" 2, -1",
     {found_main, missed, "sleep 0", missed, "sleep 0", missed, "sleep 10", missed, missed}},
    {"FindWindow 1 \"Status\"\nTitleCheck 1 \"Rec #1\" 3, 100\nTitleCheck 1 \"Rec\" 2, 100",
     {"find(\"Status\", null) = w5", "text(w5, 128) = \"Rec #1\"", "text(w5, 128) = \"Rec #1\"", "sleep 100",
      "text(w5, 128) = \"Rec #1\"", "sleep 100"}},
    // Slot 9 as result and as parent; when the result slot is the parent
    // slot, every attempt still searches in the parent's window.
    {"FindWindow 9 \"RecMain\"\nFindWindowEx 2 9, \"Button\", \"OK\", 5, 200\nPostMessage 2 0xF5\n"
     "FindWindowEx 9 9, \"Button\", \"Apply\", 2, 50\nSendMessage 9 16",
     {found_main, "find_ex(w1, null, \"Button\", \"OK\") = w3", "post(w3, 0xf5, 0x0, 0x0)",
      "find_ex(w1, null, \"Button\", \"Apply\") = null", "sleep 50", "find_ex(w1, null, \"Button\", \"Apply\") = null",
      "sleep 50"}},
    {"FindWindowEx 2 0 ,\t\"Button\" ,\"OK\" ,1\nFindWindowEx 3, \"\", \"\",",
     {"find_ex(null, null, \"Button\", \"OK\") = w4", "find_ex(null, null, \"\", \"\") = null", "sleep 0"}},

    // Messages, the front, and pauses: an endless one is left out.
    {find_main + "TitleCheck 1 \"recorder\"\nSetForegroundWindow 1\nSendMessage 1 0xA\nSendMessage 1 0x111,,5\n"
                 "SendMessage 1 0x111 5",
     {found_main, "text(w1, 128) = \"Recorder\"", "sleep 0", "front(w1)", "send(w1, 0xa, 0x0, 0x0)",
      "send(w1, 0x111, 0x0, 0x5)", "send(w1, 0x111, 0x0, 0x0)"}},
    {find_main + "PostMessage 1 0x100, -1\nPostMessage 1 273 , 0X3E9 , +077 x\nPostMessage 1 99999999999,-4294967295",
     {found_main, "post(w1, 0x100, 0xffffffff, 0x0)", "post(w1, 0x111, 0x3e9, 0x3f)", "post(w1, 0xffffffff, 0x1, 0x0)"}},
    {"Sleep -1\nSleep 4294967295\nSleep 4294967296\nSleep -42949672950\nSleep 4294967294", {"sleep 4294967294"}},
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
        EXPECT_EQ(run_batch_script(c.script.c_str()), 0);
        EXPECT_EQ(desktop.log(), c.log);
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
