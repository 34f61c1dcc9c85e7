#ifndef TOBALIN_TESTS_DESKTOP_DOUBLE_H
#define TOBALIN_TESTS_DESKTOP_DOUBLE_H

#include <cstdint>
#include <string>
#include <vector>

#include "platform/desktop.h"
#include "tests/doubles/clock_double.h"

// A fake desktop: windows with a class, a title and children, searched the
// way Windows searches them (class and title compared without regard to
// case, a null title matching any). Every call is logged with its arguments
// and result; with a clock double attached, its pauses are logged in their
// place among the calls as "sleep N". Installed while it lives.
struct desktop_double {
    struct window {
        std::string class_name;
        std::string title;
        int parent;              // 0: a top-level window
        int hidden_searches;     // searches that miss it before it shows up
        int reads_before_change; // title reads before it shows later_title; -1: never
        std::string later_title;
    };

    explicit desktop_double(clock_double* clock = nullptr);
    ~desktop_double();

    // Adds a window; its number (1, 2, ...) is also its handle.
    int add(const std::string& class_name, const std::string& title, int parent = 0);
    static os_window handle(int number);
    // The number of a handle, 0 for null.
    static int number(os_window window);
    // The log up to now, pauses included.
    const std::vector<std::string>& log();

    std::vector<window> windows;
    std::vector<std::string> calls;
    clock_double* clock;
    size_t sleeps_logged = 0;
    bool logging = true;
    long long calls_made = 0;
    // Once this many calls have been made, the next one throws
    // desktop_double::budget_spent, so that a script asking for billions
    // of attempts ends in a fuzzer; 0: no limit.
    long long budget = 0;
    struct budget_spent {};

private:
    const os_desktop_calls* previous;
};

#endif
