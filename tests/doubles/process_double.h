#ifndef TOBALIN_TESTS_PROCESS_DOUBLE_H
#define TOBALIN_TESTS_PROCESS_DOUBLE_H

#include <string>
#include <vector>

#include "platform/process.h"
#include "tests/doubles/installed.h"

// Records every file opened with its application instead of opening it.
// Installed while it lives.
struct process_double : installed<process_double, os_process_calls> {
    process_double();
    std::vector<std::string> opened;
    void (*on_open)() = nullptr;  // called for each, as an application started may do things
    bool fails = false;           // nothing can be started
};

#endif
