// Handing a written reservation to the recording application.
#include <cstring>

#include "automation/batch_script.h"
#include "platform/process.h"
#include "reservation/interpret_message.h"
#include "settings/settings.h"

int hand_off_reservation()
{
    // The shell's file-protocol handler opens the file with the application
    // registered for its type; it is not waited for.
    char command_line[] = "rundll32.exe url.dll,FileProtocolHandler Tobalin.tvpi";
    os_process->start(command_line);

    if (Settings.Batch[0] == '\0')
        return 0;
    return run_batch_file(Settings.Batch);
}
