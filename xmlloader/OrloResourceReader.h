// IOrloResourceReader: reads a whole resource file by its bare name from the open data packs.
// The resource manager implements it; the application derives from the resource manager.
#pragma once

class CVortanString;

class IOrloResourceReader {
public:
    virtual ~IOrloResourceReader() {}

    // Reads the named file whole. Returns the number of bytes read; `*buffer` is set to null
    // first and, on success, to a new buffer of that size + 1 bytes with a NUL after the data,
    // which the caller frees with delete[]. An unknown name gives 0 and a null buffer.
    virtual int ReadResourceFile(const CVortanString& name, char** buffer) = 0;
};
