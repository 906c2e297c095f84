#include "fuzz/FuzzSupport.h"

#include <dirent.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <vector>

namespace vfuzz {

namespace {

std::string g_scratch;

void RemoveScratch()
{
    if (g_scratch.empty())
        return;
    if (DIR* dir = opendir(g_scratch.c_str())) {
        std::vector<std::string> names;
        while (dirent* e = readdir(dir)) {
            if (strcmp(e->d_name, ".") != 0 && strcmp(e->d_name, "..") != 0)
                names.push_back(e->d_name);
        }
        closedir(dir);
        for (const std::string& name : names)
            unlink((g_scratch + "/" + name).c_str());
    }
    rmdir(g_scratch.c_str());
}

bool IsWritableDir(const char* path)
{
    struct stat info;
    return path && path[0] && stat(path, &info) == 0 && S_ISDIR(info.st_mode) &&
           access(path, W_OK) == 0;
}

} // namespace

const std::string& ScratchDir()
{
    if (g_scratch.empty()) {
        const char* base = IsWritableDir("/dev/shm") ? "/dev/shm" : getenv("TMPDIR");
        if (!IsWritableDir(base))
            base = "/tmp";
        std::string pattern = std::string(base) + "/vortan-fuzz-XXXXXX";
        std::vector<char> name(pattern.begin(), pattern.end());
        name.push_back('\0');
        if (!mkdtemp(name.data()))
            Fail("a scratch directory can be made", __FILE__, __LINE__);
        g_scratch = name.data();
        atexit(RemoveScratch);
    }
    return g_scratch;
}

void WriteFile(const std::string& path, const void* data, size_t size)
{
    FILE* file = fopen(path.c_str(), "wb");
    bool ok = file && (size == 0 || fwrite(data, 1, size, file) == size);
    if (file && fclose(file) != 0)
        ok = false;
    if (!ok)
        Fail(("the scratch file " + path + " can be written").c_str(), __FILE__, __LINE__);
}

std::pair<std::string, std::string> SplitAtNul(const uint8_t* data, size_t size)
{
    if (size == 0)
        return {};
    const char* bytes = reinterpret_cast<const char*>(data);
    const void* nul = memchr(data, 0, size);
    if (!nul)
        return {std::string(bytes, size), std::string()};
    size_t at = static_cast<size_t>(static_cast<const uint8_t*>(nul) - data);
    return {std::string(bytes, at), std::string(bytes + at + 1, size - at - 1)};
}

void Fail(const char* expectation, const char* file, int line)
{
    fprintf(stderr, "==fuzz== expectation failed at %s:%d: %s\n", file, line, expectation);
    fflush(stderr);
    abort();
}

} // namespace vfuzz
