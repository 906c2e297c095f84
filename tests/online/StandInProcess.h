// The stand-in lobby and game server (tools/standin) as a child process of a test.
#pragma once
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <string>
#include <vector>

#include "tests/support/TestSupport.h"

namespace ntest {

// The stand-in server as a child process on the given ports (0: the system picks); its log goes
// to `logFile` when one is named.
class StandIn {
public:
    StandIn(const std::string& dir, int lobbyPort, int gamePort,
            const std::vector<std::string>& extra = {}, const std::string& logFile = "")
        : m_pid(-1)
    {
        const std::string portFile = dir + "/ports." + std::to_string(lobbyPort);
        unlink(portFile.c_str());
        const std::string script = vtest::SourceDir() + "/tools/standin/standin_server.py";
        const std::string packs = "ORLO_STANDIN_PACKS=" + vtest::BinaryDir() + "/standin";
        std::vector<std::string> args = {vtest::Python(), script,
                                         "--port-file",   portFile,
                                         "--lobby-port",  std::to_string(lobbyPort),
                                         "--game-port",   std::to_string(gamePort),
                                         "--state-dir",   dir};
        args.insert(args.end(), extra.begin(), extra.end());
        m_pid = fork();
        if (m_pid == 0) {
            std::vector<char*> argv;
            for (size_t i = 0; i < args.size(); ++i)
                argv.push_back(&args[i][0]);
            argv.push_back(nullptr);
            int devnull = logFile.empty()
                              ? open("/dev/null", O_WRONLY)
                              : open(logFile.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
            dup2(devnull, 2);
            putenv(&const_cast<std::string&>(packs)[0]);
            execv(argv[0], argv.data());
            _exit(127);
        }
        // Its ports, or its end when it could not start (a minute: a process started on a
        // crowded machine).
        vtest::WaitUntil(
            [&]() {
                std::ifstream in(portFile);
                if (in >> lobby >> game) {
                    in >> control; // the control port, when the stand-in has one
                    return true;
                }
                if (waitpid(m_pid, nullptr, WNOHANG) != m_pid)
                    return false;
                m_pid = -1;
                return true;
            },
            60000);
    }
    ~StandIn() { Stop(); }
    void Stop()
    {
        if (m_pid > 0) {
            kill(m_pid, SIGTERM);
            waitpid(m_pid, nullptr, 0);
            m_pid = -1;
        }
    }
    int lobby = 0;
    int game = 0;
    int control = 0;

private:
    pid_t m_pid;
};

// One command line to a stand-in's control port; its answer line (empty without one).
inline std::string ControlLine(int port, const std::string& line)
{
    int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a = {};
    a.sin_family = AF_INET;
    a.sin_port = htons((uint16_t)port);
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    std::string answer;
    if (fd >= 0 && connect(fd, (sockaddr*)&a, sizeof(a)) == 0) {
        const std::string out = line + "\n";
        if (write(fd, out.data(), out.size()) == (ssize_t)out.size()) {
            char c;
            while (read(fd, &c, 1) == 1 && c != '\n')
                answer.push_back(c);
        }
    }
    if (fd >= 0)
        close(fd);
    return answer;
}

} // namespace ntest
