// The soak's driver, under Wine beside the running soak copy of the program
// (tobalin_soak.exe, started by bench/soak/run): it makes POLLS polls, each
// started as the taskbar passes on a left click on the tray icon, after it
// has filled the mailbox and set the front server (pop3_front.py) for one
// of the cases below, in turn. Half way it types TLS_SERVER into the POP
// field of the settings dialog, as a user does, and the second half of the
// polls goes over TLS. It measures the program's resources after the first
// poll, after the first round of cases of each half, every hundred polls
// and at the end of each half, then over an idle stretch, quits the program
// from its menu command and prints the figures.
//
//   soak_driver CONTROL_PORT MAILDIR STAGED WORK RECEIVED POLLS IDLE_SECONDS TLS_SERVER
//
// MAILDIR is Dovecot's maildir, STAGED a folder with the demo's mails as
// 1.eml to 7.eml, WORK the program's current folder, RECEIVED the stand-in
// recording application's log folder (all as Windows paths). Exits 0 when
// every poll ended as its case expects and the program quit; figures are
// printed, never judged.
#include <winsock2.h>

#include <windows.h>

#include <commctrl.h>
#include <psapi.h>
#include <shellapi.h>
#include <winternl.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "pop3/pop3_session.h"
#include "resources/resource_ids.h"
#include "demo/program_remote.h"

namespace {

// Set into the tip before each click; the program's own tip replaces it
// when the poll ends, even when its text is the same as the last one's.
const char tip_marker[] = "Tobaln soak";

// One kind of poll: how the front server behaves, what the mailbox holds
// (the staged mails 1 to 7 in this order; O a message listed above the
// bound and deleted unread; D one listed just below the bound that the
// server's dot-stuffing takes past it, cut and read to its end), and what
// the program must make of it.
struct soak_case {
    const char* name;
    const char* mode;
    const char* mails;
    int handed_on;            // reservations the recording application receives
    const wchar_t* outcome;   // the tip after "Tobaln HH:MM "
    bool file_blocked;        // Tobalin.tvpi cannot be written (a folder of that name)
    const wchar_t* outcome_over_tls;  // where TLS makes it another; else null
};

const wchar_t none[] = L"予約なし", one[] = L"予約1件", no_connection[] = L"サーバーに接続できません",
              silent[] = L"サーバーが応答しません", mailbox_error[] = L"メールボックスのエラー";

// One round; the polls go through it again and again.
const soak_case cases[] = {
    {"empty mailbox", "pass", "", 0, none, false, nullptr},
    {"resv, Gmail: multipart, UTF-8 base64", "pass", "1", 1, one, false, nullptr},
    {"junk (a newsletter)", "pass", "6", 0, none, false, nullptr},
    {"server stopped (refused)", "refuse", "", 0, no_connection, false, nullptr},
    {"programme information, ISO-2022-JP QP", "pass", "4", 1, one, false, nullptr},
    {"oversize message", "pass", "O", 0, none, false, nullptr},
    {"wrong password", "wrong-pass", "1", 0, L"ユーザー名かパスワードが違います", false, nullptr},
    {"six mails: 3 reservations, junk, cut", "pass", "23D567", 3, L"予約3件 無効1件", false, nullptr},
    {"-ERR at the greeting", "err-greeting", "1", 0, no_connection, false, nullptr},
    {"certificate from an unknown root", "unknown-ca", "", 0, none, false, L"証明書を確認できません"},
    {"silent server", "silent", "1", 0, silent, false, nullptr},
    {"Tobalin.tvpi cannot be written", "pass", "1", 0, L"予約ファイルを書けません", true, nullptr},
    {"-ERR to STAT", "err-stat", "1", 0, mailbox_error, false, nullptr},
    {"junk and oversize", "pass", "6O", 0, none, false, nullptr},
    {"silent after RETR", "silent-retr", "1", 0, silent, false, nullptr},
    {"connection cut in RETR's reply", "cut-retr", "1", 0, L"接続が切れました", false, nullptr},
    {"-ERR to DELE", "err-dele", "1", 1, mailbox_error, false, nullptr},
    {"programme information, EUC-JP", "pass", "5", 1, one, false, nullptr},
    {"reservation among junk", "pass", "617", 1, L"予約1件 無効1件", false, nullptr},
    {"empty mailbox", "pass", "", 0, none, false, nullptr},
};
const int round_length = static_cast<int>(sizeof cases / sizeof cases[0]);

std::string maildir, staged, work, received;
HWND program;
DWORD program_id;
HANDLE program_process;
int unix_pid;
SOCKET control = INVALID_SOCKET;

// ---- output ---------------------------------------------------------------

void print(const char* format, ...)
{
    va_list arguments;
    va_start(arguments, format);
    vprintf(format, arguments);
    va_end(arguments);
    fflush(stdout);
}

std::string utf8(const std::wstring& text)
{
    char bytes[512];
    int length = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), bytes, sizeof bytes,
                                     nullptr, nullptr);
    return std::string(bytes, static_cast<size_t>(length > 0 ? length : 0));
}

// ---- the tray icon's tip, where the user reads it --------------------------

bool set_marker_tip()
{
    NOTIFYICONDATAA icon = {};
    icon.cbSize = NOTIFYICONDATAA_V1_SIZE;
    icon.hWnd = program;
    icon.uID = IDI_PROGRAM;  // the tray icon's identifier
    icon.uFlags = NIF_TIP;
    strcpy(icon.szTip, tip_marker);
    return Shell_NotifyIconA(NIM_MODIFY, &icon) != FALSE;
}

// Whether the condition holds within the milliseconds, asked every step.
template <typename Condition>
bool within_ms(Condition condition, int milliseconds, int step = 20)
{
    for (int left = milliseconds; left > 0 && !condition(); left -= step)
        Sleep(static_cast<DWORD>(step));
    return condition();
}

// ---- the front server and the mailbox --------------------------------------

bool set_mode(const char* mode)
{
    std::string line = std::string(mode) + "\n";
    if (send(control, line.c_str(), static_cast<int>(line.size()), 0) != static_cast<int>(line.size()))
        return false;
    char reply[16];
    int got = 0;
    while (got < static_cast<int>(sizeof reply) - 1) {
        int n = recv(control, reply + got, 1, 0);
        if (n <= 0)
            return false;
        if (reply[got++] == '\n')
            break;
    }
    reply[got] = '\0';
    return strcmp(reply, "ok\n") == 0;
}

void empty_folder(const std::string& folder)
{
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            DeleteFileA((folder + "\\" + found.cFileName).c_str());
    } while (FindNextFileA(search, &found));
    FindClose(search);
}

bool write_file(const std::string& path, const std::string& bytes)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    bool whole = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
                 written == bytes.size();
    CloseHandle(file);
    return whole;
}

std::string read_file(const std::string& path)
{
    std::string bytes;
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return bytes;
    char block[4096];
    DWORD got;
    while (ReadFile(file, block, sizeof block, &got, nullptr) && got > 0)
        bytes.append(block, got);
    CloseHandle(file);
    return bytes;
}

// The two large mails, staged beside the demo's, sized by the program's
// bound: O is 40 KB above it; D's pairs of lines, 57 bytes, fill it to
// within 64 bytes, and each pair gains 2 dots on the wire.
bool stage_large_mails()
{
    std::string head = "From: soak@example.com\r\nSubject: large\r\nContent-Type: text/plain\r\n"
                       "Content-Transfer-Encoding: 7bit\r\n\r\n";
    const std::string pair = ".a line the server stuffs\r\n..and one already doubled\r\n";
    std::string dotted = head;
    while (dotted.size() + pair.size() <= pop3_message_limit - 64)
        dotted += pair;
    std::string oversize = head;
    while (oversize.size() <= pop3_message_limit + 40000)
        oversize += std::string(98, 'x') + "\r\n";
    return write_file(staged + "\\O.eml", oversize) && write_file(staged + "\\D.eml", dotted);
}

// Empties the maildir and puts the case's mails in, named so that the
// server numbers them in this order.
bool fill_mailbox(const soak_case& c, int poll)
{
    for (const char* sub : {"\\new", "\\cur", "\\tmp"})
        empty_folder(maildir + sub);
    int n = 0;
    for (const char* mail = c.mails; *mail; ++mail, ++n) {
        char name[64];
        snprintf(name, sizeof name, "\\new\\%06d%02d.M%dP1.soak", poll, n, n);
        if (!CopyFileA((staged + "\\" + *mail + ".eml").c_str(), (maildir + name).c_str(), FALSE))
            return false;
    }
    return true;
}

int recorder_receipts()
{
    std::string events = read_file(received + "\\events.txt");
    int count = 0;
    for (size_t at = 0; (at = events.find("received ", at)) != std::string::npos; ++at)
        ++count;
    return count;
}

// ---- the program's resources ------------------------------------------------

// SYSTEM_HANDLE_INFORMATION's entry as Windows and Wine give it on x64.
struct handle_entry {
    ULONG owner;
    BYTE type;
    BYTE flags;
    USHORT value;
    PVOID object;
    ACCESS_MASK access;
};

// Kernel handles the program holds, as the system-wide handle list gives
// them (GetProcessHandleCount answers 0 under Wine).
long handle_count()
{
    static std::vector<char> list(1 << 20);
    ULONG length = 0;
    NTSTATUS status;
    while ((status = NtQuerySystemInformation(static_cast<SYSTEM_INFORMATION_CLASS>(16), list.data(),
                                              static_cast<ULONG>(list.size()), &length)) ==
           static_cast<NTSTATUS>(0xC0000004))  // STATUS_INFO_LENGTH_MISMATCH
        list.resize(list.size() * 2);
    if (status != 0)
        return -1;
    ULONG count = *reinterpret_cast<ULONG*>(list.data());
    auto* entries = reinterpret_cast<handle_entry*>(list.data() + sizeof(ULONG_PTR));
    long mine = 0;
    for (ULONG i = 0; i < count; ++i)
        mine += entries[i].owner == program_id;
    return mine;
}

// GDI objects: the entries in use in the GDI handle table the program's PEB
// points to. Wine keeps a table in each process, so every entry in use is
// the program's; on Windows, where GetGuiResources answers, the table is
// shared.
long gdi_object_count()
{
    struct gdi_entry {
        UINT64 object;
        ULONG owner;
        USHORT unique;
        UCHAR type;
        UCHAR flags;
        UINT64 user;
    };
    const size_t table_entries = 0x10000, peb_gdi_table_offset = 0xF8;  // x64 PEB.GdiSharedHandleTable
    PROCESS_BASIC_INFORMATION basic;
    ULONG length;
    if (NtQueryInformationProcess(program_process, ProcessBasicInformation, &basic, sizeof basic, &length) != 0)
        return -1;
    UINT64 table = 0;
    if (!ReadProcessMemory(program_process, reinterpret_cast<char*>(basic.PebBaseAddress) + peb_gdi_table_offset,
                           &table, sizeof table, nullptr) ||
        table == 0)
        return -1;
    static std::vector<gdi_entry> entries(table_entries);
    if (!ReadProcessMemory(program_process, reinterpret_cast<void*>(table), entries.data(),
                           entries.size() * sizeof(gdi_entry), nullptr))
        return -1;
    long used = 0;
    for (const gdi_entry& entry : entries)
        used += entry.type != 0;
    return used;
}

long windows_counted;

BOOL CALLBACK count_child(HWND, LPARAM)
{
    ++windows_counted;
    return TRUE;
}

BOOL CALLBACK count_top_level(HWND window, LPARAM)
{
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == program_id) {
        ++windows_counted;
        EnumChildWindows(window, count_child, 0);
    }
    return TRUE;
}

// Windows the program owns: top-level, their children, and message-only.
long window_count()
{
    windows_counted = 0;
    EnumWindows(count_top_level, 0);
    for (HWND window = nullptr; (window = FindWindowExA(HWND_MESSAGE, window, nullptr, nullptr));)
        count_top_level(window, 0);
    return windows_counted;
}

// Committed private memory, region by region, as the program's own view of
// its address space shows it (PrivateUsage stays 0 under Wine).
long private_kb()
{
    SIZE_T bytes = 0;
    MEMORY_BASIC_INFORMATION region;
    for (char* at = nullptr; VirtualQueryEx(program_process, at, &region, sizeof region) == sizeof region;
         at = static_cast<char*>(region.BaseAddress) + region.RegionSize) {
        if (region.State == MEM_COMMIT && region.Type == MEM_PRIVATE)
            bytes += region.RegionSize;
        if (region.RegionSize == 0)
            break;
    }
    return static_cast<long>(bytes / 1024);
}

// Linux's view of the Wine process that runs the program, through Z:.
std::string proc_path(const char* what)
{
    return "Z:\\proc\\" + std::to_string(unix_pid) + "\\" + what;
}

long status_field(const std::string& status, const char* name)
{
    size_t at = status.find(std::string("\n") + name + ":");
    return at == std::string::npos ? -1 : atol(status.c_str() + at + strlen(name) + 2);
}

long entries_in(const std::string& folder)
{
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return -1;
    long count = 0;
    do
        count += strcmp(found.cFileName, ".") != 0 && strcmp(found.cFileName, "..") != 0;
    while (FindNextFileA(search, &found));
    FindClose(search);
    return count;
}

// The Wine process whose command line names the program's image.
int find_unix_pid()
{
    char image[MAX_PATH];
    DWORD size = MAX_PATH;
    if (!QueryFullProcessImageNameA(program_process, 0, image, &size) || !strrchr(image, '\\'))
        return 0;
    const char* image_name = strrchr(image, '\\');
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA("Z:\\proc\\*", &found);
    int pid = 0;
    if (search == INVALID_HANDLE_VALUE)
        return 0;
    do {
        if (found.cFileName[0] < '1' || found.cFileName[0] > '9')
            continue;
        // Wine gives the process the Windows path it was started by.
        std::string command = read_file(std::string("Z:\\proc\\") + found.cFileName + "\\cmdline").c_str();
        size_t name = command.find_last_of('\\');
        if (name != std::string::npos && _stricmp(command.c_str() + name, image_name) == 0)
            pid = atoi(found.cFileName);
    } while (!pid && FindNextFileA(search, &found));
    FindClose(search);
    return pid;
}

// The first three rows and the private committed bytes stand in for
// GetProcessHandleCount, GetGuiResources and GetProcessMemoryInfo's
// PrivateUsage, which Wine 8 answers with 0.
const char* const figure_names[] = {
    "handles (system handle list)",
    "GDI objects (GDI handle table)",
    "windows (top-level, child, message)",
    "GetProcessHandleCount",
    "GetGuiResources USER",
    "GetGuiResources GDI",
    "private committed KB (VirtualQueryEx)",
    "working set KB (GetProcessMemoryInfo)",
    "pagefile KB (GetProcessMemoryInfo)",
    "Linux VmRSS KB",
    "Linux RssAnon KB",
    "Linux VmData KB",
    "Linux threads",
    "Linux open file descriptors",
};
const int figure_count = static_cast<int>(sizeof figure_names / sizeof figure_names[0]);

struct snapshot {
    int after_poll;
    bool after_dialog;  // taken once the settings dialog has closed, before the next poll
    long figure[figure_count];
};

snapshot measure(int after_poll)
{
    PROCESS_MEMORY_COUNTERS memory = {};
    memory.cb = sizeof memory;
    GetProcessMemoryInfo(program_process, &memory, sizeof memory);
    std::string status = "\n" + read_file(proc_path("status"));
    DWORD handles = 0;
    GetProcessHandleCount(program_process, &handles);
    snapshot s = {after_poll, false,
                  {handle_count(), gdi_object_count(), window_count(), static_cast<long>(handles),
                   static_cast<long>(GetGuiResources(program_process, GR_USEROBJECTS)),
                   static_cast<long>(GetGuiResources(program_process, GR_GDIOBJECTS)), private_kb(),
                   static_cast<long>(memory.WorkingSetSize / 1024), static_cast<long>(memory.PagefileUsage / 1024),
                   status_field(status, "VmRSS"), status_field(status, "RssAnon"), status_field(status, "VmData"),
                   status_field(status, "Threads"), entries_in(proc_path("fd"))}};
    return s;
}

// A figure's change a poll between the snapshots after poll from and after
// poll to; 0 when either was not taken.
double per_poll(const std::vector<snapshot>& taken, int f, int from, int to)
{
    const snapshot *before = nullptr, *after = nullptr;
    for (const snapshot& s : taken) {
        if (s.after_poll == from && !s.after_dialog)
            before = &s;
        if (s.after_poll == to && !s.after_dialog)
            after = &s;
    }
    return before && after && to > from ? static_cast<double>(after->figure[f] - before->figure[f]) / (to - from)
                                        : 0.0;
}

// Each half's warm-up, its first round of cases, is left out of its
// figure a poll: the first polls load what later ones reuse (the TLS half,
// Schannel and the certificate store).
void print_snapshots(const std::vector<snapshot>& taken, int half, int polls)
{
    print("\nThe program's resources after poll N (the first poll; in each half, its first round of the %d "
          "cases, every hundred polls and its last poll; \"dialog\": once the settings dialog has switched to "
          "TLS; polls %d to %d over TLS):\n\n",
          round_length, half + 1, polls);
    print("%-38s", "after poll");
    for (const snapshot& s : taken) {
        if (s.after_dialog)
            print(" %8s", "dialog");
        else
            print(" %8d", s.after_poll);
    }
    print(" %8s %11s %11s\n", "delta", "plain/poll*", "TLS/poll*");
    for (int f = 0; f < figure_count; ++f) {
        print("%-38s", figure_names[f]);
        for (const snapshot& s : taken)
            print(" %8ld", s.figure[f]);
        print(" %+8ld %11.3f %11.3f\n", taken.back().figure[f] - taken.front().figure[f],
              per_poll(taken, f, round_length, half), per_poll(taken, f, half + round_length, polls));
    }
    print("\n* per poll after each half's first round: plain (after poll %d - after poll %d) / %d polls,\n"
          "  TLS (after poll %d - after poll %d) / %d polls; the warm-ups left out.\n"
          "  GetProcessHandleCount, GetGuiResources and GetProcessMemoryInfo's PrivateUsage answer 0 under Wine 8;\n"
          "  the first rows count what Wine offers in their place.\n",
          half, round_length, half - round_length, polls, half + round_length, polls - half - round_length);
}

// ---- idle -------------------------------------------------------------------

struct activity {
    double cpu_ns;  // time on a CPU, all threads
    long voluntary, involuntary;
    long threads;
};

// Summed over the process's threads: schedstat's first figure is the time
// the thread ran, in nanoseconds (stat's utime and stime count 10 ms ticks,
// too coarse for an idle minute).
activity current_activity()
{
    activity a = {0, 0, 0, 0};
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(proc_path("task\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return a;
    do {
        if (found.cFileName[0] == '.')
            continue;
        std::string task = proc_path("task\\") + found.cFileName;
        a.cpu_ns += atof(read_file(task + "\\schedstat").c_str());
        std::string status = "\n" + read_file(task + "\\status");
        a.voluntary += status_field(status, "voluntary_ctxt_switches");
        a.involuntary += status_field(status, "nonvoluntary_ctxt_switches");
        ++a.threads;
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return a;
}

void measure_idle(int seconds)
{
    print("\nIdle, %d s with nothing clicked (the program's Wine process, as Linux counts it):\n", seconds);
    activity before = current_activity();
    Sleep(static_cast<DWORD>(seconds) * 1000);
    activity after = current_activity();
    double cpu_ms = (after.cpu_ns - before.cpu_ns) / 1e6;
    long woken = after.voluntary - before.voluntary, preempted = after.involuntary - before.involuntary;
    print("  %-40s %8.2f ms a minute (%.2f ms in %d s)\n", "CPU time", cpu_ms * 60 / seconds, cpu_ms, seconds);
    print("  %-40s %8.2f a second (%ld in %d s, %ld thread%s)\n", "wake-ups (voluntary context switches)",
          static_cast<double>(woken) / seconds, woken, seconds, after.threads, after.threads == 1 ? "" : "s");
    print("  %-40s %8.2f a second\n", "preemptions (involuntary switches)", static_cast<double>(preempted) / seconds);
}

// ---- the settings dialog ------------------------------------------------------

// Types the server into the POP field of the settings dialog, as a user
// does (the edit marked as changed: OK saves only what the user changed),
// presses OK, and reads back what was saved.
bool set_server(const char* server)
{
    send_program_command(IDM_SETTINGS);
    HWND dialog = nullptr;
    if (!within_ms([&] { return IsWindowVisible(dialog = settings_dialog()) != FALSE; }, 10000))
        return false;
    type_into(dialog, IDC_POP, server);
    PostMessageA(GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
    if (!within_ms([&] { return !IsWindow(dialog); }, 10000))
        return false;
    char stored[128] = "";
    DWORD size = sizeof stored;
    return RegGetValueA(HKEY_LOCAL_MACHINE, "Software\\ZELKA\\Tobalin", "POP", RRF_RT_REG_SZ, nullptr, stored,
                        &size) == ERROR_SUCCESS &&
           strcmp(stored, server) == 0;
}

// ---- one poll -----------------------------------------------------------------

struct case_tally {
    int polls, as_expected;
    double seconds;
};

// Sets up the case, clicks, and waits for the tip to tell how the poll
// went; "" when it did not within two minutes.
std::wstring poll(const soak_case& c, int number, double* seconds)
{
    if (!fill_mailbox(c, number) || !set_mode(c.mode)) {
        print("poll %d: the mailbox or the front server could not be set up\n", number);
        return L"";
    }
    std::string blocker = work + "\\Tobalin.tvpi";
    if (c.file_blocked) {
        DeleteFileA(blocker.c_str());
        CreateDirectoryA(blocker.c_str(), nullptr);
    }
    if (!within_ms([] { return set_marker_tip() && program_tip() == L"Tobaln soak"; }, 10000)) {
        print("poll %d: the tip could not be marked\n", number);
        return L"";
    }
    LARGE_INTEGER start, end, frequency;
    QueryPerformanceCounter(&start);
    click_program_icon(WM_LBUTTONDOWN);
    std::wstring tip;
    within_ms([&] { return (tip = program_tip()) != L"Tobaln soak"; }, 120000);
    QueryPerformanceCounter(&end);
    QueryPerformanceFrequency(&frequency);
    *seconds = static_cast<double>(end.QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart);
    if (c.file_blocked)
        RemoveDirectoryA(blocker.c_str());
    return tip == L"Tobaln soak" ? L"" : tip;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 9) {
        fprintf(stderr,
                "usage: soak_driver CONTROL_PORT MAILDIR STAGED WORK RECEIVED POLLS IDLE_SECONDS TLS_SERVER\n");
        return 2;
    }
    maildir = argv[2];
    staged = argv[3];
    work = argv[4];
    received = argv[5];
    int polls = atoi(argv[6]), idle_seconds = atoi(argv[7]), half = polls / 2;
    const char* tls_server = argv[8];

    WSADATA winsock;
    WSAStartup(MAKEWORD(2, 2), &winsock);
    control = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in front = {};
    front.sin_family = AF_INET;
    front.sin_port = htons(static_cast<u_short>(atoi(argv[1])));
    front.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (connect(control, reinterpret_cast<sockaddr*>(&front), sizeof front) != 0) {
        print("soak: no front server on control port %s\n", argv[1]);
        return 1;
    }
    if (!stage_large_mails()) {
        print("soak: cannot stage the large mails in %s\n", staged.c_str());
        return 1;
    }
    if (!within_ms([] { return (program = program_window()) &&
                                !program_tip().empty(); },
                    60000, 100)) {
        print("soak: the program's icon did not appear\n");
        return 1;
    }
    GetWindowThreadProcessId(program, &program_id);
    program_process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ | SYNCHRONIZE, FALSE, program_id);
    unix_pid = find_unix_pid();
    print("soak: %d polls, %d cases in turn, polls %d to %d over TLS; the program is Windows process %lu, Linux "
          "process %d\n",
          polls, round_length, half + 1, polls, program_id, unix_pid);

    std::vector<snapshot> taken;
    case_tally tally[2][round_length] = {};  // in plain text, over TLS
    int handed_on = 0, unexpected = 0, unfinished = 0;
    DWORD started = GetTickCount();
    for (int number = 1; number <= polls; ++number) {
        bool over_tls = number > half;
        if (number == half + 1) {
            if (!set_server(tls_server)) {
                print("soak: the settings dialog did not save the server %s\n", tls_server);
                return 1;
            }
            print("  from poll %d: the server %s (TLS), typed into the settings dialog\n", number, tls_server);
            taken.push_back(measure(half));
            taken.back().after_dialog = true;
        }
        int index = (number - 1) % round_length;
        const soak_case& c = cases[index];
        const wchar_t* expected = over_tls && c.outcome_over_tls ? c.outcome_over_tls : c.outcome;
        case_tally& counted = tally[over_tls][index];
        double seconds = 0;
        std::wstring tip = poll(c, number, &seconds);
        counted.polls++;
        counted.seconds += seconds;
        if (tip.empty()) {
            ++unfinished;
            print("poll %d (%s): no end seen within two minutes\n", number, c.name);
            continue;
        }
        std::wstring outcome = tip.size() > 13 ? tip.substr(13) : tip;
        if (outcome == expected) {
            counted.as_expected++;
            handed_on += c.handed_on;
        } else if (++unexpected <= 10) {
            print("poll %d (%s): tip \"%s\", expected \"%s\"\n", number, c.name, utf8(tip).c_str(),
                  utf8(expected).c_str());
        }
        if (number == 1 || number == round_length || number == half || number == half + round_length ||
            number % 100 == 0 || number == polls)
            taken.push_back(measure(number));
        if (number % 50 == 0)
            print("  %d polls, %lu s\n", number, (GetTickCount() - started) / 1000);
    }
    double total = (GetTickCount() - started) / 1000.0;

    print("\nPolls by case (%.0f s in all, %.2f s a poll):\n\n", total, total / (polls > 0 ? polls : 1));
    print("  %-40s %27s   %27s\n", "", "------- plain text -------", "---------- TLS ----------");
    print("  %-40s %6s %11s %8s   %6s %11s %8s\n", "case", "polls", "as expected", "s a poll", "polls",
          "as expected", "s a poll");
    for (int i = 0; i < round_length; ++i) {
        print("  %-40s", cases[i].name);
        for (const case_tally& half_tally : {tally[0][i], tally[1][i]})
            print(" %6d %11d %8.2f  ", half_tally.polls, half_tally.as_expected,
                  half_tally.polls > 0 ? half_tally.seconds / half_tally.polls : 0.0);
        print("\n");
    }
    // The recording application may still be starting for the last one.
    within_ms([&] { return recorder_receipts() >= handed_on; }, 30000, 200);
    int receipts = recorder_receipts();
    print("\n  reservations handed on: %d expected, %d received by the recording application\n", handed_on,
          receipts);

    if (!taken.empty())
        print_snapshots(taken, half, polls);
    Sleep(2000);  // the last recording application and batch script are done
    if (idle_seconds > 0)
        measure_idle(idle_seconds);

    DWORD quit_started = GetTickCount();
    send_program_command(IDM_QUIT);
    DWORD code = 0;
    bool ended = WaitForSingleObject(program_process, 10000) == WAIT_OBJECT_0 &&
                 GetExitCodeProcess(program_process, &code);
    bool icon_gone = within_ms([] { return program_tip().empty(); }, 10000, 100);
    print("\nQuit from the menu command: %s with %lu after %lu ms; the icon %s.\n", ended ? "ended" : "still running",
          code, GetTickCount() - quit_started, icon_gone ? "is gone" : "is still shown");
    closesocket(control);
    WSACleanup();
    bool good = unexpected == 0 && unfinished == 0 && receipts == handed_on && ended && icon_gone;
    print("soak: %s\n", good ? "every poll ended as expected" : "SOME POLLS DID NOT END AS EXPECTED (see above)");
    return good ? 0 : 1;
}
