// Opening a file with its application, as a Linux desktop does: xdg-open,
// found on PATH, started without waiting for it.
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/process.h"

static os_status open_with_application(const char* path)
{
    // Started through a short-lived middle process, so that the program
    // runs on by itself and leaves no zombie behind.
    int ready[2];
    if (pipe(ready) != 0)
        return os_failed;
    pid_t middle = fork();
    if (middle < 0) {
        close(ready[0]);
        close(ready[1]);
        return os_failed;
    }
    if (middle == 0) {
        close(ready[0]);
        if (fork() == 0) {
            fcntl(ready[1], F_SETFD, FD_CLOEXEC);
            execlp("xdg-open", "xdg-open", path, static_cast<char*>(nullptr));
            char failed = 1;
            (void)!write(ready[1], &failed, 1);
            _exit(127);
        }
        _exit(0);
    }
    close(ready[1]);
    waitpid(middle, nullptr, 0);
    // The pipe closes without a byte when exec succeeded.
    char failed = 0;
    ssize_t got = read(ready[0], &failed, 1);
    close(ready[0]);
    return got == 1 ? os_failed : os_ok;
}

const os_process_calls os_native_process = {open_with_application};
