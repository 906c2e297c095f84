// Shared helpers of the test programs.
#pragma once
#include <sys/stat.h>

#include <functional>
#include <string>
#include <vector>

namespace vtest {

// Root of the source tree and of the build tree.
inline std::string SourceDir()
{
    return VORTAN_SOURCE_DIR;
}
inline std::string BinaryDir()
{
    return VORTAN_BINARY_DIR;
}

// A fresh private directory under /tmp, removed with everything in it when the object dies.
class TempDir {
public:
    TempDir();
    ~TempDir();
    const std::string& Path() const { return m_path; }
    std::string File(const std::string& name) const { return m_path + "/" + name; }

private:
    std::string m_path;
};

// Runs a program (argv[0] searched in PATH) without a shell; returns its exit status
// (or -1) and fills `out` with its standard output when given.
int RunProgram(const std::vector<std::string>& argv, std::string* out = nullptr,
               const std::string& stdinData = std::string());

// Moves the X pointer of $DISPLAY to (x, y) with xdotool and returns once it is there: 0, or
// -1 when it did not get there. A pointer already there is left alone ("mousemove --sync" to
// the point the pointer stands at waits for a motion event that never comes).
int MovePointer(int x, int y);

// Debian's Python (with the distribution's modules such as dbus and pyasn1).
inline std::string Python()
{
    return "/usr/bin/python3";
}

// The settings file "stats.dat" as Python's struct module reads it: "version <n>", then
// "<name> <kind> <value>" for each entry, then "end True" when the entries end the file. A
// reader that fails (no file, a short one) fails the test.
std::vector<std::string> ReadStats(const std::string& path);

// The aim of the first turn of the first scene's winning line, kept beside its source
// (data/scenes/01.txt); true when that turn is a jump.
bool FirstWinningAim(float& x, float& y);

// Keeps RGB rows of w x h as NAME.png in the directory the environment variable names, if any
// (for a person to look at).
void KeepPicture(const char* variable, const std::vector<unsigned char>& rgb, int w, int h,
                 const std::string& name);

// Whole file as bytes; empty when it cannot be read.
std::string ReadWholeFile(const std::string& path);
bool WriteWholeFile(const std::string& path, const std::string& bytes);

// Whether anything (file, directory, ...) is at the path.
inline bool Exists(const std::string& path)
{
    struct stat info;
    return stat(path.c_str(), &info) == 0;
}

// Polls the condition every `pollMs` milliseconds until it holds or `timeoutMs` have passed, and
// returns its last answer. Tests wait for what another thread or process does this way,
// never by sleeping a fixed time and then asserting.
bool WaitUntil(const std::function<bool()>& condition, int timeoutMs = 10000, int pollMs = 1);

// Kernel id of the calling thread.
int CurrentThreadId();
// True when the thread (kernel id, this process) is asleep in the kernel: blocked on a lock,
// a condition or a sleep, neither running nor waiting for a processor.
bool IsThreadBlocked(int tid);
// Number of threads of this process.
int ThreadCount();

} // namespace vtest
