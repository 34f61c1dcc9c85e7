#include "tests/doubles/registry_double.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace {

// Key and value names are not case-sensitive in the registry.
std::string folded(const char* name)
{
    std::string s(name);
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return static_cast<char>(tolower(c)); });
    return s;
}

struct stored {
    uint32_t type;
    std::vector<char> data;
};
using key_values = std::map<std::string, stored>;
std::map<std::string, key_values> keys;

std::string key_name(os_reg_root root, const char* path)
{
    return (root == os_local_machine ? "hklm\\" : "hkcu\\") + folded(path);
}

os_status open_key(os_reg_root root, const char* path, os_reg_key* key)
{
    auto found = keys.find(key_name(root, path));
    *key = found == keys.end() ? nullptr : reinterpret_cast<os_reg_key>(&found->second);
    return *key ? os_ok : os_not_found;
}

os_status create_key(os_reg_root root, const char* path, os_reg_key* key)
{
    *key = reinterpret_cast<os_reg_key>(&keys[key_name(root, path)]);
    return os_ok;
}

os_status query_value(os_reg_key key, const char* name, uint32_t* type, void* data, uint32_t* size)
{
    key_values& values = *reinterpret_cast<key_values*>(key);
    auto found = values.find(folded(name));
    if (found == values.end())
        return os_not_found;
    uint32_t capacity = *size;
    *size = static_cast<uint32_t>(found->second.data.size());
    if (type)
        *type = found->second.type;
    if (*size > capacity)
        return os_failed;  // ERROR_MORE_DATA
    if (*size)
        memcpy(data, found->second.data.data(), *size);
    return os_ok;
}

os_status set_value(os_reg_key key, const char* name, uint32_t type, const void* data, uint32_t size)
{
    const char* bytes = static_cast<const char*>(data);
    (*reinterpret_cast<key_values*>(key))[folded(name)] = stored{type, std::vector<char>(bytes, bytes + size)};
    return os_ok;
}

void close_key(os_reg_key) {}

// The fault wrapper; one at a time.
registry_faults* active = nullptr;
const os_registry_calls* inner = nullptr;

// Counts the call; true when it is the one to fail.
bool nth_call_fails()
{
    return ++active->calls == active->fail_call;
}

bool denied(os_reg_root root)
{
    return root == os_local_machine && active->deny_local_machine;
}

os_status faulty_open_key(os_reg_root root, const char* path, os_reg_key* key)
{
    if (nth_call_fails())
        return os_failed;
    return denied(root) ? os_denied : inner->open_key(root, path, key);
}

os_status faulty_create_key(os_reg_root root, const char* path, os_reg_key* key)
{
    if (nth_call_fails())
        return os_failed;
    return denied(root) ? os_denied : inner->create_key(root, path, key);
}

os_status faulty_query_value(os_reg_key key, const char* name, uint32_t* type, void* data, uint32_t* size)
{
    return nth_call_fails() ? os_failed : inner->query_value(key, name, type, data, size);
}

os_status faulty_set_value(os_reg_key key, const char* name, uint32_t type, const void* data, uint32_t size)
{
    return nth_call_fails() ? os_failed : inner->set_value(key, name, type, data, size);
}

void faulty_close_key(os_reg_key key)
{
    inner->close_key(key);
}

const os_registry_calls faulty_registry = {faulty_open_key, faulty_create_key, faulty_query_value, faulty_set_value,
                                           faulty_close_key};

}  // namespace

const os_registry_calls memory_registry = {open_key, create_key, query_value, set_value, close_key};

void memory_registry_clear()
{
    keys.clear();
}

registry_faults::registry_faults() : wrapped(os_registry)
{
    active = this;
    inner = wrapped;
    os_registry = &faulty_registry;
}

registry_faults::~registry_faults()
{
    os_registry = wrapped;
    active = nullptr;
}
