#include "reservation/hand_off.h"

#include "platform/process.h"

void hand_off_reservation()
{
    // Whether it started is not looked at: nothing here could do better.
    char command_line[] = "rundll32.exe url.dll,FileProtocolHandler Tobalin.tvpi";
    os_process->start(command_line);
}
