// Opening a file with its application (KERNEL32).
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/process.h"

static os_status open_with_application(const char* path)
{
    // CreateProcessA may write into the command line: a block of its own.
    static const char handler[] = "rundll32.exe url.dll,FileProtocolHandler ";
    size_t size = strlen(handler) + strlen(path) + 1;
    char* command_line = static_cast<char*>(malloc(size));
    if (!command_line)
        return os_failed;
    snprintf(command_line, size, "%s%s", handler, path);
    STARTUPINFOA startup;
    ZeroMemory(&startup, sizeof startup);
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started;
    BOOL created = CreateProcessA(nullptr, command_line, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &started);
    free(command_line);
    if (!created)
        return os_failed;
    CloseHandle(started.hThread);
    CloseHandle(started.hProcess);
    return os_ok;
}

const os_process_calls os_native_process = {open_with_application};
