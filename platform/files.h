#ifndef TOBALIN_PLATFORM_FILES_H
#define TOBALIN_PLATFORM_FILES_H

#include <cstddef>
#include <cstdint>

#include "platform/status.h"

// Reading the user's files (the TV station file, the batch script), writing
// the raw copy of a retrieved message and the programme-information file,
// and keeping the log.
struct os_files_calls {
    // Reads a whole file into one heap block of its size and a NUL, which
    // is stored after the bytes read; the caller releases the block with
    // free(). The file is opened for reading and shared for reading only, so
    // on Windows a file that another program holds open for writing is not
    // read. On failure nothing is allocated.
    os_status (*read_whole_file)(const char* path, char** block, size_t* length);

    // Makes bytes the whole content of the file at path, creating it when it
    // does not exist, exactly as given. The file is written over in place and
    // then cut to the length, never emptied first: emptying a file and writing
    // it again makes some file systems (ext4) flush it to disk at once.
    os_status (*write_whole_file)(const char* path, const void* bytes, size_t length);

    // Adds the bytes at the end of the file at path, creating it when it
    // does not exist, with one write: lines written this way are not mixed
    // with another writer's.
    os_status (*append_to_file)(const char* path, const void* bytes, size_t length);

    // The size of the file at path in bytes; os_not_found when there is none.
    os_status (*file_size)(const char* path, uint64_t* size);

    // Gives the file at from the name to, in place of any file of that name.
    os_status (*replace_file)(const char* from, const char* to);
};

extern const os_files_calls* os_files;
extern const os_files_calls os_native_files;

#endif
