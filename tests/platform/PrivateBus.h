// A private D-Bus daemon for tests, and the starting and stopping of the helper programs
// (the daemon, fake services) that run beside it.
#pragma once

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "tests/support/TestSupport.h"

namespace bustest {

// Any user may own any name and talk to anyone; the socket path replaces @SOCKET@.
inline const char* kBusConfig =
    R"XML(<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-BUS Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <listen>unix:path=@SOCKET@</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow user="*"/>
    <allow own="*"/>
    <allow send_destination="*"/>
    <allow receive_sender="*"/>
  </policy>
</busconfig>
)XML";

// Starts a program in the background with its output in a log file.
inline pid_t Spawn(const std::vector<std::string>& argv, const std::string& log)
{
    pid_t pid = fork();
    if (pid == 0) {
        int fd = open(log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
        dup2(fd, 1);
        dup2(fd, 2);
        std::vector<char*> args;
        for (const std::string& a : argv)
            args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        execv(args[0], args.data());
        _exit(127);
    }
    return pid;
}

inline void Stop(pid_t pid)
{
    if (pid > 0) {
        kill(pid, SIGTERM);
        waitpid(pid, nullptr, 0);
    }
}

// Waits (at most 15 s) until the file exists.
inline bool WaitFor(const std::string& path)
{
    return vtest::WaitUntil([&] { return vtest::Exists(path); }, 15000);
}

// A private bus daemon listening on <dir>/<name>.
struct PrivateBus {
    pid_t pid = -1;
    std::string address;
    bool Start(const vtest::TempDir& dir, const std::string& name)
    {
        std::string config = kBusConfig;
        config.replace(config.find("@SOCKET@"), 8, dir.File(name));
        if (!vtest::WriteWholeFile(dir.File(name + ".conf"), config))
            return false;
        pid = Spawn({"/usr/bin/dbus-daemon", "--config-file=" + dir.File(name + ".conf"),
                     "--nofork", "--nopidfile"},
                    dir.File(name + ".log"));
        address = "unix:path=" + dir.File(name);
        return WaitFor(dir.File(name));
    }
    ~PrivateBus() { Stop(pid); }
};

} // namespace bustest
