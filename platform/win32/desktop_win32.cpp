// Window search and messages on the real desktop (USER32).
#include <windows.h>

#include "platform/desktop.h"

static HWND hwnd_of(os_window window)
{
    return reinterpret_cast<HWND>(window);
}

static os_window window_of(HWND hwnd)
{
    return reinterpret_cast<os_window>(hwnd);
}

// wParam zero-extended, lParam sign-extended: see platform/desktop.h.
static WPARAM wparam_of(uint32_t value)
{
    return static_cast<WPARAM>(value);
}

static LPARAM lparam_of(uint32_t value)
{
    return static_cast<LPARAM>(static_cast<int32_t>(value));
}

static os_window find_window(const char* class_name, const char* title)
{
    return window_of(FindWindowA(class_name, title));
}

static os_window find_window_ex(os_window parent, os_window after, const char* class_name, const char* title)
{
    return window_of(FindWindowExA(hwnd_of(parent), hwnd_of(after), class_name, title));
}

static int get_window_text(os_window window, char* text, int size)
{
    return GetWindowTextA(hwnd_of(window), text, size);
}

static intptr_t send_message(os_window window, uint32_t message, uint32_t wparam, uint32_t lparam)
{
    return SendMessageA(hwnd_of(window), message, wparam_of(wparam), lparam_of(lparam));
}

static bool post_message(os_window window, uint32_t message, uint32_t wparam, uint32_t lparam)
{
    return PostMessageA(hwnd_of(window), message, wparam_of(wparam), lparam_of(lparam)) != 0;
}

static bool set_foreground_window(os_window window)
{
    return SetForegroundWindow(hwnd_of(window)) != 0;
}

const os_desktop_calls os_native_desktop = {find_window,  find_window_ex, get_window_text,
                                            send_message, post_message,   set_foreground_window};
