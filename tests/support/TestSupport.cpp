// Shared test helpers: temporary directories, running programs, whole files, waits, threads.
#include "tests/support/TestSupport.h"

#include <dirent.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <sstream>

namespace vtest {

TempDir::TempDir()
{
    char tmpl[] = "/tmp/vortan_test_XXXXXX";
    const char* p = mkdtemp(tmpl);
    m_path = p ? p : "/tmp";
}

static void RemoveTree(const std::string& path)
{
    DIR* d = opendir(path.c_str());
    if (d) {
        while (dirent* e = readdir(d)) {
            if (!strcmp(e->d_name, ".") || !strcmp(e->d_name, ".."))
                continue;
            std::string child = path + "/" + e->d_name;
            struct stat st;
            if (lstat(child.c_str(), &st) == 0 && S_ISDIR(st.st_mode))
                RemoveTree(child);
            else
                unlink(child.c_str());
        }
        closedir(d);
    }
    rmdir(path.c_str());
}

TempDir::~TempDir()
{
    if (m_path != "/tmp")
        RemoveTree(m_path);
}

int RunProgram(const std::vector<std::string>& argv, std::string* out, const std::string& stdinData)
{
    int outPipe[2], inPipe[2];
    if (pipe(outPipe) != 0)
        return -1;
    if (pipe(inPipe) != 0) {
        close(outPipe[0]);
        close(outPipe[1]);
        return -1;
    }
    pid_t pid = fork();
    if (pid < 0)
        return -1;
    if (pid == 0) {
        dup2(inPipe[0], 0);
        dup2(outPipe[1], 1);
        close(inPipe[0]);
        close(inPipe[1]);
        close(outPipe[0]);
        close(outPipe[1]);
        std::vector<char*> args;
        for (const auto& a : argv)
            args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        execvp(args[0], args.data());
        _exit(127);
    }
    close(inPipe[0]);
    close(outPipe[1]);
    size_t off = 0;
    while (off < stdinData.size()) {
        ssize_t n = write(inPipe[1], stdinData.data() + off, stdinData.size() - off);
        if (n <= 0)
            break;
        off += size_t(n);
    }
    close(inPipe[1]);
    std::string buf;
    char tmp[65536];
    ssize_t n;
    while ((n = read(outPipe[0], tmp, sizeof tmp)) > 0)
        buf.append(tmp, size_t(n));
    close(outPipe[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    if (out)
        *out = buf;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

namespace {

// The pointer's place from "xdotool getmouselocation --shell" (X=.. and Y=.. lines).
bool PointerAt(int* x, int* y)
{
    std::string out;
    if (RunProgram({"xdotool", "getmouselocation", "--shell"}, &out) != 0)
        return false;
    size_t px = out.find("X="), py = out.find("Y=");
    if (px == std::string::npos || py == std::string::npos)
        return false;
    *x = atoi(out.c_str() + px + 2);
    *y = atoi(out.c_str() + py + 2);
    return true;
}

} // namespace

int MovePointer(int x, int y)
{
    int atX = -1, atY = -1;
    if (PointerAt(&atX, &atY) && atX == x && atY == y)
        return 0;
    if (RunProgram({"xdotool", "mousemove", std::to_string(x), std::to_string(y)}) != 0)
        return -1;
    // The move is asynchronous: until the server reports the pointer there (at most 10 s).
    for (int i = 0; i < 1000; ++i) {
        if (PointerAt(&atX, &atY) && atX == x && atY == y)
            return 0;
        struct timespec pause = {0, 10 * 1000 * 1000};
        nanosleep(&pause, nullptr);
    }
    return -1;
}

void KeepPicture(const char* variable, const std::vector<unsigned char>& rgb, int w, int h,
                 const std::string& name)
{
    const char* dir = getenv(variable);
    if (!dir)
        return;
    TempDir tmp;
    WriteWholeFile(tmp.File("f.rgb"), std::string(rgb.begin(), rgb.end()));
    RunProgram({"convert", "-size", std::to_string(w) + "x" + std::to_string(h), "-depth", "8",
                "rgb:" + tmp.File("f.rgb"), std::string(dir) + "/" + name + ".png"});
}

bool FirstWinningAim(float& x, float& y)
{
    std::istringstream in(ReadWholeFile(SourceDir() + "/data/scenes/01.txt"));
    for (std::string line; std::getline(in, line);) {
        std::istringstream words(line);
        std::string hash, tag;
        int button = 0;
        if (words >> hash >> tag && hash == "#" && tag == "win:" && words >> button >> x >> y)
            return button == 2; // the jump
    }
    return false;
}

std::vector<std::string> ReadStats(const std::string& path)
{
    const char* reader = R"PY(
import struct, sys
d = open(sys.argv[1], 'rb').read()
version, count = struct.unpack_from('<ii', d, 0)
o = 8
def text():
    global o
    n, = struct.unpack_from('<i', d, o)
    o += 4 + 2 * n
    return d[o - 2 * n:o].decode('utf-16-le')
print('version', version)
for i in range(count):
    name = text()
    kind, = struct.unpack_from('<h', d, o); o += 2
    if kind == 2:
        value = text()
    else:
        value, = struct.unpack_from('<i', d, o); o += 4
    print(name, kind, value)
print('end', o == len(d))
)PY";
    std::string out;
    EXPECT_EQ(0, RunProgram({Python(), "-c", reader, path}, &out)) << "reading " << path;
    std::vector<std::string> lines;
    std::istringstream in(out);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

std::string ReadWholeFile(const std::string& path)
{
    std::ifstream f(path, std::ios::binary);
    std::stringstream ss;
    ss << f.rdbuf();
    return ss.str();
}

bool WriteWholeFile(const std::string& path, const std::string& bytes)
{
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    f.write(bytes.data(), std::streamsize(bytes.size()));
    return bool(f);
}

bool WaitUntil(const std::function<bool()>& condition, int timeoutMs, int pollMs)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (std::chrono::steady_clock::now() < end) {
        if (condition())
            return true;
        struct timespec pause = {pollMs / 1000, (long)(pollMs % 1000) * 1000000};
        nanosleep(&pause, nullptr);
    }
    return condition();
}

int CurrentThreadId()
{
    return (int)syscall(SYS_gettid);
}

bool IsThreadBlocked(int tid)
{
    // /proc/self/task/<tid>/stat: "<tid> (<name>) <state> ..."; the name may hold anything,
    // so the state follows the last ")".
    std::string stat = ReadWholeFile("/proc/self/task/" + std::to_string(tid) + "/stat");
    size_t close = stat.rfind(')');
    if (close == std::string::npos || close + 2 >= stat.size())
        return false;
    char state = stat[close + 2];
    return state == 'S' || state == 'D';
}

int ThreadCount()
{
    int count = 0;
    if (DIR* d = opendir("/proc/self/task")) {
        while (dirent* e = readdir(d))
            if (e->d_name[0] != '.')
                ++count;
        closedir(d);
    }
    return count;
}

} // namespace vtest
