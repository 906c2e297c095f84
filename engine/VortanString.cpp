// CVortanString: UTF-16 text with exact-size buffers, its formatter, parser and conversions.
#include "engine/VortanString.h"

#include <string.h>

#include <new>

#include "engine/VortanFile.h"
#include "engine/VortanTextBuilder.h"

namespace {

typedef unsigned short unit;

const int kMaxInput = VORTAN_STRING_MAX_INPUT;

// The formatter's output grows by this many units whenever it is full; the other builders
// (numbers, ReplaceAll) double their room.
const int kFormatGrowth = 512;
const int kDoubling = 0;

// Length of NUL-terminated input, capped at the longest accepted input.
template <typename T>
int BoundedLength(const T* text)
{
    if (!text)
        return 0;
    int n = 0;
    while (n < kMaxInput && text[n] != 0)
        n++;
    return n;
}

unit* NewUnits(size_t count)
{
    return new (std::nothrow) unit[count];
}

// Copies `n` units of wide (narrowed) or 8-bit (widened) text into a new terminated buffer.
unit* NarrowCopy(const wchar_t* text, int n)
{
    unit* b = NewUnits((size_t)n + 1);
    if (!b)
        return nullptr;
    for (int i = 0; i < n; i++)
        b[i] = (unit)(u32)text[i];
    b[n] = 0;
    return b;
}

unit* WidenCopy(const char* text, int n)
{
    unit* b = NewUnits((size_t)n + 1);
    if (!b)
        return nullptr;
    for (int i = 0; i < n; i++)
        b[i] = (unit)(unsigned char)text[i];
    b[n] = 0;
    return b;
}

inline bool IsDigit(unit c)
{
    return c >= '0' && c <= '9';
}

inline unit LowerUnit(unit c)
{
    if ((c >= 65 && c <= 90) || (c >= 191 && c <= 214))
        return (unit)(c + 32);
    return c;
}

inline unit UpperUnit(unit c)
{
    if ((c >= 97 && c <= 122) || (c >= 225 && c <= 246))
        return (unit)(c - 32);
    return c;
}

// Digits of `magnitude`, least significant first; returns their count.
int Digits(unit* out, u32 magnitude, int base, bool upper)
{
    const char* set = upper ? "0123456789ABCDEF" : "0123456789abcdef";
    const u32 b = (base == 16) ? 16u : 10u;
    int n = 0;
    do {
        out[n++] = (unit)set[magnitude % b];
        magnitude /= b;
    } while (magnitude != 0);
    return n;
}

// Number with the formatter's padding: (width - digits) pad units, then the sign, then digits.
void PutNumber(CVortanTextBuilder& out, u32 magnitude, bool negative, int base, bool upper,
               unit pad, int width)
{
    unit digits[40];
    int n = Digits(digits, magnitude, base, upper);
    int shown = n + (negative ? 1 : 0);
    if (width > shown && pad != 0)
        out.PutRepeated(pad, width - shown);
    if (negative)
        out.Put('-');
    while (n > 0)
        out.Put(digits[--n]);
}

// Decimal text of m * 2^shift for a 24-bit m (shift up to 105), exact.
void PutShiftedInteger(CVortanTextBuilder& out, u32 m, int shift)
{
    // Little-endian limbs of nine decimal digits each; 2^128 has 39 digits.
    u32 limbs[6] = {m % 1000000000u, m / 1000000000u, 0, 0, 0, 0};
    int used = limbs[1] ? 2 : 1;
    for (int s = 0; s < shift; s++) {
        u32 carry = 0;
        for (int i = 0; i < used; i++) {
            u64 v = (u64)limbs[i] * 2 + carry;
            limbs[i] = (u32)(v % 1000000000u);
            carry = (u32)(v / 1000000000u);
        }
        if (carry && used < 6)
            limbs[used++] = carry;
    }
    unit digits[60];
    int n = 0;
    for (int i = 0; i < used; i++) {
        u32 v = limbs[i];
        int count = 0;
        do {
            digits[n++] = (unit)('0' + v % 10);
            v /= 10;
            count++;
        } while ((i < used - 1) ? count < 9 : v != 0);
    }
    while (n > 1 && digits[n - 1] == '0')
        n--;
    while (n > 0)
        out.Put(digits[--n]);
}

// Float to text from its bits alone: integer part, then `decimals` truncated digits.
void PutFloat(CVortanTextBuilder& out, float value, int decimals)
{
    u32 bits;
    memcpy(&bits, &value, sizeof(bits));
    const bool negative = (bits >> 31) != 0;
    const int biased = (int)((bits >> 23) & 0xFF);
    const int e = biased - 127;
    const u32 m = (bits & 0x7FFFFF) | 0x800000;

    u32 integer = 0;   // used when e <= 22
    u32 fraction = 0;  // units of 2^-24
    int bigShift = -1; // e > 22: the integer part is m << bigShift
    if (biased == 255) {
        // Infinities and NaNs print as zero.
    } else if (e > 22) {
        bigShift = e - 23;
    } else if (e >= 0) {
        integer = m >> (23 - e);
        fraction = (m << (e + 1)) & 0xFFFFFF;
    } else {
        const int shift = -e - 1;
        fraction = shift >= 32 ? 0 : (m >> shift);
    }

    if (negative)
        out.Put('-');
    if (bigShift >= 0) {
        PutShiftedInteger(out, m, bigShift);
    } else {
        PutNumber(out, integer, false, 10, false, 0, 0);
    }
    if (decimals > 0) {
        out.Put('.');
        if (fraction == 0) {
            out.Put('0');
        } else {
            u32 f = fraction;
            for (int i = 0; i < decimals; i++) {
                const u32 t = f * 10;
                out.Put((unit)('0' + (t >> 24)));
                f = t & 0xFFFFFF;
            }
        }
    }
}

// Argument source of the printf-style formatter (the caller's va_list).
class VaArgs {
public:
    static const bool kLiteral = false;
    explicit VaArgs(va_list args) { va_copy(m_args, args); }
    ~VaArgs() { va_end(m_args); }
    bool Signed(long long* v)
    {
        *v = va_arg(m_args, int);
        return true;
    }
    bool Unsigned(u32* v)
    {
        *v = va_arg(m_args, unsigned);
        return true;
    }
    bool Double(double* v)
    {
        *v = va_arg(m_args, double);
        return true;
    }
    bool Text(const unit** v)
    {
        *v = va_arg(m_args, const unit*);
        return true;
    }

private:
    VaArgs(const VaArgs&) = delete;
    VaArgs& operator=(const VaArgs&) = delete;
    va_list m_args;
};

// Argument source of the safe formatter: typed, counted, never read past the end.
class ArrayArgs {
public:
    static const bool kLiteral = true;
    ArrayArgs(const CVortanFormatArg* args, int count)
        : m_args(args), m_count(args ? count : 0), m_next(0)
    {}
    bool Signed(long long* v)
    {
        const CVortanFormatArg* a = Peek();
        if (!a)
            return false;
        if (a->kind == CVortanFormatArg::INT)
            *v = a->i;
        else if (a->kind == CVortanFormatArg::UNSIGNED)
            *v = a->u;
        else
            return false;
        m_next++;
        return true;
    }
    bool Unsigned(u32* v)
    {
        const CVortanFormatArg* a = Peek();
        if (!a)
            return false;
        if (a->kind == CVortanFormatArg::UNSIGNED)
            *v = a->u;
        else if (a->kind == CVortanFormatArg::INT)
            *v = (u32)a->i;
        else
            return false;
        m_next++;
        return true;
    }
    bool Double(double* v)
    {
        const CVortanFormatArg* a = Peek();
        if (!a || a->kind != CVortanFormatArg::FLOAT)
            return false;
        *v = a->f;
        m_next++;
        return true;
    }
    bool Text(const unit** v)
    {
        const CVortanFormatArg* a = Peek();
        if (!a || a->kind != CVortanFormatArg::TEXT)
            return false;
        *v = a->s;
        m_next++;
        return true;
    }

private:
    const CVortanFormatArg* Peek() const { return m_next < m_count ? &m_args[m_next] : nullptr; }
    const CVortanFormatArg* m_args;
    int m_count;
    int m_next;
};

// The formatting engine. With a literal source (kLiteral), a conversion that is unknown,
// incomplete or has no fitting argument is copied as it stands; otherwise unknown conversions
// print nothing and an incomplete one at the end of the format ends the output.
template <typename Source>
void FormatInto(CVortanTextBuilder& out, const unit* format, Source& src)
{
    int precision = 9;
    unit pad = 0;
    int width = 0;
    const unit* f = format;
    for (;;) {
        unit c = *f;
        if (c == 0)
            return;
        if (c != '%') {
            // Copy the run of plain units in one go.
            const unit* run = f;
            while (*f != 0 && *f != '%')
                f++;
            out.Put(run, (int)(f - run));
            continue;
        }
        const unit* start = f++;
        // One optional modifier.
        c = *f;
        if (c == 'l') {
            f++;
        } else if (c == '.') {
            f++;
            if (IsDigit(*f))
                precision = *f++ - '0';
        } else if (IsDigit(c)) {
            f++;
            pad = c;
            if (IsDigit(*f))
                width = *f++ - '0';
        }
        c = *f;
        if (c == 0) {
            // The format ends inside a conversion.
            if (Source::kLiteral)
                out.Put(start, (int)(f - start));
            return;
        }
        f++;
        bool done = true;
        switch (c) {
        case 'd': {
            long long v;
            if ((done = src.Signed(&v))) {
                const bool neg = v < 0;
                const u32 mag = neg ? (u32)(0 - (unsigned long long)v) : (u32)v;
                PutNumber(out, mag, neg, 10, false, pad, width);
                pad = 0;
                width = 0;
            }
            break;
        }
        case 'u':
        case 'x':
        case 'X': {
            u32 v;
            if ((done = src.Unsigned(&v))) {
                PutNumber(out, v, false, c == 'u' ? 10 : 16, c == 'X', pad, width);
                pad = 0;
                width = 0;
            }
            break;
        }
        case 'f': {
            double v;
            if ((done = src.Double(&v))) {
                PutFloat(out, (float)v, precision);
                precision = 9;
            }
            break;
        }
        case 's':
        case 'S': {
            const unit* s;
            if ((done = src.Text(&s)) && s) {
                const unit* e = s;
                while (*e)
                    e++;
                out.Put(s, (int)(e - s));
            }
            break;
        }
        case '%':
            out.Put('%');
            break;
        default:
            done = false;
            break;
        }
        if (!done && Source::kLiteral)
            out.Put(start, (int)(f - start));
    }
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Construction and assignment

CVortanString::CVortanString() : m_buffer(nullptr), m_allocated(0) {}

CVortanString::CVortanString(const wchar_t* text) : m_buffer(nullptr), m_allocated(0)
{
    operator=(text);
}

CVortanString::CVortanString(const char* text) : m_buffer(nullptr), m_allocated(0)
{
    operator=(text);
}

CVortanString::CVortanString(const unsigned short* text) : m_buffer(nullptr), m_allocated(0)
{
    operator=(text);
}

CVortanString::CVortanString(const CVortanString& other) : m_buffer(nullptr), m_allocated(0)
{
    SetUnits(other.m_buffer, other.GetLength());
}

CVortanString::CVortanString(const CVortanString* other) : m_buffer(nullptr), m_allocated(0)
{
    if (other)
        SetUnits(other->m_buffer, other->GetLength());
}

CVortanString::CVortanString(const CVortanString& source, int start, int count)
    : m_buffer(nullptr), m_allocated(0)
{
    const int length = source.GetLength();
    if (start < 0)
        start = 0;
    if (start > length)
        start = length;
    const int available = length - start;
    if (count == -1 || count > available)
        count = available;
    if (count < 0)
        count = 0;
    SetUnits(source.m_buffer + (source.m_buffer ? start : 0), count);
}

CVortanString::~CVortanString()
{
    delete[] m_buffer;
}

CVortanString* CVortanString::Create()
{
    return new (std::nothrow) CVortanString();
}

void CVortanString::Adopt(unsigned short* buffer, int allocated)
{
    delete[] m_buffer;
    if (!buffer || allocated < 2) {
        delete[] buffer;
        m_buffer = nullptr;
        m_allocated = 0;
        return;
    }
    m_buffer = buffer;
    m_allocated = allocated;
}

void CVortanString::SetUnits(const unsigned short* units, int count)
{
    if (!units || count <= 0) {
        Empty();
        return;
    }
    unit* b = NewUnits((size_t)count + 1);
    if (b) {
        memcpy(b, units, (size_t)count * sizeof(unit));
        b[count] = 0;
    }
    Adopt(b, count + 1);
}

void CVortanString::Assign(const CVortanString& other)
{
    if (&other == this)
        return;
    SetUnits(other.m_buffer, other.GetLength());
}

CVortanString& CVortanString::operator=(const CVortanString& other)
{
    Assign(other);
    return *this;
}

CVortanString& CVortanString::operator=(const wchar_t* text)
{
    const int n = BoundedLength(text);
    if (n == 0)
        Empty();
    else
        Adopt(NarrowCopy(text, n), n + 1);
    return *this;
}

CVortanString& CVortanString::operator=(const char* text)
{
    const int n = BoundedLength(text);
    if (n == 0)
        Empty();
    else
        Adopt(WidenCopy(text, n), n + 1);
    return *this;
}

CVortanString& CVortanString::operator=(const unsigned short* text)
{
    SetUnits(text, BoundedLength(text));
    return *this;
}

void CVortanString::AssignUTF8(const char* bytes, int length)
{
    Empty();
    if (!bytes || (length < 1 && length != -1) || bytes[0] == 0)
        return;
    const unsigned char* in = (const unsigned char*)bytes;
    const size_t end = (length == -1) ? strlen(bytes) : (size_t)length;
    // Every byte gives at most one unit (a 4-byte sequence gives two).
    unit* out = NewUnits(end + 1);
    if (!out)
        return;
    size_t i = 0;
    size_t n = 0;
    // True when the `count` bytes after the lead at i are there (within the end, not NUL).
    auto have = [&](size_t count) {
        if (end - i <= count)
            return false;
        for (size_t k = 1; k <= count; k++)
            if (in[i + k] == 0)
                return false;
        return true;
    };
    while (i < end) {
        const u32 c = in[i];
        if (c == 0)
            break;
        u32 u;
        if (c >= 0xF0 && c < 0xF8) {
            if (!have(3))
                break;
            const u32 cp = ((c & 0x07) << 18) | ((in[i + 1] & 0x3Fu) << 12) |
                           ((in[i + 2] & 0x3Fu) << 6) | (in[i + 3] & 0x3Fu);
            i += 4;
            if (cp >= 0x10000 && cp <= 0x10FFFF) {
                out[n++] = (unit)(0xD800 + ((cp - 0x10000) >> 10));
                out[n++] = (unit)(0xDC00 + ((cp - 0x10000) & 0x3FF));
                continue;
            }
            u = cp > 0x10FFFF ? 0xFFFD : cp;
        } else if (c >= 0xE0) {
            if (!have(2))
                break;
            u = ((c & 0x0F) << 12) + (((u32)in[i + 1] - 0x80u) << 6) + ((u32)in[i + 2] - 0x80u);
            i += 3;
        } else if (c >= 0xC0) {
            if (!have(1))
                break;
            u = ((c - 0xC0) << 6) + ((u32)in[i + 1] - 0x80u);
            i += 2;
        } else {
            u = c & 0x7F;
            i += 1;
        }
        u &= 0xFFFF;
        if (u != 0)
            out[n++] = (unit)u;
    }
    if (n > 0)
        SetUnits(out, (int)n);
    delete[] out;
}

void CVortanString::Empty()
{
    delete[] m_buffer;
    m_buffer = nullptr;
    m_allocated = 0;
}

unsigned short* CVortanString::AllocBuffer(int units)
{
    Empty();
    if (units < 2)
        return nullptr;
    unit* b = NewUnits((size_t)units);
    if (!b)
        return nullptr;
    memset(b, 0, (size_t)units * sizeof(unit));
    m_buffer = b;
    m_allocated = units;
    return b;
}

// ---------------------------------------------------------------------------------------------
// Queries

namespace {

// Compares unit by unit after `map`; the terminators take part, so a proper prefix sorts first.
template <typename Map>
int CompareUnits(const unit* a, int la, const unit* b, int lb, Map map)
{
    if (la == 0 || lb == 0) {
        if (la == lb)
            return 0;
        return la == 0 ? -1 : 1;
    }
    const int n = (la < lb ? la : lb) + 1;
    for (int i = 0; i < n; i++) {
        const unit x = map(a[i]);
        const unit y = map(b[i]);
        if (x != y)
            return x < y ? -1 : 1;
    }
    return 0;
}

} // namespace

int CVortanString::Compare(const CVortanString& other) const
{
    return CompareUnits(m_buffer, GetLength(), other.m_buffer, other.GetLength(),
                        [](unit c) { return c; });
}

int CVortanString::CompareNoCase(const CVortanString& other) const
{
    return CompareUnits(m_buffer, GetLength(), other.m_buffer, other.GetLength(), LowerUnit);
}

int CVortanString::Find(unsigned short ch, int start) const
{
    const int length = GetLength();
    if (length == 0)
        return -1;
    if (start < 0)
        start = 0;
    if (start >= m_allocated)
        return -1;
    for (int i = start; i < length; i++)
        if (m_buffer[i] == ch)
            return i;
    return -1;
}

int CVortanString::ReverseFind(unsigned short ch, int start) const
{
    const int length = GetLength();
    if (length == 0)
        return -1;
    if (start == -1)
        start = length - 1;
    if (start < 0 || start >= m_allocated)
        return -1;
    for (int i = start; i >= 0; i--)
        if (m_buffer[i] == ch)
            return i;
    return -1;
}

int CVortanString::FindString(const CVortanString& sub, int start) const
{
    const int length = GetLength();
    const int subLength = sub.GetLength();
    if (length == 0 || subLength == 0 || subLength > length)
        return -1;
    if (start < 0)
        start = 0;
    if (start >= m_allocated)
        return -1;
    const unit first = sub.m_buffer[0];
    const size_t rest = (size_t)(subLength - 1) * sizeof(unit);
    for (int i = start; i <= length - subLength; i++) {
        if (m_buffer[i] == first && memcmp(m_buffer + i + 1, sub.m_buffer + 1, rest) == 0)
            return i;
    }
    return -1;
}

int CVortanString::StartsWith(const CVortanString& text) const
{
    const int length = GetLength();
    const int n = text.GetLength();
    if (length == 0 || n == 0 || n > length)
        return 0;
    return memcmp(m_buffer, text.m_buffer, (size_t)n * sizeof(unit)) == 0 ? 1 : 0;
}

int CVortanString::EndsWith(const CVortanString& text) const
{
    const int length = GetLength();
    const int n = text.GetLength();
    if (length == 0 || n == 0 || n > length)
        return 0;
    return memcmp(m_buffer + length - n, text.m_buffer, (size_t)n * sizeof(unit)) == 0 ? 1 : 0;
}

// ---------------------------------------------------------------------------------------------
// Editing

void CVortanString::SetAt(int index, unsigned short ch)
{
    if (index >= 0 && index < GetLength())
        m_buffer[index] = ch;
}

void CVortanString::AppendChar(unsigned short ch)
{
    const int length = GetLength();
    unit* b = NewUnits((size_t)length + 2);
    if (b) {
        if (length)
            memcpy(b, m_buffer, (size_t)length * sizeof(unit));
        b[length] = ch;
        b[length + 1] = 0;
    }
    Adopt(b, length + 2);
}

void CVortanString::Append(const CVortanString& other)
{
    const int length = GetLength();
    const int n = other.GetLength();
    if (n == 0)
        return;
    if (length == 0) {
        SetUnits(other.m_buffer, n);
        return;
    }
    unit* b = NewUnits((size_t)length + n + 1);
    if (b) {
        memcpy(b, m_buffer, (size_t)length * sizeof(unit));
        memcpy(b + length, other.m_buffer, (size_t)n * sizeof(unit));
        b[length + n] = 0;
    }
    Adopt(b, length + n + 1);
}

int CVortanString::ReplaceFirst(const CVortanString& find, const CVortanString& with)
{
    const int at = FindString(find, 0);
    if (at < 0)
        return -1;
    const int length = GetLength();
    const int findLength = find.GetLength();
    const int withLength = with.GetLength();
    const int total = length - findLength + withLength;
    if (total == 0) {
        Empty();
        return at;
    }
    unit* b = NewUnits((size_t)total + 1);
    if (b) {
        memcpy(b, m_buffer, (size_t)at * sizeof(unit));
        if (withLength)
            memcpy(b + at, with.m_buffer, (size_t)withLength * sizeof(unit));
        memcpy(b + at + withLength, m_buffer + at + findLength,
               (size_t)(length - at - findLength) * sizeof(unit));
        b[total] = 0;
    }
    Adopt(b, total + 1);
    return at;
}

int CVortanString::ReplaceAll(const CVortanString& find, const CVortanString& with)
{
    const int findLength = find.GetLength();
    if (GetLength() == 0 || findLength == 0)
        return 0;
    // One pass, left to right: the search goes on after each inserted text, so a replacement
    // that contains what it replaces is not replaced again.
    CVortanTextBuilder out(kDoubling);
    int count = 0;
    int from = 0;
    for (;;) {
        const int at = FindString(find, from);
        if (at < 0)
            break;
        out.Put(m_buffer + from, at - from);
        out.Put(with.m_buffer, with.GetLength());
        from = at + findLength;
        count++;
    }
    if (count == 0)
        return 0;
    out.Put(m_buffer + from, GetLength() - from);
    SetUnits(out.Failed() ? nullptr : out.Data(), out.Length());
    return count;
}

void CVortanString::MakeLower()
{
    const int length = GetLength();
    for (int i = 0; i < length; i++)
        m_buffer[i] = LowerUnit(m_buffer[i]);
}

void CVortanString::MakeUpper()
{
    const int length = GetLength();
    for (int i = 0; i < length; i++)
        m_buffer[i] = UpperUnit(m_buffer[i]);
}

void CVortanString::SetLength(int n)
{
    if (n <= 0) {
        Empty();
        return;
    }
    unit* b = NewUnits((size_t)n + 1);
    if (b) {
        for (int i = 0; i < n; i++)
            b[i] = ' ';
        b[n] = 0;
        const int keep = GetLength() < n ? GetLength() : n;
        if (keep)
            memcpy(b, m_buffer, (size_t)keep * sizeof(unit));
    }
    Adopt(b, n + 1);
}

// ---------------------------------------------------------------------------------------------
// Conversions

int CVortanString::ToAscii(char* out) const
{
    const int length = GetLength();
    if (!out)
        return length + 1;
    for (int i = 0; i < length; i++)
        out[i] = (char)(m_buffer[i] & 0xFF);
    out[length] = 0;
    // The empty string writes its single NUL and answers 0.
    return length ? length + 1 : 0;
}

int CVortanString::ToUTF8(char* out) const
{
    const int length = GetLength();
    int bytes = 1;
    for (int i = 0; i < length; i++) {
        const unit u = m_buffer[i];
        bytes += u < 0x80 ? 1 : (u < 0x800 ? 2 : 3);
    }
    if (!out)
        return bytes;
    unsigned char* o = (unsigned char*)out;
    for (int i = 0; i < length; i++) {
        const unit u = m_buffer[i];
        if (u < 0x80) {
            *o++ = (unsigned char)u;
        } else if (u < 0x800) {
            *o++ = (unsigned char)(0xC0 | (u >> 6));
            *o++ = (unsigned char)(0x80 | (u & 0x3F));
        } else {
            *o++ = (unsigned char)(0xE0 | (u >> 12));
            *o++ = (unsigned char)(0x80 | ((u >> 6) & 0x3F));
            *o++ = (unsigned char)(0x80 | (u & 0x3F));
        }
    }
    *o = 0;
    return bytes;
}

int CVortanString::WriteToFile(CVortanFile* file) const
{
    if (!file)
        return 0;
    const int length = GetLength();
    u8 count[4];
    VortanWriteLE32(count, (u32)length);
    int written = file->Write(count, 4);
    if (written != 4 || length == 0)
        return written;
    // Units in little-endian order, in chunks.
    unsigned char chunk[4096];
    int i = 0;
    while (i < length) {
        int n = 0;
        for (; i < length && n < (int)sizeof(chunk); i++) {
            chunk[n++] = (unsigned char)(m_buffer[i] & 0xFF);
            chunk[n++] = (unsigned char)(m_buffer[i] >> 8);
        }
        const int w = file->Write(chunk, n);
        written += w;
        if (w != n)
            break;
    }
    return written;
}

int CVortanString::ReadFromFile(CVortanFile* file)
{
    Empty();
    if (!file)
        return 0;
    const int start = file->GetPosition();
    unsigned char c[4];
    const int got = file->Read(c, 4);
    if (got != 4)
        return got;
    const u32 count = VortanReadLE32(c);
    if (count == 0)
        return 4;
    // A count that the rest of the file cannot hold is refused: nothing is allocated and the
    // file is left where it was.
    const long long left = (long long)file->GetSize() - file->GetPosition();
    if ((long long)count * 2 > left) {
        file->Seek(start, VORTAN_SEEK_SET);
        return 0;
    }
    SetLength((int)count);
    if (GetLength() != (int)count)
        return 4;
    int read = 4;
    unsigned char chunk[4096];
    int i = 0;
    while (i < (int)count) {
        int want = ((int)count - i) * 2;
        if (want > (int)sizeof(chunk))
            want = (int)sizeof(chunk);
        const int r = file->Read(chunk, want);
        if (r <= 0)
            break;
        read += r;
        for (int k = 0; k + 1 < r; k += 2)
            m_buffer[i++] = (unit)(chunk[k] | (chunk[k + 1] << 8));
        if (r != want)
            break;
    }
    return read;
}

void CVortanString::FromInteger(int value, int base)
{
    CVortanTextBuilder out(kDoubling);
    const bool neg = value < 0;
    const u32 mag = neg ? 0u - (u32)value : (u32)value;
    PutNumber(out, mag, neg, base, false, 0, 0);
    SetUnits(out.Data(), out.Length());
}

void CVortanString::FromUnsigned(unsigned value, int base)
{
    CVortanTextBuilder out(kDoubling);
    PutNumber(out, value, false, base, false, 0, 0);
    SetUnits(out.Data(), out.Length());
}

void CVortanString::FromFloat(float value, int decimals)
{
    CVortanTextBuilder out(kDoubling);
    PutFloat(out, value, decimals);
    SetUnits(out.Failed() ? nullptr : out.Data(), out.Length());
}

// ---------------------------------------------------------------------------------------------
// Formatting

namespace {

// A wide format narrowed to UTF-16, on the stack when it is short.
class NarrowedFormat {
public:
    explicit NarrowedFormat(const wchar_t* format) : m_heap(nullptr), m_text(nullptr)
    {
        const int n = BoundedLength(format);
        if (n == 0)
            return;
        unit* b = m_local;
        if (n >= kLocal) {
            m_heap = NewUnits((size_t)n + 1);
            if (!m_heap)
                return;
            b = m_heap;
        }
        for (int i = 0; i < n; i++)
            b[i] = (unit)(u32)format[i];
        b[n] = 0;
        m_text = b;
    }
    ~NarrowedFormat() { delete[] m_heap; }
    // Null for a null or empty format (or when it could not be copied).
    const unit* Text() const { return m_text; }

private:
    NarrowedFormat(const NarrowedFormat&) = delete;
    NarrowedFormat& operator=(const NarrowedFormat&) = delete;
    static const int kLocal = 256;
    unit m_local[kLocal];
    unit* m_heap;
    const unit* m_text;
};

} // namespace

void CVortanString::Format(const wchar_t* format, ...)
{
    NarrowedFormat f(format);
    if (!f.Text())
        return;
    va_list args;
    va_start(args, format);
    FormatV(f.Text(), args);
    va_end(args);
}

void CVortanString::Format(const unsigned short* format, ...)
{
    if (!format)
        return;
    va_list args;
    va_start(args, format);
    FormatV(format, args);
    va_end(args);
}

void CVortanString::FormatV(const unsigned short* format, va_list args)
{
    if (!format)
        return;
    CVortanTextBuilder out(kFormatGrowth);
    VaArgs src(args);
    FormatInto(out, format, src);
    SetUnits(out.Failed() ? nullptr : out.Data(), out.Length());
}

void CVortanString::FormatArgs(const unsigned short* format, const CVortanFormatArg* args,
                               int count)
{
    if (!format)
        return;
    CVortanTextBuilder out(kFormatGrowth);
    ArrayArgs src(args, count);
    FormatInto(out, format, src);
    SetUnits(out.Failed() ? nullptr : out.Data(), out.Length());
}

// ---------------------------------------------------------------------------------------------
// Scanning

int CVortanString::Scan(const wchar_t* format, ...) const
{
    NarrowedFormat f(format);
    if (!f.Text())
        return 0;
    va_list args;
    va_start(args, format);
    const int n = ScanV(f.Text(), args);
    va_end(args);
    return n;
}

int CVortanString::ScanV(const unsigned short* format, va_list args) const
{
    const int length = GetLength();
    if (!format || length == 0)
        return 0;
    const unit* in = m_buffer;
    int p = 0;
    int count = 0;
    const unit* f = format;
    for (;;) {
        // Literal part: each visible unit is searched forward from p.
        while (*f != 0 && *f != '%') {
            if (*f > 32) {
                for (int k = p; k < length; k++) {
                    if (in[k] == *f) {
                        p = k + 1;
                        break;
                    }
                }
            }
            f++;
        }
        while (p < length && in[p] <= 32)
            p++;
        if (*f == 0 || p >= length)
            return count;
        const unit conversion = f[1];
        if (conversion == 0)
            return count;
        f += 2;
        switch (conversion) {
        case 'd': {
            int* target = va_arg(args, int*);
            if (!target)
                break;
            bool negative = false;
            while (p < length && !IsDigit(in[p])) {
                if (in[p] == '-')
                    negative = true;
                p++;
            }
            u32 v = 0;
            while (p < length && IsDigit(in[p]))
                v = v * 10 + (u32)(in[p++] - '0');
            *target = (int)(negative ? 0u - v : v);
            count++;
            break;
        }
        case 'f': {
            float* target = va_arg(args, float*);
            if (!target)
                break;
            bool negative = false;
            while (p < length && !IsDigit(in[p])) {
                if (in[p] == '-')
                    negative = true;
                p++;
            }
            float value = 0.0f;
            float scale = 0.1f;
            bool fraction = false;
            while (p < length && (IsDigit(in[p]) || in[p] == '.' || in[p] == ',')) {
                const unit c = in[p++];
                if (c == '.' || c == ',') {
                    fraction = true;
                } else if (!fraction) {
                    value = value * 10.0f + (float)(c - '0');
                } else {
                    value = value + (float)(c - '0') * scale;
                    scale = scale * 0.1f;
                }
            }
            *target = negative ? -value : value;
            count++;
            break;
        }
        case 's': {
            unit* target = va_arg(args, unit*);
            const int capacity = va_arg(args, int);
            unit stop = *f;
            if (stop == '%')
                stop = 0;
            else if (stop != 0)
                f++;
            if (!target || capacity < 1)
                break;
            int e = p;
            while (e < length && in[e] != stop)
                e++;
            int n = e - p;
            if (n > capacity - 1)
                n = capacity - 1;
            memcpy(target, in + p, (size_t)n * sizeof(unit));
            target[n] = 0;
            p = e;
            count++;
            break;
        }
        case 'x': {
            unsigned* target = va_arg(args, unsigned*);
            if (!target)
                break;
            u32 v = 0;
            for (; p < length; p++) {
                const int digit = VortanHexDigit((u32)in[p]);
                if (digit < 0)
                    break;
                v = v * 16 + (u32)digit;
            }
            *target = v;
            count++;
            break;
        }
        default:
            break;
        }
        if (p >= length)
            return count;
    }
}

// ---------------------------------------------------------------------------------------------
// Allocation hook

void* TrackAllocation(void* pointer, size_t size, const char* sourcePath, int line)
{
    (void)size;
    (void)sourcePath;
    (void)line;
    return pointer;
}

void ShutdownHook() {}

SVortanEmpty* VortanAllocEmpty()
{
    return new (std::nothrow) SVortanEmpty();
}

namespace {
// Empty when out of memory, as every string is after a failed allocation.
std::string ConvertedText(const CVortanString& text, int (CVortanString::*convert)(char*) const)
{
    int n = (text.*convert)(nullptr);
    if (n <= 1)
        return std::string();
    try {
        std::string out(static_cast<size_t>(n), '\0');
        (text.*convert)(&out[0]);
        out.resize(strlen(out.c_str()));
        return out;
    } catch (const std::bad_alloc&) {
        return std::string();
    }
}
} // namespace

std::string VortanBytesOf(const CVortanString& text)
{
    return ConvertedText(text, &CVortanString::ToAscii);
}

std::string VortanUTF8Of(const CVortanString& text)
{
    return ConvertedText(text, &CVortanString::ToUTF8);
}
