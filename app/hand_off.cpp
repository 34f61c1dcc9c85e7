#include "app/hand_off.h"

#include <cstdlib>
#include <cstring>

#include "common/crlf_lines.h"
#include "platform/files.h"
#include "platform/process.h"

const char programme_file_name[] = "Tobalin.tvpi";

bool write_programme_file(const char* text)
{
    size_t length = strlen(text);
    char* lines = static_cast<char*>(malloc(crlf_room(length)));
    if (!lines)
        return false;
    size_t count = crlf_lines(text, length, lines);
    os_status status = os_files->write_whole_file(programme_file_name, lines, count);
    free(lines);
    return status == os_ok;
}

bool hand_off_reservation()
{
    // By its name in the working folder, which the started handler shares.
    return os_process->open_with_application(programme_file_name) == os_ok;
}
