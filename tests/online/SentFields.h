// The tests' own reader of a message the client sent: the message's numbered fields written out
// as one line of text, straight from the octet rules (identifier, short or long length, minimal
// two's-complement integers, UTF-8 texts, lists of 0x02-tagged integers). It shares nothing with
// the client's codec, so a test that compares its line checks what left the client, not what
// the client's own decoder makes of it.
//
// Fields(message, "iitl") reads the fields with the kinds given by their numbers: i a 32-bit
// integer, L a 64-bit integer, t a text, b a byte string, l a list of integers. The line is
// "TAG: [0]=8 [1]=77 [2]='' [3]={1,2}"; a list under the constructed class reads c{1,2}, bytes
// read x'0102'. Anything the rules do not allow (a field of a kind not given, a value running
// past its field, a non-minimal integer, octets after the content) shows as a "?" entry, so the
// comparison fails on it.
#pragma once
#include <stdio.h>

#include <string>
#include <vector>

namespace sentfields {

class Reader {
public:
    Reader(const std::vector<unsigned char>& octets, size_t begin, size_t end)
        : m(octets), at(begin), end(end)
    {}
    bool Done() const { return at >= end; }
    bool Octet(unsigned& out)
    {
        if (at >= end)
            return false;
        out = m[at++];
        return true;
    }
    // A length in short form, or 0x8n and n big-endian octets (1 to 4).
    bool Length(size_t& out)
    {
        unsigned first = 0;
        if (!Octet(first))
            return false;
        if (first < 0x80) {
            out = first;
            return true;
        }
        const unsigned n = first & 0x7F;
        if (n < 1 || n > 4)
            return false;
        out = 0;
        for (unsigned i = 0; i < n; ++i) {
            unsigned o = 0;
            if (!Octet(o))
                return false;
            out = (out << 8) | o;
        }
        // The fewest octets that hold it, and only above 127.
        return out >= 128 && (n == 1 || (out >> (8 * (n - 1))) != 0);
    }
    // A length and that many octets, which must lie inside what is read.
    bool Span(size_t& from, size_t& count)
    {
        if (!Length(count) || count > end - at)
            return false;
        from = at;
        at += count;
        return true;
    }
    // A 32-bit integer: length octet 1..4, minimal two's complement.
    bool Int(long long& out)
    {
        unsigned n = 0;
        if (!Octet(n) || n < 1 || n > 4 || n > end - at)
            return false;
        long long value = (m[at] & 0x80) ? -1 : 0;
        for (unsigned i = 0; i < n; ++i)
            value = value * 256 + m[at + i];
        if (n > 1) {
            const bool redundant =
                (m[at] == 0x00 && !(m[at + 1] & 0x80)) || (m[at] == 0xFF && (m[at + 1] & 0x80));
            if (redundant)
                return false;
        }
        at += n;
        out = value;
        return true;
    }
    // A 64-bit integer of zero or more: 1..8 octets, a leading 00 only before a set top bit.
    bool Long(unsigned long long& out)
    {
        unsigned n = 0;
        if (!Octet(n) || n < 1 || n > 8 || n > end - at)
            return false;
        if (n > 1 && m[at] == 0x00 && !(m[at + 1] & 0x80))
            return false;
        out = 0;
        for (unsigned i = 0; i < n; ++i)
            out = (out << 8) | m[at + i];
        at += n;
        return true;
    }

private:
    const std::vector<unsigned char>& m;
    size_t at;
    size_t end;
};

inline std::string Hex(const std::vector<unsigned char>& m, size_t from, size_t count)
{
    std::string out;
    char two[3];
    for (size_t i = 0; i < count; ++i) {
        snprintf(two, sizeof(two), "%02x", m[from + i]);
        out += two;
    }
    return out;
}

// The line of one field's value, or "?" when the value breaks the rules.
inline std::string Value(Reader& r, char kind, bool constructed,
                         const std::vector<unsigned char>& m)
{
    size_t from = 0, count = 0;
    if (kind == 'l') {
        if (!r.Span(from, count))
            return "?";
        Reader list(m, from, from + count);
        std::string out = constructed ? "c{" : "{";
        for (bool first = true; !list.Done(); first = false) {
            unsigned universal = 0;
            long long element = 0;
            if (!list.Octet(universal) || universal != 0x02 || !list.Int(element))
                return "?";
            out += (first ? "" : ",") + std::to_string(element);
        }
        return out + "}";
    }
    if (constructed)
        return "?";
    if (kind == 'i') {
        long long value = 0;
        return r.Int(value) ? std::to_string(value) : "?";
    }
    if (kind == 'L') {
        unsigned long long value = 0;
        return r.Long(value) ? std::to_string(value) : "?";
    }
    if (!r.Span(from, count))
        return "?";
    if (kind == 't')
        return "'" + std::string(m.begin() + (long)from, m.begin() + (long)(from + count)) + "'";
    if (kind == 'b')
        return "x'" + Hex(m, from, count) + "'";
    return "?";
}

// The message as "TAG: [0]=... [1]=..." (just "TAG:" without fields), each field read as the
// kind its number has in `kinds`.
inline std::string Fields(const std::vector<unsigned char>& message, const std::string& kinds)
{
    Reader head(message, 0, message.size());
    unsigned first = 0, tag = 0;
    if (!head.Octet(first) || (first & 0xE0) != 0xA0)
        return "? identifier";
    tag = first & 0x1F;
    if (tag == 0x1F && (!head.Octet(tag) || tag < 31 || tag > 127))
        return "? identifier";
    size_t from = 0, count = 0;
    if (!head.Span(from, count) || from + count != message.size())
        return std::to_string(tag) + ": ? length";
    std::string out = std::to_string(tag) + ":";
    Reader body(message, from, from + count);
    while (!body.Done()) {
        unsigned id = 0;
        body.Octet(id);
        const unsigned number = id & 0x1F;
        const unsigned kind = id & 0xE0;
        if ((kind != 0x80 && kind != 0xA0) || number >= kinds.size()) {
            out += " ?" + Hex(message, 0, message.size());
            break;
        }
        const std::string value = Value(body, kinds[number], kind == 0xA0, message);
        out += " [" + std::to_string(number) + "]=" + value;
        if (value == "?")
            break;
    }
    return out;
}

// The kinds of each field of every message the client sends, by tag; "" for the messages
// without fields (28, 59, 90, 94, 112) and for a tag the client does not send.
inline std::string KindsOf(int tag)
{
    static const struct {
        int tag;
        const char* kinds;
    } kTable[] = {
        {0, "iiittiittitttitii"}, // connect request
        {5, "ttit"},              // login
        {7, "iii"},               // join
        {9, "i"},                 // leave
        {10, "iiii"},             // achievement list
        {13, "b"},                // game data
        {15, "Liilli"},           // game result
        {18, "L"},                // match participants
        {19, "iiitii"},           // player list
        {21, "iiiit"},            // follow
        {30, "tt"},               // language pack
        {37, "t"},                // change language
        {38, "ilt"},              // challenge
        {40, "iiiitt"},           // challenge reply
        {44, "i"},                // ping
        {46, "iLiiiit"},          // game ready
        {51, "tt"},               // two texts
        {57, "t"},                // login challenge
        {64, "iti"},              // chat
        {70, "Lii"},              // rematch reply
        {74, "iii"},              // own page
        {76, "ii"},               // block
        {88, "iii"},              // item pack chunk
        {92, "i"},                // client state
        {96, "iii"},              // shop items
        {98, "ii"},               // item enable
        {99, "li"},               // shop item images
        {101, "ii"},              // value pair
        {102, "ii"},              // buy
        {104, "iil"},             // confirm buy
        {107, "t"},               // confirm user name
        {109, "tttitt"},          // confirm e-mail
        {111, "itttt"},           // external login
        {113, "i"},               // player gift
        {115, "iil"},             // confirm gift
    };
    for (const auto& entry : kTable) {
        if (entry.tag == tag)
            return entry.kinds;
    }
    return "";
}

inline int TagOf(const std::vector<unsigned char>& m)
{
    return m.empty() ? -1 : m[0] == 0xBF && m.size() > 1 ? m[1] : (m[0] & 0x1F);
}

// Each message sent, read as Fields does with its tag's kinds.
inline std::vector<std::string> Lines(const std::vector<std::vector<unsigned char>>& sent)
{
    std::vector<std::string> out;
    for (const std::vector<unsigned char>& m : sent)
        out.push_back(Fields(m, KindsOf(TagOf(m))));
    return out;
}

// The first message of the tag among those sent, read as Fields does; "none" when there is none.
inline std::string FieldsOf(const std::vector<std::vector<unsigned char>>& sent, int tag)
{
    for (const std::vector<unsigned char>& m : sent) {
        if (TagOf(m) == tag)
            return Fields(m, KindsOf(tag));
    }
    return "none";
}

} // namespace sentfields
