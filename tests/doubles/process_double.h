#ifndef TOBALIN_TESTS_PROCESS_DOUBLE_H
#define TOBALIN_TESTS_PROCESS_DOUBLE_H

#include <string>
#include <vector>

#include "platform/process.h"

// Records the command line of every process started instead of starting
// it. Installed while it lives.
struct process_double {
    process_double();
    ~process_double();
    std::vector<std::string> started;
    void (*on_start)() = nullptr;  // called for each start, as a started program may do things

private:
    const os_process_calls* previous;
};

#endif
