// IVortanApplication: the user-data directory, the executable's directory and resource paths.
#include <errno.h>
#include <pwd.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "engine/platform/VortanApplication.h"

namespace {

bool IsAsciiAlnum(unsigned int c)
{
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// Creates every missing directory of an absolute path, one component at a time.
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

} // namespace

int IVortanApplication::GetUserDataPath(CVortanString& out, const CVortanString& fileName)
{
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
    const unsigned short* name = m_appName.GetBuffer();
    for (int i = 0; i < m_appName.GetLength(); ++i)
        dir += IsAsciiAlnum(name[i]) ? (char)name[i] : '_';

    if (!MakeDirectories(dir)) {
        out.Empty();
        return VORTAN_E_FAIL;
    }
    // One unit per byte: the file layer hands the low byte of each unit to the C library.
    out = dir.c_str();
    out.AppendChar('/');
    out.Append(fileName);
    return VORTAN_OK;
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
    return VORTAN_OK;
}

void IVortanApplication::GetResourcePath(CVortanString& out, const CVortanString& fileName)
{
    GetExecutableDir(out);
    if (fileName.GetLength() > 0 && fileName.GetAt(0) == '\\')
        out.Append(CVortanString(fileName, 1, fileName.GetLength() - 1));
    else
        out.Append(fileName);
}
