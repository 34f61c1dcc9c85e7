#include "tests/doubles/process_double.h"

static process_double* active_process = nullptr;

static os_status record_start(char* command_line)
{
    active_process->started.push_back(command_line);
    if (active_process->on_start)
        active_process->on_start();
    return os_ok;
}

static const os_process_calls recording_process = {record_start};

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
