#ifndef TOBALIN_DEMO_SHOWN_ICONS_H
#define TOBALIN_DEMO_SHOWN_ICONS_H

// The icons Wine's taskbar shows, as a user sees them: their tips and where
// they are on the screen. The taskbar keeps one tooltip per icon in its own
// process, so the text is read there; a removed icon's tooltip lingers with
// no place on the screen and is left out.
#include <windows.h>

#include <commctrl.h>

#include <string>
#include <vector>

struct shown_icon {
    std::wstring tip;
    POINT centre;
};

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

#endif
