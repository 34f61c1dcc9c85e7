#ifndef TOBALIN_SETTINGS_WIN32_SETTINGS_DIALOG_H
#define TOBALIN_SETTINGS_WIN32_SETTINGS_DIALOG_H

#include <windows.h>

// The settings dialog (resource 104 of instance), modal and owned by owner.
// OK copies every control into Settings and saves them; Esc and the close
// box change nothing.
void run_settings_dialog(HINSTANCE instance, HWND owner);

#endif
