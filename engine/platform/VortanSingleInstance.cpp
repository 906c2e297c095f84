// The single-instance lock.
#include "engine/platform/VortanSingleInstance.h"

#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The process id at the start of the text (as "%d" reads it), or -1 when there is none.
long ParsePid(const char* text)
{
    errno = 0;
    char* end = nullptr;
    long value = strtol(text, &end, 10);
    if (end == text || errno == ERANGE || value <= 0 || value > INT_MAX)
        return -1;
    return value;
}

bool ProcessExists(long pid)
{
    char path[32];
    snprintf(path, sizeof(path), "/proc/%ld", pid);
    int fd = open(path, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return false;
    close(fd);
    return true;
}

} // namespace

int CheckSingleInstanceAt(const char* path)
{
    if (!path || !path[0])
        return 0;

    int fd = open(path, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd >= 0) {
        struct stat st;
        ssize_t n = -1;
        char text[100];
        if (fstat(fd, &st) == 0 && S_ISREG(st.st_mode))
            n = read(fd, text, 99);
        close(fd);
        if (n > 0) {
            text[n] = 0;
            long pid = ParsePid(text);
            if (pid > 0 && pid != (long)getpid() && ProcessExists(pid))
                return 1;
            unlink(path);
        }
    } else if (errno == ELOOP) {
        // Not a lock file of ours: a link someone put in its place. Remove the link itself.
        unlink(path);
    }

    fd = open(path, O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0644);
    if (fd < 0)
        return 0;
    char pid[24];
    int length = snprintf(pid, sizeof(pid), "%d", (int)getpid());
    if (write(fd, pid, (size_t)length) != (ssize_t)length) {
        // A lock that does not name us protects nothing; go on without one.
    }
    close(fd);
    return 0;
}

int CheckSingleInstance()
{
    return CheckSingleInstanceAt(VORTAN_LOCK_FILE);
}
