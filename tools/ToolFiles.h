// Whole-file reading and the write-to-temporary-then-rename saving shared by the data tools.
#pragma once
#include <stdio.h>

#include <string>

namespace toolfiles {

// Appends the whole file to `data`; false when it cannot be opened or read.
inline bool ReadFile(const std::string& path, std::string* data)
{
    FILE* f = fopen(path.c_str(), "rb");
    if (!f)
        return false;
    char buffer[65536];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, f)) > 0)
        data->append(buffer, n);
    bool ok = !ferror(f);
    fclose(f);
    return ok;
}

// Writes bytes to a temporary file beside `path` and renames it into place.
inline bool WriteFileAtomically(const std::string& path, const void* data, size_t size)
{
    std::string temporary = path + ".tmp";
    FILE* f = fopen(temporary.c_str(), "wb");
    if (!f)
        return false;
    bool ok = fwrite(data, 1, size, f) == size;
    ok = (fclose(f) == 0) && ok;
    if (!ok || rename(temporary.c_str(), path.c_str()) != 0) {
        remove(temporary.c_str());
        return false;
    }
    return true;
}

} // namespace toolfiles
