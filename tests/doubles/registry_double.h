#ifndef TOBALIN_TESTS_REGISTRY_DOUBLE_H
#define TOBALIN_TESTS_REGISTRY_DOUBLE_H

#include "platform/registry.h"
#include "tests/doubles/installed.h"

// An in-memory registry: the registry of the tests where the system has none.
extern const os_registry_calls memory_registry;
void memory_registry_clear();

// Wraps the registry in use while it lives: the n-th call (close not
// counted) fails, and the machine-wide root refuses access, as it does for a
// standard user on current Windows.
struct registry_faults : installed<registry_faults, os_registry_calls> {
    registry_faults();
    int fail_call = 0;  // 1-based; 0: none fails
    bool deny_local_machine = false;
    int calls = 0;
};

#endif
