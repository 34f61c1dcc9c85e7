#ifndef TOBALIN_DEMO_PROGRAM_REMOTE_H
#define TOBALIN_DEMO_PROGRAM_REMOTE_H

// The running program as its user meets it under Wine, for the demo's
// remote, the end-to-end test and the soak: its hidden window, its icon and
// the icon's tip in the taskbar, the clicks the taskbar passes on.
#include <windows.h>

#include <commctrl.h>

#include <string>
#include <vector>

#include "resources/resource_ids.h"

// The program's hidden window, which its clicks and commands reach.
inline HWND program_window()
{
    return FindWindowA("Tobaln", "Tobaln");
}

// A click on its icon, as the taskbar passes it on: WM_LBUTTONDOWN polls,
// WM_RBUTTONDOWN opens the menu.
inline void click_program_icon(UINT mouse_message)
{
    PostMessageA(program_window(), WM_USER + 1, IDI_PROGRAM, mouse_message);  // the icon's callback message
}

// A command of its menu (IDM_...), as the menu sends it.
inline void send_program_command(UINT command)
{
    PostMessageA(program_window(), WM_COMMAND, command, 0);
}

// Its settings dialog, while it is open.
inline HWND settings_dialog()
{
    return FindWindowW(L"#32770", L"環境定義");
}

// Text put into an edit of a dialog as typing puts it there: marked as
// changed, which OK saves.
inline void type_into(HWND dialog, int edit, const char* text)
{
    SendDlgItemMessageA(dialog, edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text));
    SendDlgItemMessageA(dialog, edit, EM_SETMODIFY, TRUE, 0);
}

// Whether a menu is open, the tray menu among them.
inline bool menu_open()
{
    return IsWindowVisible(FindWindowA("#32768", nullptr)) != FALSE;
}

// A key pressed and let go.
inline void press(BYTE key)
{
    keybd_event(key, 0, 0, 0);
    keybd_event(key, 0, KEYEVENTF_KEYUP, 0);
}

// Whether the condition holds within the seconds, asked every tenth.
template <typename Condition>
bool eventually(Condition condition, int seconds = 10)
{
    for (int tenths = seconds * 10; tenths > 0 && !condition(); --tenths)
        Sleep(100);
    return condition();
}

struct shown_icon {
    std::wstring tip;
    POINT centre;
};

// The icons Wine's taskbar shows, as a user sees them: their tips and where
// they are on the screen. The taskbar keeps one tooltip per icon in its own
// process, so the text is read there; a removed icon's tooltip lingers with
// no place on the screen and is left out.
inline std::vector<shown_icon> shown_icons()
{
    std::vector<shown_icon> icons;
    HWND tray = FindWindowA("Shell_TrayWnd", nullptr);
    for (HWND tooltip = nullptr; tray && (tooltip = FindWindowExA(nullptr, tooltip, TOOLTIPS_CLASSA, nullptr));) {
        if (GetWindow(tooltip, GW_OWNER) != tray)
            continue;
        DWORD explorer_id = 0;
        GetWindowThreadProcessId(tooltip, &explorer_id);
        HANDLE explorer = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, explorer_id);
        auto* remote = static_cast<char*>(VirtualAllocEx(explorer, nullptr, 4096, MEM_COMMIT, PAGE_READWRITE));
        if (!remote) {
            CloseHandle(explorer);
            continue;
        }
        TTTOOLINFOW tool = {};
        tool.cbSize = sizeof tool;
        tool.lpszText = reinterpret_cast<LPWSTR>(remote + 1024);
        WCHAR text[128 + 1] = {};
        bool read = WriteProcessMemory(explorer, remote, &tool, sizeof tool, nullptr) &&
                    SendMessageW(tooltip, TTM_ENUMTOOLSW, 0, reinterpret_cast<LPARAM>(remote)) &&
                    ReadProcessMemory(explorer, remote, &tool, sizeof tool, nullptr) &&
                    ReadProcessMemory(explorer, remote + 1024, text, sizeof text - sizeof *text, nullptr);
        VirtualFreeEx(explorer, remote, 0, MEM_RELEASE);
        CloseHandle(explorer);
        if (read && !IsRectEmpty(&tool.rect)) {
            POINT centre = {(tool.rect.left + tool.rect.right) / 2, (tool.rect.top + tool.rect.bottom) / 2};
            MapWindowPoints(tray, nullptr, &centre, 1);
            icons.push_back({text, centre});
        }
    }
    return icons;
}

// The program's icon as the taskbar shows it.
inline bool program_icon(shown_icon* found)
{
    for (const shown_icon& icon : shown_icons()) {
        if (icon.tip.compare(0, 6, L"Tobaln") == 0) {
            *found = icon;
            return true;
        }
    }
    return false;
}

// Its tip; "" while the taskbar shows no icon of the program.
inline std::wstring program_tip()
{
    shown_icon icon;
    return program_icon(&icon) ? icon.tip : L"";
}

#endif
