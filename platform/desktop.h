#ifndef TOBALIN_PLATFORM_DESKTOP_H
#define TOBALIN_PLATFORM_DESKTOP_H

#include <cstdint>

// Searching other programs' windows and sending them messages, for the
// batch script. A window is opaque here; null is no window.
typedef struct os_window_handle* os_window;

struct os_desktop_calls {
    // FindWindowA: a top-level window of the class; a null title matches any.
    os_window (*find_window)(const char* class_name, const char* title);
    // FindWindowExA: the first child of parent after the child "after"
    // (null: from the first) with class and title; a null parent searches
    // the top-level windows.
    os_window (*find_window_ex)(os_window parent, os_window after, const char* class_name, const char* title);
    // GetWindowTextA: at most size - 1 bytes of the window's text and a NUL;
    // gives the length copied, 0 on failure.
    int (*get_window_text)(os_window window, char* text, int size);
    // SendMessageA and PostMessageA. The script's values are 32 bits. Where
    // WPARAM and LPARAM are 64 bits wide, wparam is zero-extended and lparam
    // sign-extended, so an lparam of -1 (0xFFFFFFFF) still means -1, as it
    // does in 32-bit Windows.
    intptr_t (*send_message)(os_window window, uint32_t message, uint32_t wparam, uint32_t lparam);
    bool (*post_message)(os_window window, uint32_t message, uint32_t wparam, uint32_t lparam);
    // SetForegroundWindow.
    bool (*set_foreground_window)(os_window window);
};

extern const os_desktop_calls* os_desktop;
extern const os_desktop_calls os_native_desktop;

#endif
