#ifndef TOBALIN_TESTS_DESKTOP_DOUBLE_H
#define TOBALIN_TESTS_DESKTOP_DOUBLE_H

#include <cstdint>
#include <string>
#include <vector>

#include "platform/desktop.h"
#include "tests/doubles/clock_double.h"

// A fake desktop: windows with a class, a title and a parent, found by exact
// class and title (a null title matches any). Every call is logged with its
// arguments and result, and the pauses of an attached clock double in their
// place as "sleep N". Installed while it lives.
struct desktop_double {
    struct window {
        std::string class_name, title;
        int parent;               // 0: a top-level window
        int hidden_searches;      // searches that miss it before it shows up
        int reads_before_change;  // title reads before it shows later_title; -1: never
        std::string later_title;
    };

    explicit desktop_double(clock_double* clock = nullptr);
    ~desktop_double();
    // Adds a window; its number (1, 2, ...) stands for its handle.
    int add(const std::string& class_name, const std::string& title, int parent = 0)
    {
        windows.push_back({class_name, title, parent, 0, -1, ""});
        return static_cast<int>(windows.size());
    }
    static os_window handle(int number) { return reinterpret_cast<os_window>(static_cast<intptr_t>(number) * 16); }
    static int number(os_window window) { return static_cast<int>(reinterpret_cast<intptr_t>(window) / 16); }
    const std::vector<std::string>& log();

    std::vector<window> windows;
    std::vector<std::string> calls;
    clock_double* clock;
    size_t sleeps_logged = 0;
    bool logging = true;
    // Once budget calls (0: no limit) have been made, the next one throws
    // budget_spent, so that a script asking for billions of attempts ends.
    long long calls_made = 0, budget = 0;
    struct budget_spent {};

private:
    const os_desktop_calls* previous;
};

#endif
