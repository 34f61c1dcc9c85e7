#ifndef TOBALIN_APP_WIN32_MAIN_WINDOW_H
#define TOBALIN_APP_WIN32_MAIN_WINDOW_H

#include <windows.h>

// The module the menus, dialogs and strings are loaded from.
extern HINSTANCE program_instance;

// Class name and title of the hidden main window, and the tray icon's tip
// before the first poll. A second copy finds the first by these names.
constexpr char program_window_name[] = "Tobaln";

// Every message of the program arrives here: the one-second timer, the tray
// icon's clicks and the menu's commands, each turned into a call of the
// portable part (schedule, poll, settings).
LRESULT CALLBACK main_window_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

// The tray icon could not be added (the taskbar is not there yet, as when
// the program starts with Windows): it is added when the taskbar announces
// itself, and meanwhile tried again every few seconds for two minutes.
void retry_tray_icon(HWND window);

#endif
