// A private Xvfb server for the tests of one program: started on a free display number
// (Xvfb chooses it and reports it through -displayfd), exported as DISPLAY, stopped when the
// object dies. The server also ends with the test program (parent-death signal).
// Header-only and free of X11 calls, so that only the tests that include it need an X server.
#pragma once
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

namespace vtest {

class VirtualDisplay {
public:
    explicit VirtualDisplay(const char* screen = "800x480x24") : m_pid(-1)
    {
        int fds[2];
        if (pipe(fds) != 0)
            return;
        pid_t pid = fork();
        if (pid < 0) {
            close(fds[0]);
            close(fds[1]);
            return;
        }
        if (pid == 0) {
            prctl(PR_SET_PDEATHSIG, SIGTERM);
            close(fds[0]);
            char fd[16];
            snprintf(fd, sizeof(fd), "%d", fds[1]);
            int devnull = open("/dev/null", O_WRONLY);
            if (devnull >= 0) {
                dup2(devnull, 1);
                dup2(devnull, 2);
            }
            execlp("Xvfb", "Xvfb", "-displayfd", fd, "-screen", "0", screen, "-nolisten", "tcp",
                   "-noreset", (char*)nullptr);
            _exit(127);
        }
        close(fds[1]);
        std::string number;
        char c;
        while (read(fds[0], &c, 1) == 1 && c != '\n')
            number += c;
        close(fds[0]);
        if (number.empty()) {
            kill(pid, SIGTERM);
            waitpid(pid, nullptr, 0);
            return;
        }
        m_pid = pid;
        m_name = ":" + number;
        setenv("DISPLAY", m_name.c_str(), 1);
    }

    virtual ~VirtualDisplay()
    {
        if (m_pid > 0) {
            kill(m_pid, SIGTERM);
            waitpid(m_pid, nullptr, 0);
        }
    }

    bool Ok() const { return m_pid > 0; }
    const std::string& Name() const { return m_name; }

private:
    VirtualDisplay(const VirtualDisplay&) = delete;
    VirtualDisplay& operator=(const VirtualDisplay&) = delete;

    pid_t m_pid;
    std::string m_name;
};

// One server for the whole test program: started before the first test, stopped after the
// last. Register it with AddDisplayEnvironment().
class DisplayEnvironment : public ::testing::Environment {
public:
    void SetUp() override { display = new VirtualDisplay("800x480x24"); }
    void TearDown() override
    {
        delete display;
        display = nullptr;
    }

    VirtualDisplay* display = nullptr;
};

template <class Environment = DisplayEnvironment, class... Args>
Environment* AddDisplayEnvironment(Args... args)
{
    Environment* environment = new Environment(args...);
    ::testing::AddGlobalTestEnvironment(environment);
    return environment;
}

} // namespace vtest
