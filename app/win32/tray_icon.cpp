// The tray icon and its tip, which tells the user how the last poll went:
// a user whose recordings do not appear can see why without any tool.
#include "app/win32/tray_icon.h"

#include <shellapi.h>

#include <cstddef>
#include <cstdio>
#include <cstring>

#include "app/mail_check.h"
#include "app/win32/main_window.h"
#include "resources/resource_ids.h"

namespace {

// The record as the first shell versions knew it, with its 64-byte tip:
// every Windows takes it.
NOTIFYICONDATAA tray_icon;
constexpr DWORD first_version_size = offsetof(NOTIFYICONDATAA, szTip) + 64;
static_assert(sizeof(void*) != 4 || first_version_size == 88, "the 32-bit program passes 88 bytes");

// What the tip says after the time.
UINT outcome_text(const poll_report& poll)
{
    if (poll.kept > 0)
        return IDS_FILE_NOT_WRITTEN;
    switch (poll.result) {
    case pop3_ok: return poll.handed_on > 0 ? IDS_HANDED_ON : IDS_NOTHING_HANDED_ON;
    case pop3_no_such_server: return IDS_NO_SUCH_SERVER;
    case pop3_no_connection: return IDS_NO_CONNECTION;
    case pop3_server_silent: return IDS_SERVER_SILENT;
    case pop3_login_refused: return IDS_LOGIN_REFUSED;
    case pop3_mailbox_error: return IDS_MAILBOX_ERROR;
    case pop3_connection_broken: break;
    }
    return IDS_CONNECTION_BROKEN;
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
    // The texts are short enough that the whole tip, "Tobaln HH:MM " and
    // the longest of them in Shift_JIS, fits its 64 bytes.
    char format[48] = "";
    LoadStringA(program_instance, outcome_text(last_poll), format, sizeof format);
    char outcome[48];
    snprintf(outcome, sizeof outcome, format, static_cast<int>(last_poll.handed_on));
    snprintf(tray_icon.szTip, sizeof tray_icon.szTip, "%s %02d:%02d %s", program_window_name, last_poll.when.hour,
             last_poll.when.minute, outcome);
    NOTIFYICONDATAA change = tray_icon;
    change.uFlags = NIF_TIP;
    Shell_NotifyIconA(NIM_MODIFY, &change);
}

void remove_tray_icon()
{
    Shell_NotifyIconA(NIM_DELETE, &tray_icon);
}
