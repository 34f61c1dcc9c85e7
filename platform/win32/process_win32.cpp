// Starting a program without waiting for it (KERNEL32).
#include <windows.h>

#include "platform/process.h"

static os_status start(char* command_line)
{
    STARTUPINFOA startup;
    ZeroMemory(&startup, sizeof startup);
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started;
    if (!CreateProcessA(nullptr, command_line, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &started))
        return os_failed;
    CloseHandle(started.hThread);
    CloseHandle(started.hProcess);
    return os_ok;
}

const os_process_calls os_native_process = {start};
