// The Windows program end to end, under Wine: started as a user starts it,
// its icon clicked the way the taskbar passes clicks on, its mails taken
// from a real Dovecot over TLS (port 995), followed to a stand-in recording
// application, its tip read where the user reads it, in the taskbar.
#include <windows.h>

#include <shellapi.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "demo/program_remote.h"
#include "resources/resource_ids.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_host.h"

namespace fs = std::filesystem;

namespace {

// The program lives in a folder with spaces, as under "Program Files".
const fs::path root = "C:\\Tobalin e2e", work = root / "work", recorded = root / "recorded";
const fs::path program = root / "program" / "tobalin.exe";

PROCESS_INFORMATION start(std::string command, const char* directory = nullptr)
{
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started = {};
    EXPECT_TRUE(CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, directory, &startup, &started))
        << command;
    return started;
}

std::wstring clock_now()
{
    SYSTEMTIME now;
    GetLocalTime(&now);
    wchar_t text[8];
    swprintf(text, 8, L"%02u:%02u", now.wHour, now.wMinute);
    return text;
}

// Clicks the icon and waits for the tip to tell of the poll: "Tobaln", the
// time the poll ended (checked here, then shown as HH:MM), what came of it.
std::wstring poll_by_click(int seconds)
{
    std::wstring before = program_tip(), started = clock_now();
    click_program_icon(WM_LBUTTONDOWN);
    eventually([&] { return program_tip() != before; }, seconds);
    std::wstring tip = program_tip(), ended = clock_now();
    if (tip.size() < 13)
        return tip;
    EXPECT_TRUE(tip.substr(7, 5) == started || tip.substr(7, 5) == ended) << tip;
    return tip.substr(0, 7) + L"HH:MM" + tip.substr(12);
}

// A picture of the screen among the test's artifacts, taken by ImageMagick,
// which Wine starts as the Unix program it is.
void screenshot(const std::string& name)
{
    std::string png = TOBALIN_SCREENSHOTS "/" + name + ".png";
    fs::remove("Z:" + png);
    Sleep(500);  // other programs paint their windows when they are idle
    start("Z:\\usr\\bin\\import -window root " + png);
    EXPECT_TRUE(eventually([&] { return fs::exists("Z:" + png); })) << name;
}

class tray_program : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (setting("TOBALIN_DOVECOT_TLS_PORT") != "995")
            GTEST_SKIP() << "run through CTest: a fresh prefix and Dovecot over TLS on port 995";
        ASSERT_TRUE(trust_root_certificate(setting("TOBALIN_DOVECOT_TLS_ROOT")));
        // The taskbar must be there before the program adds its icon.
        GetDesktopWindow();
        ASSERT_TRUE(eventually([] { return FindWindowA("Shell_TrayWnd", nullptr) != nullptr; }));
        std::error_code ignored;
        fs::remove_all(root, ignored);
        for (const fs::path& folder : {program.parent_path(), work, recorded})
            fs::create_directories(folder);
        for (const char* name : {"tobalin.exe", "tobalin-help.html"})
            fs::copy_file(fs::path("Z:" TOBALIN_PROGRAM_DIR) / name, program.parent_path() / name);
        write_file(root / "stations.txt", "8, ChannelEight\r\n");
        // The demo's batch script works the recorder as a user would.
        fs::copy_file(host_path(TOBALIN_BATCH_SCRIPT), root / "recorder.tbn");
        const std::string recorder = host_path(TOBALIN_RECORDER).string();
        const std::pair<const char*, std::string> classes[] = {{".tvpi", "TobalinTest.recorder"},
            {".html", "TobalinTest.recorder"},
            {"TobalinTest.recorder\\shell\\open\\command", "\"" + recorder + "\" \"" + recorded.string() + "\" \"%1\""}};
        for (const auto& entry : classes)
            RegSetValueA(HKEY_CLASSES_ROOT, entry.first, REG_SZ, entry.second.c_str(), static_cast<DWORD>(entry.second.size()));
        for (HKEY settings_root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER})
            RegDeleteTreeA(settings_root, "Software\\ZELKA");
    }

    void TearDown() override
    {
        if (process.hProcess && WaitForSingleObject(process.hProcess, 0) == WAIT_TIMEOUT)
            TerminateProcess(process.hProcess, 99);
    }

    // Quit from the menu's command: the process ends and its icon goes.
    void quit()
    {
        send_program_command(IDM_QUIT);
        ASSERT_EQ(WaitForSingleObject(process.hProcess, 10000), WAIT_OBJECT_0);
        DWORD code = 0;
        GetExitCodeProcess(process.hProcess, &code);
        EXPECT_EQ(code, 1u);
        EXPECT_TRUE(eventually([] { return program_tip().empty(); }));
    }

    PROCESS_INFORMATION process = {};
    const std::string user = setting("TOBALIN_DOVECOT_USER"), maildir = "Z:" + setting("TOBALIN_DOVECOT_MAILDIR");
    const std::string batch = (root / "recorder.tbn").string(), station = (root / "stations.txt").string();
};

// A reservation in the mailbox (CR LF line ends, which the server sends as
// they are), and what the recorder must receive of it. The demo's check
// follows more kinds of mail to the recorder.
const std::string reservation = "Content-Type: text/plain\r\n\r\nopen x prog add 20300615 2100 2154 8\r\n";
const std::string booked = "Content-type: application/x-tv-program-info; charset=shift_jis\r\nversion: 1\r\n"
                           "station: ChannelEight\r\nyear: 2030\r\nmonth: 6\r\ndate: 15\r\nstart: 21:00\r\n"
                           "end: 21:54\r\nprogram-title: Tobalin\x97\x5C\x96\xF1\r\nprogram-subtitle: \r\n"
                           "genre: \r\nsubgenre: \r\nExtend: 0\r\n\r\n";

TEST_F(tray_program, first_start_a_wrong_password_then_reservations_handed_on)
{
    // With no settings, the dialog comes first; it is shown once its
    // controls hold what the failed load left: no texts, 10 minutes.
    process = start("\"" + program.string() + "\"", work.string().c_str());
    HWND dialog = nullptr;
    ASSERT_TRUE(eventually([&] { return IsWindowVisible(dialog = settings_dialog()); }));
    EXPECT_EQ(program_tip(), L"") << "the icon appears once the settings are there";
    EXPECT_EQ(SendDlgItemMessageA(dialog, IDC_EVERY_10_MINUTES, BM_GETCHECK, 0, 0), BST_CHECKED);
    const std::pair<int, std::string> typed[] = {{IDC_POP, "localhost:995"}, {IDC_USER, user},
        {IDC_PASS, "wrong-pass"}, {IDC_BATCH, batch}, {IDC_STATION, station}};
    for (const auto& edit : typed)
        type_into(dialog, edit.first, edit.second.c_str());
    SendDlgItemMessageA(dialog, IDC_EVERY_60_MINUTES, BM_CLICK, 0, 0);
    screenshot("settings-dialog");
    PostMessageA(GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
    ASSERT_TRUE(eventually([] { return program_tip() == L"Tobaln"; }));

    // A click with Alt held is not a poll; one without is. Once the
    // program's thread answers, a poll the click started has ended.
    keybd_event(VK_MENU, 0, 0, 0);
    click_program_icon(WM_LBUTTONDOWN);
    Sleep(300);
    SendMessageTimeoutA(program_window(), WM_NULL, 0, 0, SMTO_BLOCK, 30000, nullptr);
    keybd_event(VK_MENU, 0, KEYEVENTF_KEYUP, 0);
    EXPECT_EQ(program_tip(), L"Tobaln");
    EXPECT_EQ(poll_by_click(15), L"Tobaln HH:MM ユーザー名かパスワードが違います");
    quit();

    // The right password, as stored by an earlier version or another
    // program, is read at the next start, with the server saved as typed.
    std::string pass = setting("TOBALIN_DOVECOT_PASS");
    for (char& c : pass)
        c ^= 0x4D;
    RegSetKeyValueA(HKEY_LOCAL_MACHINE, "Software\\ZELKA\\Tobalin", "Pass", REG_SZ, pass.c_str(),
                    static_cast<DWORD>(pass.size()));
    process = start("\"" + program.string() + "\"", work.string().c_str());
    ASSERT_TRUE(eventually([] { return program_tip() == L"Tobaln"; }));
    // A second copy ends at once and adds nothing.
    HWND first = program_window();
    EXPECT_EQ(WaitForSingleObject(start("\"" + program.string() + "\"").hProcess, 5000), WAIT_OBJECT_0);
    EXPECT_EQ(program_window(), first);
    EXPECT_EQ(shown_icons().size(), 1u);

    // Handed on from a working folder with spaces; the first hand-off in a
    // fresh prefix takes about ten seconds.
    write_file(maildir + "/new/1.M1P1.tobalin", reservation);
    EXPECT_EQ(poll_by_click(60), L"Tobaln HH:MM 予約1件");
    EXPECT_EQ(file_bytes(recorded / "events.txt"),
              "received 1 Tobalin.tvpi\nmessage 4294967295 -1 foreground yes\nclicked\n");
    EXPECT_EQ(file_bytes(recorded / "1.copy"), booked);
    for (const char* sub : {"/new", "/cur"})
        EXPECT_TRUE(fs::is_empty(maildir + sub)) << sub;
    const std::string raw = file_bytes(work / "Tobalin.tmp");  // "+OK ..." and the mail as received
    EXPECT_EQ(raw.substr(raw.find("\r\n") + 2), reservation + ".\r\n");

    // The menu at the cursor, off the icon so that its tip hides nothing;
    // its version item by its access key.
    shown_icon icon;
    ASSERT_TRUE(program_icon(&icon));
    SetCursorPos(icon.centre.x, icon.centre.y - 30);
    click_program_icon(WM_RBUTTONDOWN);
    EXPECT_TRUE(eventually(menu_open));
    screenshot("tray-menu");
    press('A');
    HWND version = nullptr;
    EXPECT_TRUE(eventually([&] { return (version = FindWindowA("#32770", "Version")) != nullptr; }));
    screenshot("version-box");
    PostMessageA(version, WM_CLOSE, 0, 0);
    EXPECT_TRUE(eventually([] { return FindWindowA("#32770", "Version") == nullptr; }));

    // The help page beside the program, in its folder with spaces.
    send_program_command(IDM_SUPPORT_PAGE);
    EXPECT_TRUE(eventually([&] { return fs::exists(recorded / "2.copy"); }, 30));
    EXPECT_EQ(file_bytes(recorded / "2.copy"), file_bytes(program.parent_path() / "tobalin-help.html"));
    quit();
}

// ---- The settings dialog; the icon of a program started ahead of the taskbar

// A settings value's type and bytes as the registry holds them, in UTF-16.
std::pair<DWORD, std::string> stored(const wchar_t* name)
{
    BYTE data[1200];
    DWORD type = 0, size = sizeof data;
    RegGetValueW(HKEY_LOCAL_MACHINE, L"Software\\ZELKA\\Tobalin", name, RRF_RT_ANY, &type, data, &size);
    return {type, std::string(data, data + size)};
}

void store(const wchar_t* name, DWORD type, const void* data, size_t size)
{
    RegSetKeyValueW(HKEY_LOCAL_MACHINE, L"Software\\ZELKA\\Tobalin", name, type, data, static_cast<DWORD>(size));
}

// The visible dialogs of the program, or those a window owns.
std::vector<HWND> dialogs(DWORD process_id, HWND owner = nullptr)
{
    std::vector<HWND> found;
    DWORD id = 0;
    for (HWND window = nullptr; (window = FindWindowExA(nullptr, window, "#32770", nullptr));)
        if (GetWindowThreadProcessId(window, &id) && id == process_id && IsWindowVisible(window) &&
            (!owner || GetWindow(window, GW_OWNER) == owner))
            found.push_back(window);
    return found;
}

TEST_F(tray_program, one_settings_dialog_that_saves_only_what_the_user_changed)
{
    // A Timer as text (as `reg add /t REG_SZ /d 5` stores it), which is no
    // Timer: the dialog opens at the start. A server name of the whole 100
    // characters, and a station file in a folder whose name code page 932
    // lacks, as a Japanese one on a Western system.
    const std::wstring timer = L"5", server(100, L'p'), station = L"C:\\Caf\u00e9\\stations.txt";
    for (auto value : {std::make_pair(L"Timer", &timer), {L"POP", &server}, {L"Station", &station}})
        store(value.first, REG_SZ, value.second->c_str(), value.second->size() * 2 + 2);
    const std::pair<DWORD, std::string> left_alone[] = {stored(L"POP"), stored(L"Station")};
    process = start("\"" + program.string() + "\"", work.string().c_str());
    HWND dialog = nullptr;
    ASSERT_TRUE(eventually([&] { return IsWindowVisible(dialog = settings_dialog()); }));

    // In the middle of the screen, the caret in the server's edit.
    RECT screen, box;
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &screen, 0);
    GetWindowRect(dialog, &box);
    EXPECT_NEAR(box.left + box.right, screen.left + screen.right, 1);
    EXPECT_NEAR(box.top + box.bottom, screen.top + screen.bottom, 1);
    GUITHREADINFO gui = {};
    gui.cbSize = sizeof gui;
    GetGUIThreadInfo(GetWindowThreadProcessId(dialog, nullptr), &gui);
    EXPECT_EQ(gui.hwndFocus, GetDlgItem(dialog, IDC_POP));
    screenshot("settings-dialog-at-start");
    for (auto limit : {std::make_pair(IDC_POP, 99), {IDC_SMTP, 99}, {IDC_USER, 29}, {IDC_PASS, 29}, {IDC_BATCH, 499},
                       {IDC_STATION, 499}, {IDC_PASS_MAIL, 29}})
        EXPECT_EQ(SendDlgItemMessageA(dialog, limit.first, EM_GETLIMITTEXT, 0, 0), limit.second) << limit.first;

    // The menu's settings and version commands open no second dialog.
    for (WPARAM command : {IDM_SETTINGS, IDM_SETTINGS, IDM_VERSION})
        PostMessageA(GetWindow(dialog, GW_OWNER), WM_COMMAND, command, 0);
    Sleep(500);
    EXPECT_EQ(dialogs(process.dwProcessId).size(), 1u);

    // A password it cannot store ("パス" in Shift_JIS) is refused; nothing is saved.
    type_into(dialog, IDC_PASS, "\x83\x70\x83\x58");
    PostMessageA(GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
    std::vector<HWND> refusal;
    ASSERT_TRUE(eventually([&] { return (refusal = dialogs(process.dwProcessId, dialog)).size() == 1; }));
    WCHAR said[100] = L"";
    SendDlgItemMessageW(refusal[0], 0xFFFF, WM_GETTEXT, 100, reinterpret_cast<LPARAM>(said));
    EXPECT_STREQ(said, L"パスワードには ASCII 文字 (半角の英数字と記号) だけが使えます。");
    PostMessageA(refusal[0], WM_COMMAND, IDOK, 0);
    EXPECT_TRUE(eventually([&] { return dialogs(process.dwProcessId, dialog).empty(); }));
    EXPECT_EQ(stored(L"Timer").first, static_cast<DWORD>(REG_SZ));

    // What the user changed is saved; what the user left alone stays as
    // stored, byte for byte.
    type_into(dialog, IDC_PASS, "pass word");
    PostMessageA(GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
    ASSERT_TRUE(eventually([] { return program_tip() == L"Tobaln"; }));
    EXPECT_EQ(stored(L"Timer"), std::make_pair(DWORD{REG_DWORD}, std::string(4, '\0')));
    EXPECT_EQ(stored(L"Pass").second, std::string("=\0,\0>\0>\0m\0:\0\"\0?\0)\0", 18));
    EXPECT_EQ(stored(L"POP"), left_alone[0]);
    EXPECT_EQ(stored(L"Station"), left_alone[1]);
    quit();

    // Quit while the dialog of the start is open: it closes, then the program ends.
    store(L"Timer", REG_SZ, timer.c_str(), 4);
    process = start("\"" + program.string() + "\"", work.string().c_str());
    ASSERT_TRUE(eventually([] { return IsWindowVisible(settings_dialog()); }));
    quit();
}

// A taskbar in front of the real one that refuses every icon, as the
// program meets it when it starts with Windows ahead of Explorer.
int icons_refused = 0;

LRESULT CALLBACK refusing_taskbar(HWND window, UINT message, WPARAM wparam, LPARAM lparam)
{
    icons_refused += message == WM_COPYDATA;
    return message == WM_COPYDATA ? FALSE : DefWindowProcA(window, message, wparam, lparam);
}

TEST_F(tray_program, started_ahead_of_the_taskbar_it_stays_and_adds_its_icon_when_the_taskbar_is_there)
{
    const DWORD no_timer = 0;
    store(L"Timer", REG_DWORD, &no_timer, 4);
    for (const wchar_t* name : {L"POP", L"SMTP", L"User", L"Pass", L"Batch", L"Station", L"PassMail"})
        store(name, REG_SZ, L"", 2);
    WNDCLASSA taskbar_class = {};
    taskbar_class.lpfnWndProc = refusing_taskbar;
    taskbar_class.lpszClassName = "Shell_TrayWnd";
    RegisterClassA(&taskbar_class);
    HWND taskbar = CreateWindowExA(WS_EX_TOPMOST, "Shell_TrayWnd", "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                   nullptr, nullptr);
    process = start("\"" + program.string() + "\"", work.string().c_str());
    // The first try and a retry, answered here.
    for (int tenths = 150; tenths > 0 && icons_refused < 2; --tenths) {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageA(&message);
        Sleep(100);
    }
    EXPECT_GE(icons_refused, 2);
    EXPECT_EQ(WaitForSingleObject(process.hProcess, 0), static_cast<DWORD>(WAIT_TIMEOUT));
    DestroyWindow(taskbar);
    PostMessageA(program_window(), RegisterWindowMessageA("TaskbarCreated"), 0, 0);
    EXPECT_TRUE(eventually([] { return program_tip() == L"Tobaln"; }));
    quit();
}

}  // namespace
