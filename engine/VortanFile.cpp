#include "engine/VortanFile.h"

#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <new>
#include <string>
#include <vector>

#include "engine/VortanID.h"
#include "engine/VortanMatrix.h"
#include "engine/VortanString.h"

namespace {

// Longest text ReadString takes in one call.
const int kMaxStringBytes = 512;

// The path as the 8-bit bytes handed to the C library. A path that is empty or holds a NUL
// unit is refused: cutting it at the NUL would name a different file.
bool PathBytes(const CVortanString& path, char** out)
{
    *out = nullptr;
    int length = path.GetLength();
    if (length <= 0)
        return false;
    const unsigned short* units = path.GetBuffer();
    for (int i = 0; i < length; ++i)
        if (units[i] == 0)
            return false;
    char* bytes = static_cast<char*>(malloc(static_cast<size_t>(length) + 1));
    if (!bytes)
        return false;
    path.ToAscii(bytes);
    bytes[length] = 0;
    *out = bytes;
    return true;
}

i32 ClampToInt(i64 value)
{
    if (value > INT_MAX)
        return INT_MAX;
    if (value < INT_MIN)
        return INT_MIN;
    return static_cast<i32>(value);
}

} // namespace

CVortanFile::CVortanFile()
    : m_memory(nullptr), m_size(0), m_position(0), m_isStdio(0), m_flags(VORTAN_FILE_READ),
      m_stream(nullptr), m_writable(0)
{}

CVortanFile::~CVortanFile()
{
    Close();
}

CVortanFile* CVortanFile::Create()
{
    return new (std::nothrow) CVortanFile();
}

int CVortanFile::Open(const CVortanString& path, int flags)
{
    Close();
    char* name = nullptr;
    if (!PathBytes(path, &name))
        return VORTAN_E_OPEN;

    const char* mode = "rb";
    int writable = 0;
    if (flags & VORTAN_FILE_APPEND) {
        mode = "ab";
        writable = 1;
    } else if (flags & VORTAN_FILE_WRITE) {
        mode = "wb";
        writable = 1;
    }
    FILE* stream = fopen(name, mode);
    free(name);
    if (!stream)
        return VORTAN_E_OPEN;

    // A directory opens for reading on Linux but is no file; a size beyond the 32-bit
    // position cannot be addressed.
    struct stat info;
    long end = -1;
    if (fstat(fileno(stream), &info) == 0 && !S_ISDIR(info.st_mode) &&
        fseek(stream, 0, SEEK_END) == 0)
        end = ftell(stream);
    if (end < 0 || end > INT_MAX || fseek(stream, 0, SEEK_SET) != 0) {
        fclose(stream);
        return VORTAN_E_OPEN;
    }

    m_stream = stream;
    m_size = static_cast<i32>(end);
    m_position = (flags & VORTAN_FILE_APPEND) ? m_size : 0;
    m_flags = flags;
    m_writable = writable;
    m_isStdio = 1;
    return VORTAN_OK;
}

int CVortanFile::OpenMemory(void* block, int size, int flags)
{
    if (!block || size <= 0)
        return VORTAN_E_ARGUMENT;
    u8* memory = static_cast<u8*>(block);
    if (flags & VORTAN_FILE_COPY) {
        memory = static_cast<u8*>(malloc(static_cast<size_t>(size)));
        if (!memory)
            return VORTAN_E_NOMEMORY;
        memcpy(memory, block, static_cast<size_t>(size));
    }
    // A copy owned from an earlier call would otherwise be lost.
    if (m_memory && (m_flags & VORTAN_FILE_COPY) && m_memory != memory)
        free(m_memory);
    m_memory = memory;
    m_size = size;
    m_flags = flags;
    m_writable = (flags & (VORTAN_FILE_WRITE | VORTAN_FILE_APPEND)) ? 1 : 0;
    return VORTAN_OK;
}

void CVortanFile::Close()
{
    if (m_isStdio && m_stream)
        fclose(m_stream);
    if (m_memory && (m_flags & VORTAN_FILE_COPY))
        free(m_memory);
    m_memory = nullptr;
    m_size = 0;
    m_position = 0;
    m_flags = 0;
    m_writable = 0;
    m_isStdio = 0;
    m_stream = nullptr;
}

// How many of `n` bytes a memory file holds from `position` on (0 at or past its end).
static int MemoryRoom(int size, int position, int n)
{
    if (position >= size)
        return 0;
    int count = size - position;
    return n < count ? n : count;
}

int CVortanFile::Read(void* buffer, int n)
{
    if (!buffer || n <= 0 || m_position < 0)
        return 0;
    if (m_memory) {
        int count = MemoryRoom(m_size, m_position, n);
        if (count > 0)
            memcpy(buffer, m_memory + m_position, static_cast<size_t>(count));
        m_position += count;
        return count;
    }
    if (!m_stream || fseek(m_stream, m_position, SEEK_SET) != 0)
        return 0;
    size_t got = fread(buffer, 1, static_cast<size_t>(n), m_stream);
    m_position += static_cast<int>(got);
    return static_cast<int>(got);
}

int CVortanFile::Write(const void* buffer, int n)
{
    if (!m_writable || !buffer || n <= 0 || m_position < 0)
        return 0;
    if (m_memory) {
        int count = MemoryRoom(m_size, m_position, n);
        if (count > 0)
            memcpy(m_memory + m_position, buffer, static_cast<size_t>(count));
        m_position += count;
        return count;
    }
    if (!m_stream || fseek(m_stream, m_position, SEEK_SET) != 0)
        return 0;
    // The position is a 32-bit offset: never write past what it can address.
    int room = INT_MAX - m_position;
    if (n > room)
        n = room;
    size_t put = fwrite(buffer, 1, static_cast<size_t>(n), m_stream);
    m_position += static_cast<int>(put);
    if (m_position > m_size)
        m_size = m_position;
    return static_cast<int>(put);
}

int CVortanFile::Seek(int offset, int origin)
{
    switch (origin) {
    case VORTAN_SEEK_SET:
        m_position = offset;
        break;
    case VORTAN_SEEK_FROM_LAST:
        m_position = ClampToInt(static_cast<i64>(m_size) - offset - 1);
        break;
    case VORTAN_SEEK_CURRENT:
        m_position = ClampToInt(static_cast<i64>(m_position) + offset);
        break;
    default:
        break;
    }
    return m_position;
}

int CVortanFile::Attach(CVortanFile* other)
{
    Close();
    if (!other)
        return VORTAN_E_ARGUMENT;
    m_memory = other->m_memory;
    m_stream = other->m_stream;
    m_size = other->m_size;
    m_position = other->m_position;
    m_writable = other->m_writable;
    m_flags = other->m_flags & ~VORTAN_FILE_COPY;
    m_isStdio = 0;
    return VORTAN_OK;
}

// True when the named file opens for reading.
static bool OpensForReading(const char* name)
{
    FILE* stream = fopen(name, "r");
    if (!stream)
        return false;
    fclose(stream);
    return true;
}

int CVortanFile::Exists(const CVortanString& path)
{
    char* name = nullptr;
    if (!PathBytes(path, &name))
        return 0;
    int result = OpensForReading(name) ? 1 : 0;
    free(name);
    return result;
}

int CVortanFile::Delete(const CVortanString& path)
{
    char* name = nullptr;
    if (!PathBytes(path, &name))
        return VORTAN_E_MISSING;
    int result = VORTAN_E_MISSING;
    if (OpensForReading(name))
        result = unlink(name) == 0 ? VORTAN_OK : VORTAN_E_FAIL;
    free(name);
    return result;
}

int CVortanFile::ReadString(CVortanString& text)
{
    unsigned char bytes[kMaxStringBytes];
    int count = 0;
    int consumed = 0;
    while (count < kMaxStringBytes) {
        unsigned char byte = 0;
        if (Read(&byte, 1) != 1)
            break;
        ++consumed;
        if (byte == 0)
            break;
        bytes[count++] = byte;
    }
    if (count == 0) {
        text.Empty();
        return consumed;
    }
    unsigned short* units = text.AllocBuffer(count + 1);
    if (units)
        for (int i = 0; i < count; ++i)
            units[i] = bytes[i];
    return consumed;
}

int CVortanFile::WriteID(const CVortanID* object)
{
    if (!m_writable)
        return 0;
    if (!object) {
        const u8 zero = 0;
        return Write(&zero, 1);
    }
    const CVortanString& id = object->GetID();
    int length = id.GetLength();
    char* bytes = static_cast<char*>(malloc(static_cast<size_t>(length) + 1));
    if (!bytes)
        return 0;
    if (length > 0)
        id.ToAscii(bytes);
    bytes[length] = 0;
    int written = Write(bytes, length + 1);
    free(bytes);
    return written;
}

int CVortanFile::ReadMatrix(CVortanMatrix& matrix)
{
    matrix.SetIdentity();
    int total = 0;
    for (int row = 0; row < 4; ++row)
        total += Read(&matrix.m[row * 4], 3 * static_cast<int>(sizeof(float)));
    return total;
}

int CVortanFile::WriteMatrix(const CVortanMatrix& matrix)
{
    int total = 0;
    for (int row = 0; row < 4; ++row)
        total += Write(&matrix.m[row * 4], 3 * static_cast<int>(sizeof(float)));
    return total;
}

int CVortanFile::RemoveStaleTemps(const char* path)
{
    if (!path || !*path)
        return 0;
    const char* slash = strrchr(path, '/');
    std::string dir = slash ? std::string(path, (size_t)(slash - path)) : std::string(".");
    if (slash == path)
        dir = "/";
    const std::string base = slash ? std::string(slash + 1) : std::string(path);
    if (base.empty())
        return 0;
    DIR* listing = opendir(dir.c_str());
    if (!listing)
        return 0;
    int removed = 0;
    while (dirent* entry = readdir(listing)) {
        const char* name = entry->d_name;
        const size_t length = strlen(name);
        if (length != base.size() + 7 || memcmp(name, base.data(), base.size()) != 0 ||
            name[base.size()] != '.')
            continue;
        bool pattern = true;
        for (size_t i = base.size() + 1; i < length; ++i) {
            const char c = name[i];
            if (!((c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')))
                pattern = false;
        }
        if (!pattern)
            continue;
        const std::string full = dir + "/" + name;
        struct stat info;
        if (lstat(full.c_str(), &info) == 0 && S_ISREG(info.st_mode) && unlink(full.c_str()) == 0)
            ++removed;
    }
    closedir(listing);
    return removed;
}

int CVortanFile::WriteReplacing(const char* path, const void* data, size_t size, bool durable)
{
    if (!path || !*path)
        return VORTAN_E_OPEN;
    std::vector<char> temp(path, path + strlen(path));
    const char suffix[] = ".XXXXXX";
    temp.insert(temp.end(), suffix, suffix + sizeof suffix);
    const char* slash = strrchr(path, '/'); // the directory, named before anything is written
    const std::string dir = !slash ? "." : slash == path ? "/" : std::string(path, slash);
    const int fd = mkstemp(temp.data());
    if (fd < 0)
        return VORTAN_E_OPEN;
    const char* at = static_cast<const char*>(data);
    bool ok = true;
    for (size_t left = size; ok && left > 0;) {
        const ssize_t n = write(fd, at, left);
        if (n < 0 && errno == EINTR)
            continue;
        ok = n > 0;
        at += ok ? n : 0;
        left -= ok ? (size_t)n : 0;
    }
    ok = ok && (!durable || fsync(fd) == 0);
    ok = (close(fd) == 0) && ok;
    ok = ok && rename(temp.data(), path) == 0;
    if (!ok) {
        unlink(temp.data());
        return VORTAN_E_FAIL;
    }
    if (durable) { // the directory's entry of the new file
        const int dirFd = open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (dirFd >= 0) {
            fsync(dirFd);
            close(dirFd);
        }
    }
    return VORTAN_OK;
}
