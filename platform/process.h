#ifndef TOBALIN_PLATFORM_PROCESS_H
#define TOBALIN_PLATFORM_PROCESS_H

#include "platform/status.h"

struct os_process_calls {
    // Opens the file (or web page) with the application registered for its
    // type, as a double click would, without waiting for it. On Windows the
    // shell's file-protocol handler does it: "rundll32.exe
    // url.dll,FileProtocolHandler" and the path, started with CreateProcessA
    // (no inheritance, no creation flags, this process's environment and
    // current directory). On a Linux desktop xdg-open does. os_failed when
    // nothing could be started.
    os_status (*open_with_application)(const char* path);
};

extern const os_process_calls* os_process;
extern const os_process_calls os_native_process;

#endif
