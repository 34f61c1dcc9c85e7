#include "tests/doubles/desktop_double.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <initializer_list>
#include <stdexcept>

// The double the calls report to.
static desktop_double*& active = desktop_double::active;

static os_window handle(size_t number)
{
    return reinterpret_cast<os_window>(number);
}

static std::string named(os_window window)
{
    size_t number = reinterpret_cast<uintptr_t>(window);
    if (number > active->windows.size())
        throw std::logic_error("a window this desktop never gave out");
    return number ? "w" + std::to_string(number) : "null";
}

static std::string quoted(const char* text)
{
    return text ? "\"" + std::string(text) + "\"" : "null";
}

// Checks the windows a call was given and counts it against the budget;
// true when it is to be logged, and then the pauses made since the last
// call have been logged first.
static bool counted(std::initializer_list<os_window> windows = {})
{
    for (os_window window : windows)
        named(window);
    if (active->budget-- == 0)
        throw desktop_double::budget_spent{};
    if (active->logging)
        active->log();
    return active->logging;
}

static void note_message(const char* call, os_window window, uint32_t message, uint32_t wparam, uint32_t lparam)
{
    char text[64];
    snprintf(text, sizeof text, "(%s, 0x%x, 0x%x, 0x%x)", named(window).c_str(), message, wparam, lparam);
    active->calls.push_back(call + std::string(text));
}

static os_window search(os_window parent, const char* class_name, const char* title)
{
    for (size_t i = 0; i < active->windows.size(); ++i) {
        const desktop_double::window& w = active->windows[i];
        if (handle(static_cast<size_t>(w.parent)) == parent && w.class_name == class_name && (!title || w.title == title))
            return handle(i + 1);
    }
    return nullptr;
}

static const os_desktop_calls fake_desktop = {
    [](const char* class_name, const char* title) {
        os_window found = search(nullptr, class_name, title);
        if (counted())
            active->calls.push_back("find(" + quoted(class_name) + ", " + quoted(title) + ") = " + named(found));
        return found;
    },
    [](os_window parent, os_window after, const char* class_name, const char* title) {
        os_window found = after ? nullptr : search(parent, class_name, title);
        if (counted({parent, after}))
            active->calls.push_back("find_ex(" + named(parent) + ", " + named(after) + ", " + quoted(class_name) +
                                    ", " + quoted(title) + ") = " + named(found));
        return found;
    },
    [](os_window window, char* text, int size) {
        const std::string& title = active->windows.at(reinterpret_cast<uintptr_t>(window) - 1).title;
        std::string shown = title.substr(0, static_cast<size_t>(size - 1));
        memcpy(text, shown.c_str(), shown.size() + 1);
        if (counted())
            active->calls.push_back("text(" + named(window) + ", " + std::to_string(size) + ") = " + quoted(text));
        return static_cast<int>(shown.size());
    },
    [](os_window window, uint32_t message, uint32_t wparam, uint32_t lparam) {
        if (counted({window}))
            note_message("send", window, message, wparam, lparam);
        return intptr_t{0};
    },
    [](os_window window, uint32_t message, uint32_t wparam, uint32_t lparam) {
        if (counted({window}))
            note_message("post", window, message, wparam, lparam);
        return true;
    },
    [](os_window window) {
        if (counted({window}))
            active->calls.push_back("front(" + named(window) + ")");
        return true;
    },
};

desktop_double::desktop_double(clock_double* attached) : installed(os_desktop, fake_desktop), clock(attached) {}

const std::vector<std::string>& desktop_double::log()
{
    for (; clock && sleeps_logged < clock->sleeps.size(); ++sleeps_logged)
        calls.push_back("sleep " + std::to_string(clock->sleeps[sleeps_logged]));
    return calls;
}
