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

INT_PTR CALLBACK version_box_procedure(HWND box, UINT message, WPARAM wparam, LPARAM)
{
    if (message == WM_INITDIALOG)
        return TRUE;
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

void answer_tray_click(HWND window, WPARAM icon, LPARAM mouse)
{
    if (icon != IDI_PROGRAM || (GetAsyncKeyState(VK_MENU) & 0x8000))
        return;
    if (mouse == WM_LBUTTONDOWN)
        PostMessageA(window, WM_COMMAND, IDM_CHECK_MAIL_NOW, 0);
    else if (mouse == WM_RBUTTONDOWN)
        show_tray_menu(window);
}

void carry_out(HWND window, WORD command)
{
    switch (command) {
    case IDM_QUIT:
        MessageBeep(MB_ICONASTERISK);
        SendMessageA(window, WM_CLOSE, 0, 0);
        break;
    case IDM_VERSION:
        DialogBoxParamA(program_instance, MAKEINTRESOURCEA(IDD_VERSION), window, version_box_procedure, 0);
        break;
    case IDM_SETTINGS:
        hold_countdown();
        run_settings_dialog(program_instance, window);
        restart_countdown();
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

LRESULT CALLBACK main_window_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam)
{
    switch (message) {
    case WM_CREATE:
        taskbar_created = RegisterWindowMessageA("TaskbarCreated");
        if (load_settings() != 0)
            run_settings_dialog(program_instance, window);
        SetTimer(window, IDT_POLL, 1000, nullptr);
        restart_countdown();
        break;
    case WM_TIMER:
        if (wparam == IDT_POLL && countdown_tick())
            PostMessageA(window, WM_COMMAND, IDM_CHECK_MAIL_NOW, 0);
        return 0;
    case tray_callback_message:
        answer_tray_click(window, wparam, lparam);
        return 0;
    case WM_COMMAND:
        carry_out(window, LOWORD(wparam));
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
            restore_tray_icon();
            return 0;
        }
    }
    return DefWindowProcA(window, message, wparam, lparam);
}
