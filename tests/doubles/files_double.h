#ifndef TOBALIN_TESTS_FILES_DOUBLE_H
#define TOBALIN_TESTS_FILES_DOUBLE_H

#include <string>

#include "platform/files.h"

// Serves one text from memory for any path, or fails as a read that cannot
// be done (the faults of allocation and reading); writes go to disk.
// Installed while it lives.
struct files_double {
    explicit files_double(std::string text = "", os_status result = os_ok);
    ~files_double();
    std::string text;
    os_status result;

private:
    const os_files_calls* previous;
};

#endif
