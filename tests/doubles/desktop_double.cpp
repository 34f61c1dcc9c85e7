#include "tests/doubles/desktop_double.h"

#include <cctype>
#include <cstdio>
#include <cstring>

static desktop_double* active_desktop = nullptr;

static std::string quoted(const char* text)
{
    return text ? "\"" + std::string(text) + "\"" : "null";
}

static std::string named(os_window window)
{
    int number = desktop_double::number(window);
    return number ? "w" + std::to_string(number) : "null";
}

static std::string hex(uint32_t value)
{
    char text[16];
    snprintf(text, sizeof text, "0x%x", value);
    return text;
}

// Counts a call; true when it is to be logged.
static bool counted()
{
    desktop_double& d = *active_desktop;
    if (d.budget && d.calls_made >= d.budget)
        throw desktop_double::budget_spent{};
    ++d.calls_made;
    return d.logging;
}

// Logs a call, after the pauses made since the last one.
static void note(const std::string& call)
{
    active_desktop->log();
    active_desktop->calls.push_back(call);
}

static bool same(const std::string& a, const char* b)
{
    if (a.size() != strlen(b))
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (tolower(static_cast<unsigned char>(a[i])) != tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

static os_window search(int parent, const char* class_name, const char* title)
{
    int number = 0;
    for (desktop_double::window& w : active_desktop->windows) {
        ++number;
        if (w.parent == parent && same(w.class_name, class_name) && (!title || same(w.title, title))) {
            if (w.hidden_searches > 0) {
                --w.hidden_searches;
                continue;
            }
            return desktop_double::handle(number);
        }
    }
    return nullptr;
}

static os_window find_window(const char* class_name, const char* title)
{
    os_window found = search(0, class_name, title);
    if (counted())
        note("find_window(" + quoted(class_name) + ", " + quoted(title) + ") = " + named(found));
    return found;
}

static os_window find_window_ex(os_window parent, os_window after, const char* class_name, const char* title)
{
    os_window found = after ? nullptr : search(desktop_double::number(parent), class_name, title);
    if (counted())
        note("find_window_ex(" + named(parent) + ", " + named(after) + ", " + quoted(class_name) + ", " +
         quoted(title) + ") = " + named(found));
    return found;
}

static int get_window_text(os_window window, char* text, int size)
{
    std::string shown;
    size_t number = static_cast<size_t>(desktop_double::number(window));
    if (number >= 1 && number <= active_desktop->windows.size()) {
        desktop_double::window& w = active_desktop->windows[number - 1];
        shown = w.reads_before_change == 0 ? w.later_title : w.title;
        if (w.reads_before_change > 0)
            --w.reads_before_change;
    }
    shown = shown.substr(0, static_cast<size_t>(size - 1));
    memcpy(text, shown.c_str(), shown.size() + 1);
    if (counted())
        note("get_window_text(" + named(window) + ", " + std::to_string(size) + ") = " + quoted(shown.c_str()));
    return static_cast<int>(shown.size());
}

static intptr_t send_message(os_window window, uint32_t message, uint32_t wparam, uint32_t lparam)
{
    if (counted())
        note("send_message(" + named(window) + ", " + hex(message) + ", " + hex(wparam) + ", " + hex(lparam) + ")");
    return 0;
}

static bool post_message(os_window window, uint32_t message, uint32_t wparam, uint32_t lparam)
{
    if (counted())
        note("post_message(" + named(window) + ", " + hex(message) + ", " + hex(wparam) + ", " + hex(lparam) + ")");
    return true;
}

static bool set_foreground_window(os_window window)
{
    if (counted())
        note("set_foreground_window(" + named(window) + ")");
    return true;
}

static const os_desktop_calls fake_desktop = {find_window,  find_window_ex, get_window_text,
                                              send_message, post_message,   set_foreground_window};

desktop_double::desktop_double(clock_double* attached) : clock(attached), previous(os_desktop)
{
    active_desktop = this;
    os_desktop = &fake_desktop;
}

desktop_double::~desktop_double()
{
    os_desktop = previous;
    active_desktop = nullptr;
}

int desktop_double::add(const std::string& class_name, const std::string& title, int parent)
{
    windows.push_back({class_name, title, parent, 0, -1, ""});
    return static_cast<int>(windows.size());
}

os_window desktop_double::handle(int number)
{
    return reinterpret_cast<os_window>(static_cast<intptr_t>(number) * 16);
}

int desktop_double::number(os_window window)
{
    return static_cast<int>(reinterpret_cast<intptr_t>(window) / 16);
}

const std::vector<std::string>& desktop_double::log()
{
    for (; clock && sleeps_logged < clock->sleeps.size(); ++sleeps_logged)
        calls.push_back("sleep " + std::to_string(clock->sleeps[sleeps_logged]));
    return calls;
}
