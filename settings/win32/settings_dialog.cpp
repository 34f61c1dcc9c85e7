// The settings dialog: the one place where the user edits Settings.
#include "settings/win32/settings_dialog.h"

#include <commdlg.h>

#include <cstddef>
#include <cstdint>

#include "resources/resource_ids.h"
#include "settings/settings.h"

namespace {

HINSTANCE dialog_instance;

struct edit_field {
    int id;
    char* field;
    // Given to WM_GETTEXT. It counts the NUL, so a text keeps at most
    // count - 1 of its characters.
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
    for (const edit_field& edit : edit_fields)
        SendDlgItemMessageA(dialog, edit.id, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(edit.field));
    // A Timer not offered (0, or one typed into the registry) checks none.
    for (const auto& interval : intervals)
        if (interval.minutes == Settings.Timer)
            SendDlgItemMessageA(dialog, interval.id, BM_SETCHECK, BST_CHECKED, 0);
}

void take_settings(HWND dialog)
{
    for (const edit_field& edit : edit_fields)
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
    if (GetOpenFileNameA(&request))
        SendDlgItemMessageA(dialog, edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(file_name));
}

INT_PTR CALLBACK settings_dialog_procedure(HWND dialog, UINT message, WPARAM wparam, LPARAM)
{
    if (message == WM_INITDIALOG) {
        show_settings(dialog);
        return TRUE;
    }
    if (message != WM_COMMAND)
        return FALSE;
    switch (LOWORD(wparam)) {
    case IDOK:
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

void run_settings_dialog(HINSTANCE instance, HWND owner)
{
    dialog_instance = instance;
    DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_SETTINGS), owner, settings_dialog_procedure, 0);
}
