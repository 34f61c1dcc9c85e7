#include "tests/doubles/files_double.h"

#include <cstdlib>
#include <cstring>

static files_double* active_files = nullptr;

static os_status read_from_memory(const char*, char** block, size_t* length)
{
    if (active_files->result != os_ok)
        return active_files->result;
    const std::string& text = active_files->text;
    char* copy = static_cast<char*>(malloc(text.size() + os_file_slack));
    if (!copy)
        return os_failed;
    memcpy(copy, text.data(), text.size());
    copy[text.size()] = '\0';
    *block = copy;
    *length = text.size();
    return os_ok;
}

// Writing is not what this double is for: it goes to the real files.
static os_status write_to_disk(const char* path, const void* bytes, size_t length)
{
    return os_native_files.write_whole_file(path, bytes, length);
}

static const os_files_calls memory_files = {read_from_memory, write_to_disk};

files_double::files_double(std::string served, os_status outcome)
    : text(std::move(served)), result(outcome), previous(os_files)
{
    active_files = this;
    os_files = &memory_files;
}

files_double::~files_double()
{
    os_files = previous;
    active_files = nullptr;
}
