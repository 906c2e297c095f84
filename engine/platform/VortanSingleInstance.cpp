// The single-instance lock.
#include "engine/platform/VortanSingleInstance.h"

#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Times the file may be found removed or replaced between opening and locking it before the
// program goes on without a lock.
const int kAttempts = 8;

// The process id at the start of the file's text, or 0 when there is none.
int PidInFile(int fd)
{
    char text[100];
    ssize_t n = pread(fd, text, sizeof(text) - 1, 0);
    if (n <= 0)
        return 0;
    text[n] = 0;
    errno = 0;
    char* end = nullptr;
    long value = strtol(text, &end, 10);
    if (end == text || errno == ERANGE || value <= 0 || value > INT_MAX)
        return 0;
    return (int)value;
}

// Whether the file's text is one a lock may hold: none, or a process id alone (decimal digits).
bool HoldsOnlyAProcessId(int fd)
{
    char text[16];
    const ssize_t n = pread(fd, text, sizeof(text), 0);
    if (n < 0 || n == (ssize_t)sizeof(text))
        return false;
    for (ssize_t i = 0; i < n; ++i) {
        if (text[i] < '0' || text[i] > '9')
            return false;
    }
    return true;
}

// A write lock on the whole file.
struct flock WholeFile()
{
    struct flock lock;
    memset(&lock, 0, sizeof(lock));
    lock.l_type = F_WRLCK;
    lock.l_whence = SEEK_SET;
    lock.l_start = 0;
    lock.l_len = 0;
    return lock;
}

// The holder of a lock on the file, -1 when nobody holds one (or it cannot be told), else its
// process id (0 when the kernel cannot name it and the file does not either).
int Holder(int fd)
{
    struct flock probe = WholeFile();
    if (fcntl(fd, F_GETLK, &probe) != 0 || probe.l_type == F_UNLCK)
        return -1;
    // A holder in another process-id namespace is reported as 0: its own text names it.
    return probe.l_pid > 0 ? (int)probe.l_pid : PidInFile(fd);
}

bool SameFile(const struct stat& a, const struct stat& b)
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

} // namespace

CVortanSingleInstance::CVortanSingleInstance() : m_fd(-1), m_owner(0) {}

CVortanSingleInstance::~CVortanSingleInstance()
{
    Release();
}

void CVortanSingleInstance::Release()
{
    if (m_fd >= 0) {
        close(m_fd);
        m_fd = -1;
    }
}

int CVortanSingleInstance::Acquire(const char* path, bool onlyOwnLock)
{
    Release();
    m_owner = 0;
    if (!path || !path[0])
        return 0;

    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        int fd = open(path, O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0644);
        if (fd < 0 && (errno == ELOOP || errno == EISDIR) && onlyOwnLock)
            return VORTAN_LOCK_NOT_A_LOCK;
        if (fd < 0 && errno == ELOOP) {
            // Not a lock file of ours: a link someone put in its place. The link itself is
            // removed (never what it points to) and the file made anew.
            struct stat st;
            if (lstat(path, &st) == 0 && S_ISLNK(st.st_mode) && unlink(path) != 0)
                return 0;
            continue;
        }
        bool writable = fd >= 0;
        if (fd < 0 && errno == EACCES) {
            // Someone else's file that this user may not write: whether a copy holds it can
            // still be seen, but this process cannot take it.
            fd = open(path, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        }
        if (fd < 0)
            return 0;
        struct stat opened;
        if (fstat(fd, &opened) != 0 || !S_ISREG(opened.st_mode)) {
            close(fd);
            return onlyOwnLock ? VORTAN_LOCK_NOT_A_LOCK : 0;
        }

        if (!writable) {
            int holder = Holder(fd);
            close(fd);
            if (holder < 0)
                return 0;
            m_owner = holder;
            return 1;
        }

        struct flock lock = WholeFile();
        if (fcntl(fd, F_SETLK, &lock) != 0) {
            if (errno != EACCES && errno != EAGAIN) {
                // A file system without record locks: no lock, and no reason to stop.
                close(fd);
                return 0;
            }
            int holder = Holder(fd);
            close(fd);
            if (holder < 0)
                continue; // the holder has just ended: try again
            m_owner = holder;
            return 1;
        }

        // The lock is ours; make sure that the path still leads to the file that was locked
        // (it may have been removed or replaced between the open and the lock).
        struct stat current;
        if (lstat(path, &current) != 0 || !SameFile(current, opened)) {
            close(fd);
            continue;
        }
        if (onlyOwnLock && !HoldsOnlyAProcessId(fd)) {
            close(fd);
            return VORTAN_LOCK_NOT_A_LOCK;
        }
        char text[24];
        int length = snprintf(text, sizeof(text), "%d", (int)getpid());
        if (ftruncate(fd, 0) != 0 || pwrite(fd, text, (size_t)length, 0) != (ssize_t)length) {
            // The text only names the holder for readers of the file; the lock itself holds.
        }
        m_fd = fd;
        return 0;
    }
    return 0;
}

int CheckSingleInstance(int* owner)
{
    // Held until the process ends; the kernel lets go of it then, whatever the way out.
    static CVortanSingleInstance instance;
    // A test points the program at a lock file of its own, so that it runs beside a copy that
    // holds the machine's; a mistyped name must not cost anyone a file.
    const char* path = getenv("ORLO_LOCK_FILE");
    const bool named = path && path[0];
    int result = instance.Acquire(named ? path : VORTAN_LOCK_FILE, named);
    if (owner)
        *owner = result > 0 ? instance.GetOwner() : 0;
    return result;
}
