// The window the real-window test drives: class "TobalinTestMain", title
// "Tobalin test" until it becomes "Tobalin test ready" a moment after start,
// a child button "OK", and another window in front of it. Writes a line per
// event to report.txt; ends when closed, or by itself after 20 seconds, and
// in any case within a minute.
#include <windows.h>

#include <cstdio>
#include <string>

static FILE* report;
static const UINT_PTR title_timer = 1, give_up_timer = 2;
static const int button_id = 101;

static void record(const std::string& line)
{
    fputs((line + "\n").c_str(), report);
    fflush(report);
}

static LRESULT CALLBACK window_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam)
{
    switch (message) {
    case WM_TIMER:
        KillTimer(window, wparam);
        if (wparam == title_timer) {
            SetWindowTextA(window, "Tobalin test ready");
            record("title set");
        } else {
            DestroyWindow(window);
        }
        return 0;
    case WM_COMMAND:
        if (LOWORD(wparam) == button_id && HIWORD(wparam) == BN_CLICKED)
            record("clicked");
        return 0;
    case WM_APP + 5:
        // Both as this system's WPARAM and LPARAM: the width tells.
        record("message " + std::to_string(wparam) + " " + std::to_string(lparam) + " foreground " +
               (GetForegroundWindow() == window ? "yes" : "no"));
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(window, message, wparam, lparam);
}

// Ends the program whatever the window calls are doing: a display that
// never answers must not leave it running under the test.
static DWORD WINAPI watchdog(LPVOID)
{
    Sleep(60000);
    ExitProcess(2);
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    CloseHandle(CreateThread(nullptr, 0, watchdog, nullptr, 0, nullptr));
    report = fopen("report.txt", "wb");
    if (!report)
        return 1;
    WNDCLASSA window_class = {};
    window_class.lpfnWndProc = window_procedure;
    window_class.hInstance = instance;
    window_class.lpszClassName = "TobalinTestMain";
    RegisterClassA(&window_class);
    HWND main_window = CreateWindowA("TobalinTestMain", "Tobalin test", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10, 10,
                                     300, 200, nullptr, nullptr, instance, nullptr);
    CreateWindowA("BUTTON", "OK", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 10, 10, 80, 30, main_window,
                  reinterpret_cast<HMENU>(static_cast<INT_PTR>(button_id)), instance, nullptr);
    // Another window takes the front, so that bringing the main one there
    // is the script's doing.
    SetForegroundWindow(CreateWindowA("STATIC", "In front", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 50, 50, 300, 200,
                                      nullptr, nullptr, instance, nullptr));
    SetTimer(main_window, title_timer, 700, nullptr);
    SetTimer(main_window, give_up_timer, 20000, nullptr);

    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    fclose(report);
    return 0;
}
