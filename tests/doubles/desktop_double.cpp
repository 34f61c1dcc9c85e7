#include "tests/doubles/desktop_double.h"

#include <cstdio>
#include <cstring>

static desktop_double* active = nullptr;

static std::string quoted(const char* text)
{
    return text ? "\"" + std::string(text) + "\"" : "null";
}

static std::string named(os_window window)
{
    int number = desktop_double::number(window);
    return number ? "w" + std::to_string(number) : "null";
}

// Counts a call; true when it is to be logged (the fuzzer logs nothing),
// and then the pauses made since the last call have been logged first.
static bool counted()
{
    if (active->budget && active->calls_made >= active->budget)
        throw desktop_double::budget_spent{};
    ++active->calls_made;
    if (active->logging)
        active->log();
    return active->logging;
}

static os_window search(int parent, const char* class_name, const char* title)
{
    for (size_t i = 0; i < active->windows.size(); ++i) {
        desktop_double::window& w = active->windows[i];
        if (w.parent != parent || w.class_name != class_name || (title && w.title != title))
            continue;
        if (w.hidden_searches > 0)
            --w.hidden_searches;
        else
            return desktop_double::handle(static_cast<int>(i + 1));
    }
    return nullptr;
}

static void note_message(const char* call, os_window window, uint32_t message, uint32_t wparam, uint32_t lparam)
{
    char text[64];
    snprintf(text, sizeof text, "(%s, 0x%x, 0x%x, 0x%x)", named(window).c_str(), message, wparam, lparam);
    active->calls.push_back(call + std::string(text));
}

static const os_desktop_calls fake_desktop = {
    [](const char* class_name, const char* title) {
        os_window found = search(0, class_name, title);
        if (counted())
            active->calls.push_back("find(" + quoted(class_name) + ", " + quoted(title) + ") = " + named(found));
        return found;
    },
    [](os_window parent, os_window after, const char* class_name, const char* title) {
        os_window found = after ? nullptr : search(desktop_double::number(parent), class_name, title);
        if (counted())
            active->calls.push_back("find_ex(" + named(parent) + ", " + named(after) + ", " + quoted(class_name) +
                                    ", " + quoted(title) + ") = " + named(found));
        return found;
    },
    [](os_window window, char* text, int size) {
        // Only windows of this desktop are ever asked for their text.
        desktop_double::window& w = active->windows.at(static_cast<size_t>(desktop_double::number(window) - 1));
        std::string shown = w.reads_before_change == 0 ? w.later_title : w.title;
        if (w.reads_before_change > 0)
            --w.reads_before_change;
        shown = shown.substr(0, static_cast<size_t>(size - 1));
        memcpy(text, shown.c_str(), shown.size() + 1);
        if (counted())
            active->calls.push_back("text(" + named(window) + ", " + std::to_string(size) + ") = " + quoted(text));
        return static_cast<int>(shown.size());
    },
    [](os_window window, uint32_t message, uint32_t wparam, uint32_t lparam) {
        if (counted())
            note_message("send", window, message, wparam, lparam);
        return intptr_t{0};
    },
    [](os_window window, uint32_t message, uint32_t wparam, uint32_t lparam) {
        if (counted())
            note_message("post", window, message, wparam, lparam);
        return true;
    },
    [](os_window window) {
        if (counted())
            active->calls.push_back("front(" + named(window) + ")");
        return true;
    },
};

desktop_double::desktop_double(clock_double* attached) : clock(attached), previous(os_desktop)
{
    active = this;
    os_desktop = &fake_desktop;
}

desktop_double::~desktop_double()
{
    os_desktop = previous;
    active = nullptr;
}

const std::vector<std::string>& desktop_double::log()
{
    for (; clock && sleeps_logged < clock->sleeps.size(); ++sleeps_logged)
        calls.push_back("sleep " + std::to_string(clock->sleeps[sleeps_logged]));
    return calls;
}
