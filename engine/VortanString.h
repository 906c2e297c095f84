// CVortanString: the UTF-16 text type of the whole system.
#pragma once
#include <stdarg.h>
#include <wchar.h>

#include <string>

#include "engine/VortanTypes.h"

class CVortanFile;

// Longest NUL-terminated input (8-bit, 16-bit or wide) read by the constructors.
#define VORTAN_STRING_MAX_INPUT 511999

// One argument of the safe formatter (CVortanString::FormatArgs).
struct CVortanFormatArg {
    enum Kind { INT, UNSIGNED, FLOAT, TEXT };
    Kind kind;
    union {
        int i;
        unsigned u;
        double f;
        const unsigned short* s;
    };
    CVortanFormatArg(int v) : kind(INT), i(v) {}
    CVortanFormatArg(unsigned v) : kind(UNSIGNED), u(v) {}
    CVortanFormatArg(double v) : kind(FLOAT), f(v) {}
    CVortanFormatArg(const unsigned short* v) : kind(TEXT), s(v) {}
};

class CVortanString {
public:
    CVortanString();
    CVortanString(const wchar_t* text);
    CVortanString(const char* text);
    CVortanString(const unsigned short* text);
    CVortanString(const CVortanString& other);
    // Moves take the buffer and leave the source empty.
    CVortanString(CVortanString&& other) noexcept
        : m_buffer(other.m_buffer), m_allocated(other.m_allocated)
    {
        other.m_buffer = nullptr;
        other.m_allocated = 0;
    }
    CVortanString(const CVortanString* other);
    // `count` units from `start` (-1: to the end), both clamped to the source.
    CVortanString(const CVortanString& source, int start, int count);
    ~CVortanString();

    static CVortanString* Create();

    void Assign(const CVortanString& other);
    CVortanString& operator=(const CVortanString& other);
    CVortanString& operator=(CVortanString&& other) noexcept
    {
        if (this != &other) {
            delete[] m_buffer;
            m_buffer = other.m_buffer;
            m_allocated = other.m_allocated;
            other.m_buffer = nullptr;
            other.m_allocated = 0;
        }
        return *this;
    }
    CVortanString& operator=(const wchar_t* text);
    CVortanString& operator=(const char* text);
    CVortanString& operator=(const unsigned short* text);
    CVortanString& operator+=(const CVortanString& other)
    {
        Append(other);
        return *this;
    }

    // Decodes UTF-8; length -1 reads up to the NUL. Never reads past `length` or a NUL (a cut
    // sequence at the end is dropped); 4-byte sequences become surrogate pairs; a form that
    // decodes to unit 0 is dropped.
    void AssignUTF8(const char* bytes, int length);
    void Empty();
    // Frees the content and returns a buffer of `units` units whose last unit is the terminator.
    unsigned short* AllocBuffer(int units);

    unsigned short* GetBuffer() const { return m_buffer; }
    int GetLength() const { return (m_buffer && m_allocated > 0) ? m_allocated - 1 : 0; }
    bool IsEmpty() const { return GetLength() == 0; }
    int Compare(const CVortanString& other) const;
    int CompareNoCase(const CVortanString& other) const;
    int Find(unsigned short ch, int start = 0) const;
    int ReverseFind(unsigned short ch, int start = -1) const;
    int FindString(const CVortanString& sub, int start = 0) const;
    int StartsWith(const CVortanString& text) const;
    int EndsWith(const CVortanString& text) const;

    bool operator==(const CVortanString& o) const { return Compare(o) == 0; }
    bool operator!=(const CVortanString& o) const { return Compare(o) != 0; }
    bool operator<(const CVortanString& o) const { return Compare(o) < 0; }

    void SetAt(int index, unsigned short ch);
    unsigned short GetAt(int index) const
    {
        return (index >= 0 && index < GetLength()) ? m_buffer[index] : 0;
    }
    void AppendChar(unsigned short ch);
    void Append(const CVortanString& other);
    int ReplaceFirst(const CVortanString& find, const CVortanString& with);
    // Replaces every occurrence, left to right; the search goes on after each inserted text.
    int ReplaceAll(const CVortanString& find, const CVortanString& with);
    void MakeLower();
    void MakeUpper();
    void SetLength(int n);

    // Low byte of each unit plus NUL. With a null `out` returns the bytes needed (length + 1,
    // also 1 for the empty string); otherwise the bytes written (length + 1), but 0 for the
    // empty string, which writes a single NUL.
    int ToAscii(char* out) const;
    // UTF-8 plus NUL; returns the byte count including the NUL (also with a null `out`).
    int ToUTF8(char* out) const;
    // u32 count, then the units little-endian; both return the bytes transferred. A count
    // that the bytes left in the file cannot hold is refused (0, the file position kept).
    int WriteToFile(CVortanFile* file) const;
    int ReadFromFile(CVortanFile* file);

    void FromInteger(int value, int base);
    void FromUnsigned(unsigned value, int base);
    void FromFloat(float value, int decimals);

    void Format(const wchar_t* format, ...);
    void Format(const unsigned short* format, ...);
    // A format that ends inside a conversion ("%", "%.", "%0") ends the output there.
    void FormatV(const unsigned short* format, va_list args);
    // Formats a text that may carry stray or unknown conversions (a language text, a text from
    // the network): conversions are taken from `args` in order; an unknown conversion, or one
    // beyond `count`, or one whose kind does not fit (its argument is then left for the next
    // conversion), is printed literally. Never reads an argument that was not passed.
    // Kinds: d, u take INT or UNSIGNED; x, X UNSIGNED or INT; f FLOAT; s, S TEXT.
    void FormatArgs(const unsigned short* format, const CVortanFormatArg* args, int count);

    // scanf-like parse of the string. A "%s" conversion takes two arguments: the UTF-16 target
    // buffer and its capacity in units (int, terminator included); copying stops at the capacity
    // and the rest of the field is passed over. A capacity below 1 stores nothing.
    int Scan(const wchar_t* format, ...) const;
    int ScanV(const unsigned short* format, va_list args) const;

private:
    // Replaces the content by a copy of `count` units (the source may lie inside this string).
    void SetUnits(const unsigned short* units, int count);
    // Takes ownership of a buffer of `allocated` units (terminator included).
    void Adopt(unsigned short* buffer, int allocated);

    unsigned short* m_buffer;
    int m_allocated;
};

// The text as 8-bit bytes (the low byte of each unit: how file names, X properties and 8-bit
// APIs take it) and as UTF-8, each up to the first NUL unit; empty when out of memory.
std::string VortanBytesOf(const CVortanString& text);
std::string VortanUTF8Of(const CVortanString& text);

// The value of hexadecimal digit c (0-9, a-f, A-F), or -1 for any other unit.
inline int VortanHexDigit(u32 c)
{
    if (c >= '0' && c <= '9')
        return (int)(c - '0');
    if (c >= 'a' && c <= 'f')
        return (int)(c - 'a' + 10);
    if (c >= 'A' && c <= 'F')
        return (int)(c - 'A' + 10);
    return -1;
}

// Allocation hook.
// Returns the pointer unchanged; records nothing.
void* TrackAllocation(void* pointer, size_t size, const char* sourcePath, int line);

// Called by main once the application object is deleted; nothing is left to do there.
void ShutdownHook();

// An object with no members; it takes one byte.
struct SVortanEmpty {};

// A new empty object (delete it when done), or null when out of memory.
SVortanEmpty* VortanAllocEmpty();
