#include "tests/doubles/process_double.h"

static process_double* active_process = nullptr;

static os_status record_open(const char* path)
{
    active_process->opened.push_back(path);
    if (active_process->on_open)
        active_process->on_open();
    return active_process->fails ? os_failed : os_ok;
}

static const os_process_calls recording_process = {record_open};

process_double::process_double() : previous(os_process)
{
    active_process = this;
    os_process = &recording_process;
}

process_double::~process_double()
{
    os_process = previous;
    active_process = nullptr;
}
