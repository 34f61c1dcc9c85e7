#ifndef TOBALIN_TESTS_FILES_DOUBLE_H
#define TOBALIN_TESTS_FILES_DOUBLE_H

#include <map>
#include <string>

#include "platform/files.h"
#include "tests/doubles/installed.h"

// Files in memory: a read gives what the map holds for the path (a path
// not in it does not exist), a write replaces it. Reads and writes of
// failing_path fail, as a file another program holds, a full disk or a
// folder without write access make them fail. Installed while it lives.
struct files_double : installed<files_double, os_files_calls> {
    files_double();
    std::map<std::string, std::string> files;
    std::string failing_path;
};

#endif
