// The settings dialog: the one place where the user edits Settings.
#include "settings/win32/settings_dialog.h"

#include <commdlg.h>

#include <cstddef>
#include <cstdint>

#include "resources/resource_ids.h"
#include "settings/settings.h"

namespace {

HINSTANCE dialog_instance;
HWND* shown_dialog;  // where the caller learns the dialog's window

struct edit_field {
    int id;
    char* field;
    // Given to WM_GETTEXT. It counts the NUL, so a text keeps at most
    // count - 1 of its characters, and the edit takes no more.
    int count;
};

const edit_field edit_fields[] = {
    {IDC_POP, Settings.POP, 100},       {IDC_SMTP, Settings.SMTP, 100},       {IDC_USER, Settings.User, 30},
    {IDC_PASS, Settings.Pass, 30},      {IDC_BATCH, Settings.Batch, 500},     {IDC_STATION, Settings.Station, 500},
    {IDC_PASS_MAIL, Settings.PassMail, 30},
};

// The poll intervals offered, in the order OK asks the buttons.
const struct {
    int id;
    uint32_t minutes;
} intervals[] = {
    {IDC_EVERY_MINUTE, 1},      {IDC_EVERY_5_MINUTES, 5},   {IDC_EVERY_10_MINUTES, 10},
    {IDC_EVERY_30_MINUTES, 30}, {IDC_EVERY_60_MINUTES, 60},
};

const char batch_filter[] = "Tobalin Batch File\0*.tbn\0All Files\0*.*\0";
const char station_filter[] = "TV Station File\0*.txt\0All Files\0*.*\0";

// The record as Windows 95 and NT 4 knew it, without the later reserved
// fields: every version takes it.
constexpr DWORD first_version_size = offsetof(OPENFILENAMEA, lpTemplateName) + sizeof(LPCSTR);
static_assert(sizeof(void*) != 4 || first_version_size == 76, "the 32-bit program passes 76 bytes");

void show_settings(HWND dialog)
{
    for (const edit_field& edit : edit_fields) {
        SendDlgItemMessageA(dialog, edit.id, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(edit.field));
        // After the text, which may be a stored one longer than the limit:
        // it is shown whole and kept unless the user edits it.
        SendDlgItemMessageA(dialog, edit.id, EM_LIMITTEXT, static_cast<WPARAM>(edit.count - 1), 0);
    }
    // A Timer not offered (0, or one typed into the registry) checks none.
    for (const auto& interval : intervals)
        if (interval.minutes == Settings.Timer)
            SendDlgItemMessageA(dialog, interval.id, BM_SETCHECK, BST_CHECKED, 0);
}

// The dialog's owner is the hidden main window, of no size at the screen's
// corner: the dialog would open there.
void centre_on_screen(HWND dialog)
{
    RECT screen, box;
    if (!SystemParametersInfoA(SPI_GETWORKAREA, 0, &screen, 0) || !GetWindowRect(dialog, &box))
        return;
    int x = (screen.left + screen.right - (box.right - box.left)) / 2;
    int y = (screen.top + screen.bottom - (box.bottom - box.top)) / 2;
    SetWindowPos(dialog, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// The edit of a password the user typed with a character outside ASCII,
// or 0. Passwords are stored XORed byte by byte as text of the ANSI code
// page; a byte above 0x7F scrambled so is rarely a character that code page
// has, and the registry's conversion drops it. The text is asked for in
// Unicode: as ANSI, a character the code page lacks would read as "?".
int password_not_ascii(HWND dialog)
{
    static const int passwords[] = {IDC_PASS, IDC_PASS_MAIL};
    for (int id : passwords) {
        WCHAR text[64];
        if (!SendDlgItemMessageA(dialog, id, EM_GETMODIFY, 0, 0))
            continue;
        LRESULT length = SendDlgItemMessageW(dialog, id, WM_GETTEXT, 64, reinterpret_cast<LPARAM>(text));
        for (LRESULT i = 0; i < length; ++i)
            if (text[i] > 0x7F)
                return id;
    }
    return 0;
}

// Says that only ASCII can be stored and puts the caret into the password;
// the dialog stays open.
void refuse_password(HWND dialog, int edit)
{
    char text[128] = "", caption[64] = "";
    LoadStringA(dialog_instance, IDS_PASSWORD_NOT_ASCII, text, sizeof text);
    GetWindowTextA(dialog, caption, sizeof caption);
    MessageBoxA(dialog, text, caption, MB_OK | MB_ICONEXCLAMATION);
    SendMessageA(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(GetDlgItem(dialog, edit)), TRUE);
}

void take_settings(HWND dialog)
{
    // An edit the user left alone keeps its field's bytes exactly: shown
    // and read back through the ANSI code page, a text can come back other
    // than it was (cut to the count, or "?" for what the code page lacks).
    for (const edit_field& edit : edit_fields)
        if (SendDlgItemMessageA(dialog, edit.id, EM_GETMODIFY, 0, 0))
            SendDlgItemMessageA(dialog, edit.id, WM_GETTEXT, edit.count, reinterpret_cast<LPARAM>(edit.field));
    // With none checked, Timer stays as it was.
    for (const auto& interval : intervals) {
        if (SendDlgItemMessageA(dialog, interval.id, BM_GETCHECK, 0, 0) == BST_CHECKED) {
            Settings.Timer = interval.minutes;
            break;
        }
    }
}

// Lets the user pick a file for the edit; the choice reaches Settings only
// with OK. The current directory stays where it was: the program writes
// Tobalin.tmp and Tobalin.tvpi there, and a folder the user merely looked
// into may be one it cannot write.
void browse(HWND dialog, int edit, const char* filter, const char* extension)
{
    char file_name[1000];
    SendDlgItemMessageA(dialog, edit, WM_GETTEXT, sizeof file_name, reinterpret_cast<LPARAM>(file_name));
    OPENFILENAMEA request;
    ZeroMemory(&request, sizeof request);
    request.lStructSize = first_version_size;
    request.hwndOwner = dialog;
    request.hInstance = dialog_instance;
    request.lpstrFilter = filter;
    request.nFilterIndex = 1;
    request.lpstrFile = file_name;
    request.nMaxFile = sizeof file_name;
    request.Flags = OFN_PATHMUSTEXIST | OFN_LONGNAMES | OFN_NOCHANGEDIR;
    request.lpstrDefExt = extension;
    if (GetOpenFileNameA(&request)) {
        SendDlgItemMessageA(dialog, edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(file_name));
        // WM_SETTEXT clears the flag, but the user chose this path.
        SendDlgItemMessageA(dialog, edit, EM_SETMODIFY, TRUE, 0);
    }
}

INT_PTR CALLBACK settings_dialog_procedure(HWND dialog, UINT message, WPARAM wparam, LPARAM)
{
    if (message == WM_INITDIALOG) {
        *shown_dialog = dialog;
        show_settings(dialog);
        centre_on_screen(dialog);
        // Opened at the start, the program has just been started by the
        // user and may come to the front; from the menu it is there already.
        SetForegroundWindow(dialog);
        // The template's first control, OK, would take the focus: typing
        // would not reach the server's edit, and a space would press OK.
        SetFocus(GetDlgItem(dialog, IDC_POP));
        return FALSE;
    }
    if (message != WM_COMMAND)
        return FALSE;
    switch (LOWORD(wparam)) {
    case IDOK:
        if (int edit = password_not_ascii(dialog)) {
            refuse_password(dialog, edit);
            return TRUE;
        }
        take_settings(dialog);
        save_settings();
        EndDialog(dialog, 0);
        return TRUE;
    case IDCANCEL:
        EndDialog(dialog, 0);
        return TRUE;
    case IDC_BROWSE_BATCH:
        browse(dialog, IDC_BATCH, batch_filter, "tbn");
        break;
    case IDC_BROWSE_STATION:
        browse(dialog, IDC_STATION, station_filter, "txt");
        break;
    }
    return FALSE;
}

}  // namespace

void run_settings_dialog(HINSTANCE instance, HWND owner, HWND* shown)
{
    dialog_instance = instance;
    shown_dialog = shown;
    DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_SETTINGS), owner, settings_dialog_procedure, 0);
}
