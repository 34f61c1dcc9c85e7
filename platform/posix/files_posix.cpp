// Reading and writing whole files (POSIX).
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/files.h"

static os_status read_whole_file(const char* path, char** block, size_t* length)
{
    int fd = open(path, O_RDONLY);
    if (fd < 0)
        return errno == ENOENT ? os_not_found : os_failed;

    struct stat info;
    char* text = nullptr;
    if (fstat(fd, &info) == 0 && S_ISREG(info.st_mode))
        text = static_cast<char*>(malloc(static_cast<size_t>(info.st_size) + 1));
    if (!text) {
        close(fd);
        return os_failed;
    }
    // One read of the size, as on Windows; a short read is what was read.
    ssize_t got = read(fd, text, static_cast<size_t>(info.st_size));
    close(fd);
    if (got < 0) {
        free(text);
        return os_failed;
    }
    text[got] = '\0';
    *block = text;
    *length = static_cast<size_t>(got);
    return os_ok;
}

static os_status write_whole_file(const char* path, const void* bytes, size_t length)
{
    int fd = open(path, O_WRONLY | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0)
        return os_failed;
    const char* p = static_cast<const char*>(bytes);
    size_t left = length;
    while (left > 0) {
        ssize_t wrote = write(fd, p, left);
        if (wrote < 0 && errno == EINTR)
            continue;
        if (wrote <= 0)
            break;
        p += wrote;
        left -= static_cast<size_t>(wrote);
    }
    bool whole = left == 0 && ftruncate(fd, static_cast<off_t>(length)) == 0;
    if (close(fd) != 0)
        whole = false;
    return whole ? os_ok : os_failed;
}

static os_status append_to_file(const char* path, const void* bytes, size_t length)
{
    int fd = open(path, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0666);
    if (fd < 0)
        return os_failed;
    ssize_t wrote;
    do
        wrote = write(fd, bytes, length);
    while (wrote < 0 && errno == EINTR);
    bool whole = wrote >= 0 && static_cast<size_t>(wrote) == length;
    if (close(fd) != 0)
        whole = false;
    return whole ? os_ok : os_failed;
}

static os_status file_size(const char* path, uint64_t* size)
{
    struct stat info;
    if (stat(path, &info) != 0)
        return errno == ENOENT ? os_not_found : os_failed;
    *size = static_cast<uint64_t>(info.st_size);
    return os_ok;
}

static os_status replace_file(const char* from, const char* to)
{
    return rename(from, to) == 0 ? os_ok : os_failed;
}

const os_files_calls os_native_files = {read_whole_file, write_whole_file, append_to_file, file_size, replace_file};
