#include "tests/doubles/registry_double.h"

#include <cstring>
#include <map>
#include <string>

namespace {

struct stored {
    uint32_t type;
    std::string data;
};
using key_values = std::map<std::string, stored>;
std::map<std::string, key_values> keys;  // by root and path

key_values& values_of(os_reg_key key)
{
    return *reinterpret_cast<key_values*>(key);
}

std::string key_name(os_reg_root root, const char* path)
{
    return std::to_string(root) + path;
}

os_status open_key(os_reg_root root, const char* path, os_reg_key* key)
{
    auto found = keys.find(key_name(root, path));
    if (found == keys.end())
        return os_not_found;
    *key = reinterpret_cast<os_reg_key>(&found->second);
    return os_ok;
}

os_status create_key(os_reg_root root, const char* path, os_reg_key* key)
{
    *key = reinterpret_cast<os_reg_key>(&keys[key_name(root, path)]);
    return os_ok;
}

os_status query_value(os_reg_key key, const char* name, uint32_t* type, void* data, uint32_t* size)
{
    auto found = values_of(key).find(name);
    if (found == values_of(key).end())
        return os_not_found;
    const std::string& bytes = found->second.data;
    if (type)
        *type = found->second.type;
    bool fits = bytes.size() <= *size;
    *size = static_cast<uint32_t>(bytes.size());
    if (!fits)
        return os_failed;  // ERROR_MORE_DATA
    memcpy(data, bytes.data(), bytes.size());
    return os_ok;
}

os_status set_value(os_reg_key key, const char* name, uint32_t type, const void* data, uint32_t size)
{
    values_of(key)[name] = stored{type, std::string(static_cast<const char*>(data), size)};
    return os_ok;
}

void close_key(os_reg_key) {}

// The fault wrapper, around the registry that was in use.
registry_faults*& active = registry_faults::active;
const os_registry_calls* inner = nullptr;

// Counts the call: os_ok when it may go on to the wrapped registry.
os_status fault(bool machine_root = false)
{
    if (++active->calls == active->fail_call)
        return os_failed;
    return machine_root && active->deny_local_machine ? os_denied : os_ok;
}

// Each call: the fault, or the wrapped registry's answer.
const os_registry_calls faulty_registry = {
    [](os_reg_root root, const char* path, os_reg_key* key) {
        os_status status = fault(root == os_local_machine);
        return status != os_ok ? status : inner->open_key(root, path, key);
    },
    [](os_reg_root root, const char* path, os_reg_key* key) {
        os_status status = fault(root == os_local_machine);
        return status != os_ok ? status : inner->create_key(root, path, key);
    },
    [](os_reg_key key, const char* name, uint32_t* type, void* data, uint32_t* size) {
        os_status status = fault();
        return status != os_ok ? status : inner->query_value(key, name, type, data, size);
    },
    [](os_reg_key key, const char* name, uint32_t type, const void* data, uint32_t size) {
        os_status status = fault();
        return status != os_ok ? status : inner->set_value(key, name, type, data, size);
    },
    [](os_reg_key key) { inner->close_key(key); },
};

}  // namespace

const os_registry_calls memory_registry = {open_key, create_key, query_value, set_value, close_key};

void memory_registry_clear()
{
    keys.clear();
}

registry_faults::registry_faults() : installed(os_registry, faulty_registry)
{
    inner = replaced();
}
