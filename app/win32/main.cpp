// Start-up: one copy per desktop, the hidden main window, the tray icon and
// the message loop; the icon goes again when the loop ends.
#include <windows.h>

#include <commctrl.h>

#include <cstdio>

#include "app/win32/main_window.h"
#include "app/win32/tray_icon.h"
#include "resources/resource_ids.h"

namespace {

// The two start-up failures are the only messages the program shows.
void report_start_failure(const char* format)
{
    char text[64];
    snprintf(text, sizeof text, format, static_cast<int>(GetLastError()));
    MessageBoxA(nullptr, text, program_window_name, MB_OK);
}

HICON load_program_icon(int size)
{
    return static_cast<HICON>(
        LoadImageA(program_instance, MAKEINTRESOURCEA(IDI_PROGRAM), IMAGE_ICON, size, size, LR_DEFAULTCOLOR));
}

void run_message_loop()
{
    MSG message;
    // GetMessageA gives -1 when it fails: that ends the loop too.
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    program_instance = instance;
    // One copy per desktop; the running one is left as it is.
    if (FindWindowA(program_window_name, program_window_name))
        return 1;
    // The dialogs' controls come from Common Controls 6, as the manifest asks.
    InitCommonControls();
    HICON icon = load_program_icon(32);
    // The notification area shows small icons: the icon's own small picture
    // reads there, where the large one shrunk loses its lines.
    HICON small_icon = load_program_icon(GetSystemMetrics(SM_CXSMICON));

    WNDCLASSA window_class = {};
    window_class.style = CS_HREDRAW | CS_VREDRAW;
    window_class.lpfnWndProc = main_window_procedure;
    window_class.hInstance = instance;
    window_class.hIcon = icon;
    window_class.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    window_class.lpszClassName = program_window_name;

    if (!RegisterClassA(&window_class)) {
        report_start_failure("RegisterClass:%d");
    } else {
        // Never shown. Its creation loads the settings, and asks for them
        // when they cannot be loaded, before the icon appears.
        HWND main_window = CreateWindowExA(0, program_window_name, program_window_name, WS_CAPTION, 0, 0, 0, 0,
                                           nullptr, nullptr, instance, nullptr);
        if (!main_window) {
            report_start_failure("CreateWindow:%d");
        } else {
            // Started with Windows, the program may be ahead of the taskbar:
            // it runs on and adds the icon when the taskbar is there.
            if (!add_tray_icon(main_window, small_icon ? small_icon : icon))
                retry_tray_icon(main_window);
            run_message_loop();
            remove_tray_icon();
        }
    }

    if (small_icon)
        DestroyIcon(small_icon);
    if (icon)
        DestroyIcon(icon);
    return 1;
}
