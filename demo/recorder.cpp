// The stand-in recording application of the demo, the end-to-end test and
// the soak, opened on .tvpi and .html files as "test_recorder.exe
// LOG_FOLDER FILE". It copies FILE into
// LOG_FOLDER as <n>.copy, n counting the files received; for a .tvpi file it
// shows a window "TobalinTestRecorder", its title "Recorder ready" a moment
// later, a button "Record" that ends it, and a window in front. Every event
// is a line of LOG_FOLDER\events.txt.
#include <windows.h>

#include <cstdio>
#include <string>

static std::string log_folder;
static HWND record_button;

static void record(const std::string& line)
{
    if (FILE* events = fopen((log_folder + "\\events.txt").c_str(), "ab")) {
        fputs((line + "\n").c_str(), events);
        fclose(events);
    }
}

static LRESULT CALLBACK window_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam)
{
    switch (message) {
    case WM_TIMER:
        KillTimer(window, wparam);
        SetWindowTextA(window, "Recorder ready");
        return 0;
    case WM_APP + 5:
        // Both as this system's WPARAM and LPARAM: the width tells.
        record("message " + std::to_string(wparam) + " " + std::to_string(lparam) + " foreground " +
               (GetForegroundWindow() == window ? "yes" : "no"));
        return 0;
    case WM_COMMAND:
        if (lparam == reinterpret_cast<LPARAM>(record_button) && HIWORD(wparam) == BN_CLICKED) {
            record("clicked");
            DestroyWindow(window);
        }
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(window, message, wparam, lparam);
}

// A display that never answers must not leave the recorder running.
static DWORD WINAPI watchdog(LPVOID)
{
    Sleep(60000);
    ExitProcess(2);
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    if (__argc != 3)
        return 2;
    log_folder = __argv[1];
    std::string file = __argv[2], name = file.substr(file.find_last_of('\\') + 1);
    int n = 1;
    while (GetFileAttributesA((log_folder + "\\" + std::to_string(n) + ".copy").c_str()) != INVALID_FILE_ATTRIBUTES)
        ++n;
    if (!CopyFileA(file.c_str(), (log_folder + "\\" + std::to_string(n) + ".copy").c_str(), TRUE))
        return 1;
    record("received " + std::to_string(n) + " " + name);
    if (name.size() < 5 || name.compare(name.size() - 5, 5, ".tvpi") != 0)
        return 0;

    CloseHandle(CreateThread(nullptr, 0, watchdog, nullptr, 0, nullptr));
    WNDCLASSA window_class = {};
    window_class.lpfnWndProc = window_procedure;
    window_class.hInstance = instance;
    window_class.lpszClassName = "TobalinTestRecorder";
    RegisterClassA(&window_class);
    HWND window = CreateWindowExA(0, "TobalinTestRecorder", "Recorder", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 40, 40,
                                  300, 200, nullptr, nullptr, instance, nullptr);
    record_button = CreateWindowExA(0, "BUTTON", "Record", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 10, 10, 80, 30,
                                    window, nullptr, instance, nullptr);
    // Another window takes the front, so that bringing the recorder there
    // is the script's doing.
    SetForegroundWindow(CreateWindowExA(0, "STATIC", "In front", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 80, 80, 300, 200,
                                        nullptr, nullptr, instance, nullptr));
    SetTimer(window, 1, 700, nullptr);
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return 0;
}
