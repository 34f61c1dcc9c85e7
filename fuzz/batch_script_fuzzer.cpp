// Arbitrary script text against the fake desktop and the recording clock:
// no crash, no access out of bounds, every run ends, and every window the
// interpreter hands the desktop is one the desktop gave it (the double
// throws otherwise).
#include <cctype>
#include <cstdint>
#include <string>

#include "automation/batch_script.h"
#include "tests/doubles/clock_double.h"
#include "tests/doubles/desktop_double.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string text(reinterpret_cast<const char*>(data), size);
    clock_double clock;
    desktop_double desktop;
    int main = desktop.add("RecMain", "Recorder");
    desktop.add("Button", "OK", main);
    desktop.add("Static", "Rec #1", main);
    desktop.add("Status", std::string(200, 'T'));
    // A script may ask for billions of attempts; the budget ends such a run.
    // Short counts cannot reach it: a script that does so without a number
    // of three digits or more is looping where it should not.
    desktop.logging = false;
    desktop.budget = 30000;
    try {
        run_batch_script(text.c_str());
    } catch (const desktop_double::budget_spent&) {
        const char* p = text.c_str();
        while (*p && !(isdigit(p[0]) && isdigit(p[1]) && isdigit(p[2])))
            ++p;
        if (!*p)
            __builtin_trap();
    }
    return 0;
}
