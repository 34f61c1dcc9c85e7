#ifndef TOBALIN_PLATFORM_PROCESS_H
#define TOBALIN_PLATFORM_PROCESS_H

#include "platform/status.h"

struct os_process_calls {
    // CreateProcessA on a writable command line that names the program: no
    // inheritance, no creation flags, this process's environment and current
    // directory, a zero-filled STARTUPINFOA. The process is not waited for;
    // its handles are closed at once.
    os_status (*start)(char* command_line);
};

extern const os_process_calls* os_process;
extern const os_process_calls os_native_process;

#endif
