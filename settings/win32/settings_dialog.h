#ifndef TOBALIN_SETTINGS_WIN32_SETTINGS_DIALOG_H
#define TOBALIN_SETTINGS_WIN32_SETTINGS_DIALOG_H

#include <windows.h>

// The settings dialog (resource 104 of instance), modal and owned by owner.
// OK copies every edit the user changed and the interval into Settings and
// saves them; Esc and the close box change nothing. From its WM_INITDIALOG
// on, *shown is its window; the caller clears it when the call returns.
void run_settings_dialog(HINSTANCE instance, HWND owner, HWND* shown);

#endif
