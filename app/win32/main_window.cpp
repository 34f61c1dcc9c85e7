// The hidden main window's procedure and the commands of the tray menu.
#include "app/win32/main_window.h"

#include <cstdio>
#include <cstring>

#include "app/mail_check.h"
#include "app/schedule.h"
#include "app/win32/tray_icon.h"
#include "platform/process.h"
#include "resources/resource_ids.h"
#include "settings/settings.h"
#include "settings/win32/settings_dialog.h"

HINSTANCE program_instance;

namespace {

// The help page shipped beside the program.
const char support_page_name[] = "tobalin-help.html";

// Explorer sends this to every top-level window when its taskbar starts
// (again, after a crash or an update): the icons it held are gone.
UINT taskbar_created;

// A program started with Windows may be ahead of the taskbar. Besides
// waiting for "TaskbarCreated", it tries again every few seconds for a while.
constexpr UINT tray_retry_period = 5000;  // milliseconds
int tray_retries_left;

// The dialog on the screen, if any. A modal dialog disables the main window,
// but the tray icon's clicks and menu still reach it: a second command must
// bring this one to the front, not open another over it, whose OK would save
// its stale values over the first one's.
HWND open_dialog;

// Quit was chosen while a dialog was open: it is closed first, and the
// program ends once the call that ran it has returned.
bool quit_when_closed;

INT_PTR CALLBACK version_box_procedure(HWND box, UINT message, WPARAM wparam, LPARAM)
{
    if (message == WM_INITDIALOG) {
        open_dialog = box;
        return TRUE;
    }
    if (message == WM_COMMAND && (LOWORD(wparam) == IDOK || LOWORD(wparam) == IDCANCEL)) {
        EndDialog(box, 0);
        return TRUE;
    }
    return FALSE;
}

void show_tray_menu(HWND window)
{
    // With the window in front, a click elsewhere closes the menu.
    SetForegroundWindow(window);
    HMENU menu = LoadMenuA(program_instance, MAKEINTRESOURCEA(IDM_TRAY));
    if (!menu)
        return;
    POINT cursor;
    GetCursorPos(&cursor);
    TrackPopupMenu(GetSubMenu(menu, 0), TPM_RIGHTBUTTON, cursor.x, cursor.y, 0, window, nullptr);
    // Without a message of its own after the menu the window stays in front
    // while it should not, and the next menu closes as soon as it opens.
    PostMessageA(window, WM_NULL, 0, 0);
    DestroyMenu(menu);
}

// Opens the help page beside the program, found by the program's own full
// path, so that it opens whatever the current directory and however many
// spaces the folder's name holds.
void open_support_page()
{
    char folder[MAX_PATH];
    DWORD length = GetModuleFileNameA(nullptr, folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return;
    char* name = strrchr(folder, '\\');
    *(name ? name + 1 : folder) = '\0';
    char page[MAX_PATH + sizeof support_page_name];
    snprintf(page, sizeof page, "%s%s", folder, support_page_name);
    os_process->open_with_application(page);
}

// True when a dialog is open: it, or the message box or file dialog open
// over it, comes to the front.
bool bring_open_dialog_to_front()
{
    if (!open_dialog)
        return false;
    SetForegroundWindow(GetLastActivePopup(open_dialog));
    return true;
}

void dialog_closed(HWND window)
{
    open_dialog = nullptr;
    if (quit_when_closed)
        PostMessageA(window, WM_COMMAND, IDM_QUIT, 0);
}

// No automatic poll starts while the settings dialog is open, not even after
// a poll the user starts by a click meanwhile.
void open_settings(HWND window)
{
    if (bring_open_dialog_to_front())
        return;
    hold_countdown();
    run_settings_dialog(program_instance, window, &open_dialog);
    dialog_closed(window);
    release_countdown();
}

void open_version_box(HWND window)
{
    if (bring_open_dialog_to_front())
        return;
    DialogBoxParamA(program_instance, MAKEINTRESOURCEA(IDD_VERSION), window, version_box_procedure, 0);
    dialog_closed(window);
}

void quit(HWND window)
{
    if (open_dialog) {
        // As Esc closes it: nothing is saved. A message box or file dialog
        // over it closes too.
        quit_when_closed = true;
        HWND popup = GetLastActivePopup(open_dialog);
        if (popup != open_dialog)
            PostMessageA(popup, WM_CLOSE, 0, 0);
        EndDialog(open_dialog, 0);
        return;
    }
    MessageBeep(MB_ICONASTERISK);
    SendMessageA(window, WM_CLOSE, 0, 0);
}

void answer_tray_click(HWND window, WPARAM icon, LPARAM mouse)
{
    if (icon != IDI_PROGRAM || (GetAsyncKeyState(VK_MENU) & 0x8000))
        return;
    if (mouse == WM_LBUTTONDOWN)
        PostMessageA(window, WM_COMMAND, IDM_CHECK_MAIL_NOW, 0);
    else if (mouse == WM_RBUTTONDOWN)
        show_tray_menu(window);
}

void perform_command(HWND window, WORD command)
{
    switch (command) {
    case IDM_QUIT:
        quit(window);
        break;
    case IDM_VERSION:
        open_version_box(window);
        break;
    case IDM_SETTINGS:
        open_settings(window);
        break;
    case IDM_CHECK_MAIL_NOW:
        check_mail_now();
        show_last_poll_in_tip();
        break;
    case IDM_SUPPORT_PAGE:
        open_support_page();
        break;
    }
}

}  // namespace

void retry_tray_icon(HWND window)
{
    tray_retries_left = 24;  // two minutes
    SetTimer(window, IDT_TRAY_RETRY, tray_retry_period, nullptr);
}

LRESULT CALLBACK main_window_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam)
{
    switch (message) {
    case WM_CREATE:
        taskbar_created = RegisterWindowMessageA("TaskbarCreated");
        if (load_settings() != 0)
            open_settings(window);
        SetTimer(window, IDT_POLL, 1000, nullptr);
        restart_countdown();
        break;
    case WM_TIMER:
        if (wparam == IDT_POLL && countdown_tick())
            PostMessageA(window, WM_COMMAND, IDM_CHECK_MAIL_NOW, 0);
        else if (wparam == IDT_TRAY_RETRY && (restore_tray_icon() || --tray_retries_left <= 0))
            KillTimer(window, IDT_TRAY_RETRY);
        return 0;
    case tray_callback_message:
        answer_tray_click(window, wparam, lparam);
        return 0;
    case WM_COMMAND:
        perform_command(window, LOWORD(wparam));
        return 0;
    case WM_CLOSE:
        DestroyWindow(window);
        return 0;
    case WM_DESTROY:
        KillTimer(window, IDT_POLL);
        PostQuitMessage(0);
        return 0;
    default:
        if (message == taskbar_created && taskbar_created != 0) {
            if (restore_tray_icon())
                KillTimer(window, IDT_TRAY_RETRY);
            return 0;
        }
    }
    return DefWindowProcA(window, message, wparam, lparam);
}
