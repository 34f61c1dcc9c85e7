#include "tests/doubles/process_double.h"

static os_status record_open(const char* path)
{
    process_double::active->opened.push_back(path);
    if (process_double::active->on_open)
        process_double::active->on_open();
    return process_double::active->fails ? os_failed : os_ok;
}

static const os_process_calls recording_process = {record_open};

process_double::process_double() : installed(os_process, recording_process) {}
