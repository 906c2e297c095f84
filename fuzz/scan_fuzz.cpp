// Scan: the input is a format, a NUL, then the text scanned (both taken byte by byte as
// Latin-1 units). Each conversion of the format gets a target of its own type, "%s" a
// buffer of the text's size, and a bit of the format's first byte leaves a target null.
// The count of stored conversions never exceeds the conversions given, and a text target
// holds units copied from the text, within its capacity.
#include <stdarg.h>
#include <string.h>

#include <string>
#include <vector>

#include "engine/VortanString.h"
#include "fuzz/FuzzSupport.h"

namespace {

typedef unsigned short unit;

// Conversions that get targets, at most: the rest of the format is cut off.
const int kMaxConversions = 8;

enum Kind { NUMBER, TEXT };

union Number {
    int d;
    float f;
    unsigned x;
};

struct Targets {
    std::vector<Kind> kinds;     // per conversion with an argument
    std::vector<void*> pointers; // per conversion: its target or null
    std::vector<int> capacities; // per conversion ("%s" only)
};

int ScanWith(const CVortanString& text, const unit* format, ...)
{
    va_list args;
    va_start(args, format);
    const int n = text.ScanV(format, args);
    va_end(args);
    return n;
}

// Passes the targets as variadic arguments: a pointer per conversion (a number's as void*,
// which is passed the same way), and the capacity after a text buffer.
template <typename... Args>
int Call(const CVortanString& text, const unit* format, const Targets& t, size_t i, Args... args)
{
    if (i == t.kinds.size())
        return ScanWith(text, format, args...);
    if constexpr (sizeof...(Args) < 2 * kMaxConversions) {
        if (t.kinds[i] == TEXT)
            return Call(text, format, t, i + 1, args..., (unit*)t.pointers[i], t.capacities[i]);
        return Call(text, format, t, i + 1, args..., t.pointers[i]);
    }
    return -1;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > 1 << 16)
        return 0;
    const std::pair<std::string, std::string> parts = vfuzz::SplitAtNul(data, size);
    const unsigned nullMask = parts.first.empty() ? 0 : (unsigned char)parts.first[0];

    CVortanString text;
    if (!parts.second.empty()) {
        unit* b = text.AllocBuffer((int)parts.second.size() + 1);
        for (size_t i = 0; i < parts.second.size(); ++i)
            b[i] = (unsigned char)parts.second[i];
    }
    const size_t capacity = parts.second.size() + 1;

    // The format walked as the scanner walks it: "%" and the conversion unit; "%s" also takes
    // the unit after it as its stop unit unless that is "%".
    std::vector<unit> format;
    Targets t;
    std::vector<std::vector<unit>> texts;
    std::vector<Number> numbers(kMaxConversions);
    const std::string& f = parts.first;
    for (size_t i = 0; i < f.size(); ++i) {
        const unit c = (unsigned char)f[i];
        format.push_back(c);
        if (c != '%' || i + 1 >= f.size())
            continue;
        const unit conversion = (unsigned char)f[++i];
        if ((conversion == 'd' || conversion == 'f' || conversion == 'x' || conversion == 's') &&
            (int)t.kinds.size() == kMaxConversions) {
            format.pop_back();
            break;
        }
        format.push_back(conversion);
        const bool isNull = (nullMask >> (t.kinds.size() % 8)) & 1;
        if (conversion == 's') {
            texts.emplace_back(capacity + 1, 0xAAAA);
            t.kinds.push_back(TEXT);
            t.pointers.push_back(isNull ? nullptr : texts.back().data());
            t.capacities.push_back((int)capacity);
            if (i + 1 < f.size() && f[i + 1] != '%')
                format.push_back((unsigned char)f[++i]);
        } else if (conversion == 'd' || conversion == 'f' || conversion == 'x') {
            Number& n = numbers[t.kinds.size()];
            void* target = conversion == 'd' ? (void*)&n.d : conversion == 'f' ? (void*)&n.f : &n.x;
            t.kinds.push_back(NUMBER);
            t.pointers.push_back(isNull ? nullptr : target);
            t.capacities.push_back(0);
        }
    }
    format.push_back(0);

    const int stored = Call(text, format.data(), t, 0);
    VFUZZ_CHECK(stored >= 0 && stored <= (int)t.kinds.size());
    const std::u16string scanned(text.GetBuffer() ? (const char16_t*)text.GetBuffer() : u"",
                                 (size_t)text.GetLength());
    for (const std::vector<unit>& buffer : texts) {
        // At most its capacity, terminator included: the unit after it is never written.
        VFUZZ_CHECK(buffer[capacity] == 0xAAAA);
        if (buffer[0] == 0xAAAA)
            continue; // not stored
        size_t n = 0;
        while (n < capacity && buffer[n] != 0)
            ++n;
        VFUZZ_CHECK(n < capacity);
        VFUZZ_CHECK(scanned.find(std::u16string((const char16_t*)buffer.data(), n)) !=
                    std::u16string::npos);
    }
    return 0;
}
