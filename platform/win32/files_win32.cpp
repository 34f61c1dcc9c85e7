// Reading and writing whole files (KERNEL32).
#include <windows.h>

#include <cstdlib>

#include "platform/files.h"

static os_status read_whole_file(const char* path, char** block, size_t* length)
{
    // Shared for reading only: a file someone is still writing is not read.
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return GetLastError() == ERROR_FILE_NOT_FOUND ? os_not_found : os_failed;

    DWORD size = GetFileSize(file, nullptr);
    char* text = size == INVALID_FILE_SIZE ? nullptr : static_cast<char*>(malloc(size_t{size} + 1));
    if (!text) {
        CloseHandle(file);
        return os_failed;
    }
    DWORD got = 0;
    if (!ReadFile(file, text, size, &got, nullptr)) {
        free(text);
        CloseHandle(file);
        return os_failed;
    }
    CloseHandle(file);
    text[got] = '\0';
    *block = text;
    *length = got;
    return os_ok;
}

static os_status write_whole_file(const char* path, const void* bytes, size_t length)
{
    HANDLE file = CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return os_failed;
    DWORD written = 0;
    bool whole = WriteFile(file, bytes, static_cast<DWORD>(length), &written, nullptr) && written == length &&
                 SetEndOfFile(file);
    CloseHandle(file);
    return whole ? os_ok : os_failed;
}

static os_status append_to_file(const char* path, const void* bytes, size_t length)
{
    // Append access alone: every write lands at the end, whoever else writes.
    HANDLE file = CreateFileA(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return os_failed;
    DWORD written = 0;
    bool whole = WriteFile(file, bytes, static_cast<DWORD>(length), &written, nullptr) && written == length;
    CloseHandle(file);
    return whole ? os_ok : os_failed;
}

static os_status file_size(const char* path, uint64_t* size)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path, GetFileExInfoStandard, &data)) {
        DWORD error = GetLastError();
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? os_not_found : os_failed;
    }
    *size = uint64_t{data.nFileSizeHigh} << 32 | data.nFileSizeLow;
    return os_ok;
}

static os_status replace_file(const char* from, const char* to)
{
    return MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING) ? os_ok : os_failed;
}

const os_files_calls os_native_files = {read_whole_file, write_whole_file, append_to_file, file_size, replace_file};
