// The tray icon and its tip, which tells the user how the last poll went:
// a user whose recordings do not appear can see why without any tool.
#include "app/win32/tray_icon.h"

#include <shellapi.h>

#include <cstddef>
#include <cstdio>
#include <cstring>

#include "app/mail_check.h"
#include "app/poll_tip.h"
#include "app/win32/main_window.h"
#include "resources/resource_ids.h"

namespace {

// The record as the first shell versions knew it, with its 64-byte tip:
// every Windows takes it.
NOTIFYICONDATAA tray_icon;
constexpr DWORD first_version_size = offsetof(NOTIFYICONDATAA, szTip) + 64;
static_assert(sizeof(void*) != 4 || first_version_size == 88, "the 32-bit program passes 88 bytes");

// UTF-8 text in the ANSI code page, cut where it must to fit size bytes
// with its NUL, and always after a whole character: a tip cut inside one
// shows a stray byte.
void ansi_text(const char* utf8, char* text, int size)
{
    wchar_t wide[160];
    int count = MultiByteToWideChar(CP_UTF8, 0, utf8, -1, wide, 160);
    for (count = count > 0 ? count - 1 : 0; count > 0; --count) {
        if (IS_HIGH_SURROGATE(wide[count - 1]))
            continue;  // the pair stays whole
        int written = WideCharToMultiByte(CP_ACP, 0, wide, count, text, size - 1, nullptr, nullptr);
        if (written > 0) {
            text[written] = '\0';
            return;
        }
    }
    text[0] = '\0';
}

}  // namespace

bool add_tray_icon(HWND window, HICON icon)
{
    tray_icon.cbSize = first_version_size;
    tray_icon.hWnd = window;
    tray_icon.uID = IDI_PROGRAM;
    tray_icon.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    tray_icon.uCallbackMessage = tray_callback_message;
    tray_icon.hIcon = icon;
    strcpy(tray_icon.szTip, program_window_name);
    return Shell_NotifyIconA(NIM_ADD, &tray_icon) != FALSE;
}

bool restore_tray_icon()
{
    // A taskbar that is slow to answer may refuse an icon it then shows
    // after all: one it can change is there.
    return Shell_NotifyIconA(NIM_ADD, &tray_icon) || Shell_NotifyIconA(NIM_MODIFY, &tray_icon);
}

void show_last_poll_in_tip()
{
    if (!last_poll.done)
        return;
    char tip[160];
    poll_tip(last_poll, tip, sizeof tip);
    ansi_text(tip, tray_icon.szTip, sizeof tray_icon.szTip);
    NOTIFYICONDATAA change = tray_icon;
    change.uFlags = NIF_TIP;
    Shell_NotifyIconA(NIM_MODIFY, &change);
}

void remove_tray_icon()
{
    Shell_NotifyIconA(NIM_DELETE, &tray_icon);
}
