// The demo's hand on the running program, under Wine: it clicks the tray
// icon the way the taskbar passes a click on, opens and closes the tray
// menu, quits the program from it, and reads the icon's tip where the user
// reads it, in the taskbar. It also makes the demo's own certificate
// authority trusted in the demo's Wine prefix, and nowhere else.
//
//   tray_remote wait     until the program's icon is in the taskbar
//   tray_remote click    a left click: one poll; prints the tip once it tells
//                        how the poll went
//   tray_remote menu     a right click on the icon: the tray menu opens
//   tray_remote quit     closes the menu if it is open, quits the program
//                        from its menu command and waits for it to end
//   tray_remote trust PEM  adds the root certificate in the PEM file (a Linux
//                        path) to this Wine prefix's root store
//
// Exits 0 when it saw what it waited for or the certificate was added, 1
// otherwise.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "demo/program_remote.h"
#include "resources/resource_ids.h"
#include "tests/support/test_host.h"

namespace {

void print_utf8(const std::wstring& text)
{
    char bytes[512];
    int length = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), bytes, sizeof bytes,
                                     nullptr, nullptr);
    DWORD written;
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), bytes, static_cast<DWORD>(length), &written, nullptr);
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), "\n", 1, &written, nullptr);
}

}  // namespace

int main(int argc, char** argv)
{
    std::string command = argc >= 2 ? argv[1] : "";
    if (command == "trust" && argc == 3)
        return trust_root_certificate(argv[2]) ? 0 : 1;
    if (command == "wait")
        return eventually([] { return !program_tip().empty(); }, 30) ? 0 : 1;
    if (command == "click") {
        // The tip changes when the poll has ended; the first hand-off in a
        // fresh Wine prefix alone takes about ten seconds.
        std::wstring before = program_tip();
        click_program_icon(WM_LBUTTONDOWN);
        bool told = eventually([&] { return program_tip() != before; }, 180);
        print_utf8(program_tip());
        return told ? 0 : 1;
    }
    if (command == "menu") {
        // The menu opens at the cursor: put it just above the icon. On the
        // icon it would show the icon's tip, which would hide the menu.
        shown_icon icon;
        if (program_icon(&icon))
            SetCursorPos(icon.centre.x, icon.centre.y - 30);
        click_program_icon(WM_RBUTTONDOWN);
        return eventually(menu_open, 10) ? 0 : 1;
    }
    if (command == "quit") {
        if (menu_open()) {
            press(VK_ESCAPE);
            eventually([] { return !menu_open(); }, 5);
        }
        send_program_command(IDM_QUIT);
        return eventually([] { return !program_window(); }, 10) ? 0 : 1;
    }
    fprintf(stderr, "usage: tray_remote wait | click | menu | quit | trust PEM\n");
    return 2;
}
