// The test programs' output survives their being killed: what a test wrote before a hang is
// shown when the time-out stops it.
#include <gtest/gtest.h>
#include <stdio.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

namespace {

// What a child of this program writes to standard output (and standard error) before it
// ends without flushing, as a killed test would.
std::string WrittenBeforeAbruptEnd(FILE* stream, int fd)
{
    int fds[2];
    if (pipe(fds) != 0)
        return "(no pipe)";
    pid_t pid = fork();
    if (pid == 0) {
        close(fds[0]);
        dup2(fds[1], fd);
        fputs("written before the end", stream);
        _exit(0);
    }
    close(fds[1]);
    std::string got;
    char buf[256];
    ssize_t n;
    while ((n = read(fds[0], buf, sizeof buf)) > 0)
        got.append(buf, (size_t)n);
    close(fds[0]);
    waitpid(pid, nullptr, 0);
    return got;
}

TEST(TestProgramOutput, IsNotLostWhenTheProgramEndsAbruptly)
{
    EXPECT_EQ("written before the end", WrittenBeforeAbruptEnd(stdout, 1));
    EXPECT_EQ("written before the end", WrittenBeforeAbruptEnd(stderr, 2));
}

} // namespace
