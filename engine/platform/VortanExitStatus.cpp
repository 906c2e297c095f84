// The program's exit status and its failure reports.
#include "engine/platform/VortanExitStatus.h"

#include <errno.h>
#include <fcntl.h>
#include <stdarg.h>
#include <stdio.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

namespace {

int g_exitStatus = VORTAN_EXIT_OK;

// One write of the whole line, so that lines of several processes sharing a terminal do not
// interleave. The text is formatted into a fixed buffer: no allocation.
void PrintLine(const char* format, va_list args)
{
    char line[1024];
    int n = snprintf(line, sizeof(line), "%s: ", program_invocation_short_name);
    if (n < 0 || n >= (int)sizeof(line))
        n = 0;
    int m = vsnprintf(line + n, sizeof(line) - (size_t)n - 1, format, args);
    if (m < 0)
        m = 0;
    n += m;
    if (n > (int)sizeof(line) - 2)
        n = (int)sizeof(line) - 2;
    line[n++] = '\n';
    size_t done = 0;
    while (done < (size_t)n) {
        ssize_t w = write(STDERR_FILENO, line + done, (size_t)n - done);
        if (w < 0 && errno == EINTR)
            continue;
        if (w <= 0)
            break;
        done += (size_t)w;
    }
}

} // namespace

void VortanPrintError(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    PrintLine(format, args);
    va_end(args);
}

void VortanReportFailure(int status, const char* format, ...)
{
    va_list args;
    va_start(args, format);
    PrintLine(format, args);
    va_end(args);
    VortanSetExitStatus(status);
}

void VortanSetExitStatus(int status)
{
    if (g_exitStatus == VORTAN_EXIT_OK)
        g_exitStatus = status;
}

int VortanGetExitStatus()
{
    return g_exitStatus;
}

void VortanClearExitStatus()
{
    g_exitStatus = VORTAN_EXIT_OK;
}

int VortanFailedStartStatus()
{
    if (g_exitStatus == VORTAN_EXIT_OK)
        VortanReportFailure(VORTAN_EXIT_FAILURE, "the start-up failed");
    return g_exitStatus;
}

int VortanPackProblem(const CVortanString& path)
{
    std::string name = VortanBytesOf(path);
    struct stat st;
    if (name.empty() || (stat(name.c_str(), &st) != 0 && (errno == ENOENT || errno == ENOTDIR)))
        return VORTAN_EXIT_PACK_MISSING;
    int fd = open(name.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return VORTAN_EXIT_PACK_UNREADABLE;
    bool regular = fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
    char byte;
    // A file that opens may still refuse to be read (an I/O error, a directory on some
    // file systems).
    bool readable = regular && (st.st_size == 0 || read(fd, &byte, 1) == 1);
    close(fd);
    if (!readable)
        return VORTAN_EXIT_PACK_UNREADABLE;
    return VORTAN_EXIT_PACK_DAMAGED;
}

const char* VortanPackProblemText(int status)
{
    switch (status) {
    case VORTAN_EXIT_PACK_MISSING:
        return "is missing";
    case VORTAN_EXIT_PACK_DAMAGED:
        return "is damaged";
    case VORTAN_EXIT_PACK_UNREADABLE:
        return "cannot be read";
    default:
        return "cannot be used";
    }
}

int VortanReportPackProblem(const char* what, const CVortanString& path, bool record)
{
    int status = VortanPackProblem(path);
    std::string name = VortanBytesOf(path);
    if (record)
        VortanReportFailure(status, "%s %s %s", what, name.c_str(), VortanPackProblemText(status));
    else
        VortanPrintError("%s %s %s", what, name.c_str(), VortanPackProblemText(status));
    return status;
}
