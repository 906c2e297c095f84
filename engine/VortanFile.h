// CVortanFile: one file abstraction over a stdio stream or a block of memory.
#pragma once
#include <stddef.h>
#include <stdio.h>

#include "engine/VortanTypes.h"

class CVortanString;
class CVortanID;
class CVortanMatrix;

// Open flags (bits).
enum {
    VORTAN_FILE_READ = 1,
    VORTAN_FILE_WRITE = 2,
    VORTAN_FILE_COPY = 8, // memory mode: keep an owned copy of the caller's block
    VORTAN_FILE_APPEND = 16
};

// Seek origins.
enum {
    VORTAN_SEEK_SET = 0,
    VORTAN_SEEK_FROM_LAST = 1, // position = size - offset - 1 (offset 0 is the last byte)
    VORTAN_SEEK_CURRENT = 2
};

class CVortanFile {
public:
    CVortanFile();
    virtual ~CVortanFile();

    static CVortanFile* Create();

    // Opens a file on disk ("rb", "ab" with flag 16, "wb" with flag 2). VORTAN_OK, or VORTAN_E_OPEN
    // when it cannot be opened.
    int Open(const CVortanString& path, int flags);
    // Reads and writes go to the block from now on. VORTAN_E_ARGUMENT for a null block or a size of
    // 0, VORTAN_E_NOMEMORY when the copy asked for by flag 8 cannot be made, else VORTAN_OK. The
    // position is kept.
    int OpenMemory(void* block, int size, int flags);
    void Close();

    // Both return the bytes transferred; short counts are not errors.
    int Read(void* buffer, int n);
    int Write(const void* buffer, int n);
    int Seek(int offset, int origin);
    int GetPosition() const { return m_position; }
    int GetSize() const { return m_size; }

    // Shares another file's block or stream without taking ownership of either.
    int Attach(CVortanFile* other);

    // 1 when the path opens for reading, else 0.
    static int Exists(const CVortanString& path);
    // Removes exactly the named file: VORTAN_E_MISSING when it does not exist, VORTAN_E_FAIL when
    // it cannot be removed, VORTAN_OK.
    static int Delete(const CVortanString& path);
    // Removes the temporary files that a save of the file at `path` (8-bit bytes) left behind
    // when it was cut short: regular files beside it named by its name, a dot and six letters
    // or digits (the mkstemp pattern). Nothing else is touched. Returns how many went.
    static int RemoveStaleTemps(const char* path);
    // Writes the bytes to a temporary file beside `path` (8-bit bytes; its name, a dot and six
    // letters or digits) and renames it over `path`, so that a crash at any moment leaves the old
    // file or the new one whole. `durable`: the file and then its directory's entry are synced
    // to the disk before it returns. VORTAN_OK; VORTAN_E_OPEN when the temporary file cannot be
    // made; VORTAN_E_FAIL when a write, the sync, the close or the rename fails (the temporary
    // file is removed and `path` stays as it was). May throw std::bad_alloc, before it writes.
    static int WriteReplacing(const char* path, const void* data, size_t size, bool durable);

    // Reads 8-bit text up to a NUL (consumed) or 512 bytes; returns the bytes read.
    int ReadString(CVortanString& text);
    // Writes the identifier as 8-bit text with its NUL, or a single 0 byte for none.
    int WriteID(const CVortanID* object);
    // Four groups of three floats: elements 0-2, 4-6, 8-10 and 12-14 (the rest identity).
    int ReadMatrix(CVortanMatrix& matrix);
    int WriteMatrix(const CVortanMatrix& matrix);

    int GetFlags() const { return m_flags; }
    int IsWritable() const { return m_writable; }

private:
    CVortanFile(const CVortanFile&) = delete;
    CVortanFile& operator=(const CVortanFile&) = delete;

    u8* m_memory; // block of memory mode, null in file mode
    i32 m_size;
    i32 m_position;
    i32 m_isStdio; // 1 when this object opened (and so closes) the stream
    i32 m_flags;
    FILE* m_stream;
    i32 m_writable;
};
