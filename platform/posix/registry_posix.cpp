// There is no registry here: no key can be opened or created. Tests
// install an in-memory registry in its place.
#include "platform/registry.h"

static os_status open_key(os_reg_root, const char*, os_reg_key* key)
{
    *key = nullptr;
    return os_not_found;
}

static os_status create_key(os_reg_root, const char*, os_reg_key* key)
{
    *key = nullptr;
    return os_denied;
}

static os_status query_value(os_reg_key, const char*, uint32_t*, void*, uint32_t*)
{
    return os_not_found;
}

static os_status set_value(os_reg_key, const char*, uint32_t, const void*, uint32_t)
{
    return os_failed;
}

static void close_key(os_reg_key) {}

const os_registry_calls os_native_registry = {open_key, create_key, query_value, set_value, close_key};
