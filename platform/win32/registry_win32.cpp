// The settings store's registry calls on the real registry (ADVAPI32).
#include <windows.h>

#include <cstdlib>
#include <cstring>

#include "platform/registry.h"

static HKEY root_key(os_reg_root root)
{
    return root == os_current_user ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE;
}

static os_status status_of(LONG error)
{
    switch (error) {
    case ERROR_SUCCESS: return os_ok;
    case ERROR_FILE_NOT_FOUND: return os_not_found;
    case ERROR_ACCESS_DENIED: return os_denied;
    default: return os_failed;
    }
}

static os_status open_key(os_reg_root root, const char* path, os_reg_key* key)
{
    HKEY handle = nullptr;
    LONG error = RegOpenKeyExA(root_key(root), path, 0, KEY_ALL_ACCESS, &handle);
    *key = reinterpret_cast<os_reg_key>(handle);
    return status_of(error);
}

static os_status create_key(os_reg_root root, const char* path, os_reg_key* key)
{
    HKEY handle = nullptr;
    LONG error = RegCreateKeyExA(root_key(root), path, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                                 nullptr, &handle, nullptr);
    *key = reinterpret_cast<os_reg_key>(handle);
    return status_of(error);
}

static os_status query_value(os_reg_key key, const char* name, uint32_t* type, void* data, uint32_t* size)
{
    DWORD value_type = 0;
    DWORD length = *size;
    LONG error = RegQueryValueExA(reinterpret_cast<HKEY>(key), name, nullptr, &value_type,
                                  static_cast<BYTE*>(data), &length);
    *size = length;
    if (type)
        *type = value_type;
    return status_of(error);
}

static os_status set_value(os_reg_key key, const char* name, uint32_t type, const void* data, uint32_t size)
{
    if (type != REG_SZ)
        return status_of(RegSetValueExA(reinterpret_cast<HKEY>(key), name, 0, type,
                                        static_cast<const BYTE*>(data), size));
    // Windows counts a NUL that directly follows a text's data as part of
    // it. Store exactly the bytes given: copy them with a byte after them
    // that is not NUL. (A heap block, not a container: the shipped program
    // links no C++ exception support, which would double its size.)
    BYTE* text = static_cast<BYTE*>(malloc(size + 1));
    if (!text)
        return os_failed;
    memcpy(text, data, size);
    text[size] = 0xFF;
    os_status status = status_of(RegSetValueExA(reinterpret_cast<HKEY>(key), name, 0, type, text, size));
    free(text);
    return status;
}

static void close_key(os_reg_key key)
{
    RegCloseKey(reinterpret_cast<HKEY>(key));
}

const os_registry_calls os_native_registry = {open_key, create_key, query_value, set_value, close_key};
