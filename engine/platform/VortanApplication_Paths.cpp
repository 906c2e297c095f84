// IVortanApplication: the user-data directory, the executable's directory and resource paths.
#include <errno.h>
#include <pwd.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <new>
#include <string>

#include "engine/platform/VortanApplication.h"

namespace {

bool IsAsciiAlnum(unsigned int c)
{
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// Creates every missing directory of an absolute path, one component at a time, with the
// file system's own calls: a path handed to a shell would run whatever an application name or
// a home folder with spaces or quotes made of it.
int MakeDirectories(const std::string& path)
{
    if (path.empty())
        return 0;
    size_t pos = 0;
    while (pos != std::string::npos) {
        pos = path.find('/', pos + 1);
        std::string part = path.substr(0, pos);
        if (part.empty() || part == "/")
            continue;
        if (mkdir(part.c_str(), 0777) != 0 && errno != EEXIST)
            return 0;
    }
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// The user-data path of the application's name; std::string may throw std::bad_alloc here.
int UserDataPath(const CVortanString& appName, CVortanString& out, const CVortanString& fileName)
{
    // $HOME first, the password entry only when it is unset or not absolute: the user's own
    // choice of home is honoured, as shells and most programs do, and a run can be given a
    // home of its own (the test programs give each run a fresh one).
    std::string home;
    const char* env = getenv("HOME");
    if (env && env[0] == '/')
        home = env;
    else {
        struct passwd* pw = getpwuid(getuid());
        if (pw && pw->pw_dir && pw->pw_dir[0] == '/')
            home = pw->pw_dir;
    }
    if (home.empty()) {
        out.Empty();
        return VORTAN_E_FAIL;
    }
    while (home.size() > 1 && home[home.size() - 1] == '/')
        home.resize(home.size() - 1);

    std::string dir = home == "/" ? std::string("/") : home + "/";
    dir += '.';
    const unsigned short* name = appName.GetBuffer();
    for (int i = 0; i < appName.GetLength(); ++i)
        dir += IsAsciiAlnum(name[i]) ? (char)name[i] : '_';

    if (!MakeDirectories(dir)) {
        out.Empty();
        return VORTAN_E_FAIL;
    }
    // One unit per byte: the file layer hands the low byte of each unit to the C library.
    out = dir.c_str();
    if (out.GetLength() != (int)dir.size()) {
        // Out of memory: no path at all rather than a relative one.
        out.Empty();
        return VORTAN_E_NOMEMORY;
    }
    out.AppendChar('/');
    out.Append(fileName);
    return VORTAN_OK;
}

} // namespace

int IVortanApplication::GetUserDataPath(CVortanString& out, const CVortanString& fileName)
{
    try {
        return UserDataPath(m_appName, out, fileName);
    } catch (const std::bad_alloc&) {
        out.Empty();
        return VORTAN_E_NOMEMORY;
    }
}

int IVortanApplication::GetExecutableDir(CVortanString& out)
{
    char link[64];
    snprintf(link, sizeof(link), "/proc/%d/exe", (int)getpid());
    char target[4096];
    ssize_t n = readlink(link, target, sizeof(target) - 1);
    if (n <= 0 || (size_t)n >= sizeof(target) - 1)
        return VORTAN_E_FAIL;
    target[n] = '\0';
    char* slash = strrchr(target, '/');
    if (!slash)
        return VORTAN_E_FAIL;
    slash[1] = '\0';
    out = target; // one unit per byte, as the file layer reads paths
    if (out.GetLength() != (int)strlen(target)) {
        out.Empty();
        return VORTAN_E_NOMEMORY;
    }
    return VORTAN_OK;
}

void IVortanApplication::GetResourcePath(CVortanString& out, const CVortanString& fileName)
{
    if (GetExecutableDir(out) != VORTAN_OK) {
        // Without the program's directory there is no path: a relative one would find files
        // of whatever directory the program was started in.
        out.Empty();
        return;
    }
    if (fileName.GetLength() > 0 && fileName.GetAt(0) == '\\')
        out.Append(CVortanString(fileName, 1, fileName.GetLength() - 1));
    else
        out.Append(fileName);
}
