#ifndef TOBALIN_TESTS_DESKTOP_DOUBLE_H
#define TOBALIN_TESTS_DESKTOP_DOUBLE_H

#include <string>
#include <vector>

#include "platform/desktop.h"
#include "tests/doubles/clock_double.h"
#include "tests/doubles/installed.h"

// A fake desktop: windows with a class, a title and a parent, found by exact
// class and title (a null title matches any). Every call is logged with its
// arguments and result, and the pauses of an attached clock double in their
// place as "sleep N". A window handle it never gave out throws
// std::logic_error. Installed while it lives.
struct desktop_double : installed<desktop_double, os_desktop_calls> {
    explicit desktop_double(clock_double* clock = nullptr);
    // Adds a window; its number (1, 2, ...) stands for its handle, "w1" in
    // the log; parent 0 makes it a top-level window.
    int add(const std::string& class_name, const std::string& title, int parent = 0)
    {
        windows.push_back({class_name, title, parent});
        return static_cast<int>(windows.size());
    }
    const std::vector<std::string>& log();

    struct window {
        std::string class_name, title;
        int parent;
    };
    std::vector<window> windows;
    std::vector<std::string> calls;
    clock_double* clock;
    size_t sleeps_logged = 0;
    bool logging = true;  // false: calls are counted and their windows checked, not logged
    // The calls left before the next one throws budget_spent (negative: no
    // limit), so that a script asking for billions of attempts ends.
    long long budget = -1;
    struct budget_spent {};
};

#endif
