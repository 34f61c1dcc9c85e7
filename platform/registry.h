#ifndef TOBALIN_PLATFORM_REGISTRY_H
#define TOBALIN_PLATFORM_REGISTRY_H

#include <cstdint>

#include "platform/status.h"

// The registry calls of the settings store. On Windows this is the real
// registry; elsewhere it holds no keys, and tests install an in-memory one.

enum os_reg_root { os_local_machine, os_current_user };

// Value types, numbered as the registry numbers them.
enum : uint32_t { os_reg_sz = 1, os_reg_dword = 4 };

typedef struct os_reg_key_handle* os_reg_key;

struct os_registry_calls {
    // RegOpenKeyExA with full access.
    os_status (*open_key)(os_reg_root root, const char* path, os_reg_key* key);
    // RegCreateKeyExA: no class, non-volatile, full access, default security.
    os_status (*create_key)(os_reg_root root, const char* path, os_reg_key* key);
    // RegQueryValueExA. *size is the capacity of data on entry and the
    // length of the stored data on return; type may be null.
    os_status (*query_value)(os_reg_key key, const char* name, uint32_t* type, void* data, uint32_t* size);
    // RegSetValueExA.
    os_status (*set_value)(os_reg_key key, const char* name, uint32_t type, const void* data, uint32_t size);
    // RegCloseKey.
    void (*close_key)(os_reg_key key);
};

// The calls in use; tests point it at a double and back.
extern const os_registry_calls* os_registry;
extern const os_registry_calls os_native_registry;

#endif
