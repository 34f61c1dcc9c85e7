#include "tests/doubles/files_double.h"

#include <cstdlib>
#include <cstring>

static os_status read_from_memory(const char* path, char** block, size_t* length)
{
    if (files_double::active->failing_path == path)
        return os_failed;
    auto found = files_double::active->files.find(path);
    if (found == files_double::active->files.end())
        return os_not_found;
    const std::string& text = found->second;
    char* copy = static_cast<char*>(malloc(text.size() + 1));
    memcpy(copy, text.data(), text.size());
    copy[text.size()] = '\0';
    *block = copy;
    *length = text.size();
    return os_ok;
}

static os_status write_to_memory(const char* path, const void* bytes, size_t length)
{
    if (files_double::active->failing_path == path)
        return os_failed;
    files_double::active->files[path].assign(static_cast<const char*>(bytes), length);
    return os_ok;
}

static os_status append_to_memory(const char* path, const void* bytes, size_t length)
{
    if (files_double::active->failing_path == path)
        return os_failed;
    files_double::active->files[path].append(static_cast<const char*>(bytes), length);
    return os_ok;
}

static os_status size_in_memory(const char* path, uint64_t* size)
{
    auto found = files_double::active->files.find(path);
    if (found == files_double::active->files.end())
        return os_not_found;
    *size = found->second.size();
    return os_ok;
}

static os_status rename_in_memory(const char* from, const char* to)
{
    auto found = files_double::active->files.find(from);
    if (found == files_double::active->files.end() || files_double::active->failing_path == to)
        return os_failed;
    files_double::active->files[to] = found->second;
    files_double::active->files.erase(from);
    return os_ok;
}

static const os_files_calls memory_files = {read_from_memory, write_to_memory, append_to_memory, size_in_memory,
                                            rename_in_memory};

files_double::files_double() : installed(os_files, memory_files) {}
