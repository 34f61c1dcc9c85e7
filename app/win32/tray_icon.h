#ifndef TOBALIN_APP_WIN32_TRAY_ICON_H
#define TOBALIN_APP_WIN32_TRAY_ICON_H

#include <windows.h>

// The program's icon in the notification area; its clicks arrive at the
// main window as this message, with the icon's identifier in wParam and the
// mouse message in lParam.
constexpr UINT tray_callback_message = WM_USER + 1;

// Adds the icon for the window, with the tip "Tobaln". False when the shell
// refused it.
bool add_tray_icon(HWND window, HICON icon);

// Adds the icon again, with its current tip, after Explorer restarted and
// lost it, or after adding it first failed. True when the icon is there.
bool restore_tray_icon();

// Puts how the last poll went into the tip: "Tobaln 21:05 予約2件".
void show_last_poll_in_tip();

void remove_tray_icon();

#endif
