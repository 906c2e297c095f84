// CVortanXMLDataNode: the comment pass and the single-pass parser, and the file loaders.
//
// The parser is tolerant: it does not validate and does not compare end-tag names. It walks
// the buffer once, bounded by the given length, and keeps its open elements on an explicit
// stack (no recursion) of the depth cap's size, so neither a long nor a deep document can
// overrun anything. When memory runs out it returns VORTAN_E_NOMEMORY and removes what it
// had built.
#include <string.h>

#include <new>

#include "engine/VortanFile.h"
#include "engine/VortanString.h"
#include "engine/VortanXMLBlock.h"
#include "engine/VortanXMLDataNode.h"

namespace {

// Character classes of the tag scanner.
enum : u8 {
    kTagSpace = 1,    // white space inside tags: space, CR and LF only (a tab is ordinary)
    kNameStop = 2,    // ends an element name: white space, "/" or ">"
    kAttrNameStop = 4 // ends an attribute name or an unquoted value: white space, "=", "/", ">"
};

struct CharClasses {
    u8 of[256];
    CharClasses() : of()
    {
        const unsigned char spaces[] = {' ', '\r', '\n'};
        for (unsigned char c : spaces) {
            of[c] = kTagSpace | kNameStop | kAttrNameStop;
        }
        of[(unsigned char)'/'] = kNameStop | kAttrNameStop;
        of[(unsigned char)'>'] = kNameStop | kAttrNameStop;
        of[(unsigned char)'='] = kAttrNameStop;
    }
};
const CharClasses kClasses;

inline u8 ClassOf(char c)
{
    return kClasses.of[(unsigned char)c];
}

inline bool IsTagSpace(char c)
{
    return (ClassOf(c) & kTagSpace) != 0;
}

const char* Find(const char* p, const char* end, char c)
{
    return p < end ? static_cast<const char*>(memchr(p, c, (size_t)(end - p))) : nullptr;
}

// Word-at-a-time scanning: eight bytes are compared at once where eight are left before the
// end (never a read past it); the rest goes byte by byte. On a big-endian machine everything
// goes byte by byte.
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
#define VORTAN_XML_WORDS 1
const u64 kOnes = 0x0101010101010101ull;
const u64 kHighs = 0x8080808080808080ull;

inline u64 WordAt(const char* p)
{
    u64 v;
    memcpy(&v, p, sizeof v);
    return v;
}

// The high bit of the lowest byte of `v` that equals `c` is set (bits above it may be set
// without a match: only the lowest counts).
inline u64 Equal(u64 v, unsigned char c)
{
    const u64 t = v ^ (kOnes * c);
    return (t - kOnes) & ~t & kHighs;
}

inline const char* FirstMarked(const char* p, u64 marks)
{
    return p + (__builtin_ctzll(marks) >> 3);
}
#else
#define VORTAN_XML_WORDS 0
#endif

// Find for what is usually near: the first words (cheaper than a call for the short runs
// between the marks of a tag), then memchr.
inline const char* FindNear(const char* p, const char* end, char c)
{
#if VORTAN_XML_WORDS
    for (int i = 0; i < 4 && end - p >= 8; i++, p += 8) {
        const u64 marks = Equal(WordAt(p), (unsigned char)c);
        if (marks) {
            return FirstMarked(p, marks);
        }
    }
#endif
    return Find(p, end, c);
}

// Moves to the first byte of the class `stops` (or to the end).
inline const char* SkipToClass(const char* p, const char* end, u8 stops)
{
    while (p < end && !(ClassOf(*p) & stops)) {
        p++;
    }
    return p;
}

// memcpy for names, which are mostly short: byte by byte below a call's cost.
inline void CopyShort(char* out, const char* p, size_t n)
{
    if (n > 16) {
        memcpy(out, p, n);
        return;
    }
    for (size_t i = 0; i < n; i++) {
        out[i] = p[i];
    }
}

// The closing quote of an attribute value from `p` (null when there is none), and in
// *entities whether an "&" comes before it: a short value is scanned once for both.
inline const char* FindQuote(const char* p, const char* end, char quote, bool* entities)
{
    *entities = false;
#if VORTAN_XML_WORDS
    for (; end - p >= 8; p += 8) {
        const u64 v = WordAt(p);
        const u64 marks = Equal(v, (unsigned char)quote) | Equal(v, '&');
        if (marks) {
            const char* first = FirstMarked(p, marks);
            if (*first == quote) {
                return first;
            }
            *entities = true; // an "&": only the quote is looked for from here
            return Find(first, end, quote);
        }
    }
#endif
    for (; p < end; p++) {
        if (*p == quote) {
            return p;
        }
        if (*p == '&') {
            *entities = true;
            return Find(p, end, quote);
        }
    }
    return nullptr;
}

bool Matches(const char* p, const char* end, const char* text, size_t length)
{
    return (size_t)(end - p) >= length && memcmp(p, text, length) == 0;
}

// Moves past the characters of an attribute name (`equalsStops`) or of an unquoted value: up
// to white space, ">" or "/>" (and "=" for a name).
const char* SkipAttributeText(const char* p, const char* end, bool equalsStops)
{
    for (;;) {
        p = SkipToClass(p, end, equalsStops ? kAttrNameStop : kNameStop);
        if (p < end && *p == '/' && !(p + 1 < end && p[1] == '>')) {
            p++;
            continue;
        }
        return p;
    }
}

// Writes the attribute value [p, end) to `out` with the five entities decoded, then a NUL;
// any other "&" is dropped and the characters after it stay. `out` has room for
// end - p + 1 bytes: the decoded text is never longer.
void DecodeValue(const char* p, const char* end, char* out)
{
    char* o = out;
    while (p < end) {
        if (*p != '&') {
            *o++ = *p++;
            continue;
        }
        p++;
        if (Matches(p, end, "amp;", 4)) {
            *o++ = '&';
            p += 4;
        } else if (Matches(p, end, "lt;", 3)) {
            *o++ = '<';
            p += 3;
        } else if (Matches(p, end, "gt;", 3)) {
            *o++ = '>';
            p += 3;
        } else if (Matches(p, end, "quot;", 5)) {
            *o++ = '"';
            p += 5;
        } else if (Matches(p, end, "apos;", 5)) {
            *o++ = '\'';
            p += 5;
        }
    }
    *o = 0;
}

const char kTextName[] = "$ORIG_DATA";

} // namespace

// Builds nodes for the parser (it may touch the node's fields). Each node is placed, with its
// name and value text right after it, in the parse's current block; a node too large for
// the blocks gets a block of its own. Every builder returns null when memory runs out.
class CVortanXMLBuilder {
public:
    // The first block of a document is sized after it, so that a small document takes
    // little; the blocks after it double up to the largest size.
    explicit CVortanXMLBuilder(int documentLength)
        : m_current(nullptr),
          m_nextSize(documentLength < (int)(kLargestBlock / 4) ? (size_t)documentLength * 4
                                                               : kLargestBlock)
    {
        if (m_nextSize < kSmallestBlock) {
            m_nextSize = kSmallestBlock;
        }
    }
    ~CVortanXMLBuilder()
    {
        if (m_current) {
            m_current->Release();
        }
    }

    // A node named [p, end) (after `prefix` when it is not 0) with room for a value text of
    // `valueRoom` bytes (0: none) behind its name, at *value.
    CVortanXMLDataNode* NewNode(char prefix, const char* p, const char* end, size_t valueRoom,
                                char** value = nullptr)
    {
        const size_t nameLength = (size_t)(end - p) + (prefix ? 1 : 0);
        const size_t bytes = (kNodeBytes + nameLength + 1 + valueRoom + 7) & ~(size_t)7;
        CVortanXMLBlock* block;
        char* memory = static_cast<char*>(Take(bytes, &block));
        if (!memory) {
            return nullptr;
        }
        char* name = memory + kNodeBytes;
        char* n = name;
        if (prefix) {
            *n++ = prefix;
        }
        CopyShort(n, p, (size_t)(end - p));
        n[end - p] = 0;
        CVortanXMLDataNode* node = new (memory) CVortanXMLDataNode(
            name, reinterpret_cast<uintptr_t>(block) | CVortanXMLDataNode::kBlockName);
        if (value) {
            *value = name + nameLength + 1;
        }
        return node;
    }
    static void SetBlockText(CVortanXMLDataNode* node, char* text)
    {
        node->m_content = text;
        node->m_block |= CVortanXMLDataNode::kBlockValue;
    }
    static CVortanXMLDataNode** FirstLink(CVortanXMLDataNode* node)
    {
        return reinterpret_cast<CVortanXMLDataNode**>(&node->m_content);
    }
    static CVortanXMLDataNode** NextLink(CVortanXMLDataNode* node) { return &node->m_next; }

    // Reads the rest of a start tag from `p` (just after the element name). With `tail`, each
    // attribute becomes a value node appended at `*tail`. Values end at their own closing
    // quote, so a ">" inside a quoted value does not end the tag. Returns the tag's ">" (or
    // `end` when the tag is cut off) and whether the tag closes itself; null when memory ran
    // out (the attributes appended so far stay linked).
    const char* ReadAttributes(const char* p, const char* end, CVortanXMLDataNode*** tail,
                               bool* selfClosing)
    {
        *selfClosing = false;
        for (;;) {
            while (p < end && IsTagSpace(*p)) {
                p++;
            }
            if (p >= end) {
                return end;
            }
            if (*p == '>') {
                return p;
            }
            if (*p == '/') {
                if (p + 1 < end && p[1] == '>') {
                    *selfClosing = true;
                    return p + 1;
                }
                p++; // a stray "/" inside the tag
                continue;
            }
            const char* nameStart = p;
            p = SkipAttributeText(p, end, true);
            const char* nameEnd = p;
            bool assigned = false;
            while (p < end && (IsTagSpace(*p) || *p == '=')) {
                assigned |= (*p == '=');
                p++;
            }
            const char* valueStart = p;
            const char* valueEnd = p;
            bool entities = true; // the value may hold an "&" (unknown: decode it)
            if (assigned && p < end && (*p == '"' || *p == '\'')) {
                char quote = *p++;
                valueStart = p;
                const char* close = FindQuote(p, end, quote, &entities);
                if (close) {
                    valueEnd = close;
                    p = close + 1;
                } else { // unterminated: the value runs to the next ">" (or the end)
                    const char* gt = Find(p, end, '>');
                    valueEnd = gt ? gt : end;
                    p = valueEnd;
                }
            } else if (assigned) { // an unquoted value runs to white space or the tag end
                p = SkipAttributeText(p, end, false);
                valueEnd = p;
            }
            if (tail) {
                const size_t valueLength = (size_t)(valueEnd - valueStart);
                char* value = nullptr;
                CVortanXMLDataNode* attribute =
                    NewNode('$', nameStart, nameEnd, valueLength ? valueLength + 1 : 0, &value);
                if (!attribute) {
                    return nullptr;
                }
                if (valueLength) {
                    if (entities) {
                        DecodeValue(valueStart, valueEnd, value);
                    } else {
                        CopyShort(value, valueStart, valueLength);
                        value[valueLength] = 0;
                    }
                    SetBlockText(attribute, value);
                }
                **tail = attribute;
                *tail = NextLink(attribute);
            }
        }
    }

    int Parse(CVortanXMLDataNode* receiver, const char* buffer, const char* end);

private:
    struct Open {
        CVortanXMLDataNode* node;
        CVortanXMLDataNode** tail; // where the next child is linked
        const char* textStart;     // just after the start tag
        const char* textEnd;       // the first "<" after it (set when first searched)
        bool hasChildren;
    };

    static const size_t kSmallestBlock = 512;
    static const size_t kLargestBlock = 64 * 1024 - 64; // below the heap's own large-block size
    static const size_t kNodeBytes = (sizeof(CVortanXMLDataNode) + 7) & ~(size_t)7;

    // `bytes` for one node and the block they are in (which counts the node as a user).
    void* Take(size_t bytes, CVortanXMLBlock** block)
    {
        if (m_current && m_current->Room() >= bytes) {
            m_current->AddUser();
            *block = m_current;
            return m_current->Take(bytes);
        }
        if (bytes > kLargestBlock / 4) { // a block of its own; its creator's use is the node's
            CVortanXMLBlock* own = CVortanXMLBlock::Create(bytes);
            if (!own) {
                return nullptr;
            }
            *block = own;
            return own->Take(bytes);
        }
        CVortanXMLBlock* fresh = CVortanXMLBlock::Create(bytes > m_nextSize ? bytes : m_nextSize);
        if (!fresh) {
            return nullptr;
        }
        if (m_current) {
            m_current->Release();
        }
        m_current = fresh;
        m_nextSize = m_nextSize * 2 < kLargestBlock ? m_nextSize * 2 : kLargestBlock;
        m_current->AddUser();
        *block = m_current;
        return m_current->Take(bytes);
    }

    // An element that is closed without children keeps its text, if any, as its value.
    // False when memory ran out.
    bool CloseText(const Open& top, const char* textEnd)
    {
        if (top.hasChildren || textEnd <= top.textStart) {
            return true;
        }
        const size_t length = (size_t)(textEnd - top.textStart);
        char* value = nullptr;
        CVortanXMLDataNode* text =
            NewNode(0, kTextName, kTextName + sizeof(kTextName) - 1, length + 1, &value);
        if (!text) {
            return false;
        }
        CopyShort(value, top.textStart, length);
        value[length] = 0;
        SetBlockText(text, value);
        *top.tail = text;
        return true;
    }

    // Deletes the top-level elements appended from `first` on, and everything they hold.
    static int OutOfMemory(CVortanXMLDataNode** first)
    {
        CVortanXMLDataNode::DeleteList(*first);
        *first = nullptr;
        return VORTAN_E_NOMEMORY;
    }

    CVortanXMLBlock* m_current; // the block nodes are taken from (the parser is one of its users)
    size_t m_nextSize;          // of the next block
};

int CVortanXMLBuilder::Parse(CVortanXMLDataNode* receiver, const char* buffer, const char* end)
{
    // Only elements above the depth cap are ever open.
    Open open[VORTAN_XML_MAX_DEPTH];
    int depth = 0;

    CVortanXMLDataNode** topTail = FirstLink(receiver);
    while (*topTail) {
        topTail = NextLink(*topTail);
    }
    CVortanXMLDataNode** const firstNew = topTail;
    int found = 0;
    int skipDepth = 0; // open elements being skipped below the depth cap

    const char* p = buffer;
    for (;;) {
        const char* lt = FindNear(p, end, '<');
        if (depth > 0 && !open[depth - 1].textEnd) {
            open[depth - 1].textEnd = lt ? lt : end;
        }
        if (!lt) {
            break;
        }
        const char* q = lt + 1;
        while (q < end && IsTagSpace(*q)) {
            q++;
        }
        if (q >= end) {
            break;
        }
        if (*q == '!' || *q == '?') { // declaration, DOCTYPE, processing instruction
            const char* gt = Find(q, end, '>');
            if (!gt) {
                break;
            }
            p = gt + 1;
            continue;
        }
        if (*q == '/') { // end tag: closes the innermost open element, whatever its name
            const char* gt = FindNear(q, end, '>');
            p = gt ? gt + 1 : end;
            if (skipDepth > 0) {
                skipDepth--;
                continue;
            }
            if (depth == 0) {
                break; // a stray end tag at the top level ends the document
            }
            depth--;
            if (!CloseText(open[depth], open[depth].textEnd)) {
                return OutOfMemory(firstNew);
            }
            continue;
        }

        // Start tag: the name runs up to white space, "/" or ">".
        const char* nameStart = q;
        q = SkipToClass(q, end, kNameStop);
        const char* nameEnd = q;
        bool hasAttributes = q < end && IsTagSpace(*q);
        // Elements below the depth cap are skipped with all they hold, and so are elements
        // whose name begins with "$": such a name marks a value node and cannot hold children.
        bool build = skipDepth == 0 && depth < VORTAN_XML_MAX_DEPTH &&
                     !(nameEnd > nameStart && *nameStart == '$');
        if (!build && skipDepth == 0 && depth > 0) {
            open[depth - 1].hasChildren = true; // a child exists, even though it is dropped
        }

        CVortanXMLDataNode* node = nullptr;
        CVortanXMLDataNode** attributeTail = nullptr;
        if (build) {
            node = NewNode(0, nameStart, nameEnd, 0);
            if (!node) {
                return OutOfMemory(firstNew);
            }
            attributeTail = FirstLink(node);
        }
        bool selfClosing = false;
        const char* gt;
        if (hasAttributes) {
            gt = ReadAttributes(q, end, build ? &attributeTail : nullptr, &selfClosing);
            if (!gt) {
                CVortanXMLDataNode::Destroy(node); // not linked yet; takes its attributes
                return OutOfMemory(firstNew);
            }
        } else {
            gt = FindNear(q, end, '>');
            if (!gt) {
                gt = end;
            } else {
                selfClosing = gt[-1] == '/';
            }
        }
        if (gt >= end) {
            selfClosing = true; // the tag is cut off: keep what it held and stop
        }
        p = gt < end ? gt + 1 : end;

        if (!build) {
            if (!selfClosing) {
                skipDepth++;
            }
            continue;
        }
        if (depth == 0) {
            *topTail = node;
            topTail = NextLink(node);
            found++;
        } else {
            Open& parent = open[depth - 1];
            parent.hasChildren = true;
            *parent.tail = node;
            parent.tail = NextLink(node);
        }
        if (!selfClosing) {
            open[depth++] = Open{node, attributeTail, p, nullptr, false};
        }
    }

    // The end of the buffer closes whatever is still open; text runs to the end.
    while (depth > 0) {
        depth--;
        const Open& top = open[depth];
        if (!CloseText(top, top.textEnd ? top.textEnd : end)) {
            return OutOfMemory(firstNew);
        }
    }
    return found > 0 ? VORTAN_OK : VORTAN_E_MALFORMED;
}

void CVortanXMLDataNode::BlankComments(char* buffer, int length)
{
    if (!buffer || length < 1) {
        return;
    }
    char* p = buffer;
    char* end = buffer + length;
    int depth = 0;
    while (p < end) {
        // Every marker holds "--": find the next dash and look around it.
        char* dash = static_cast<char*>(memchr(p, '-', (size_t)(end - p)));
        if (!dash) {
            if (depth > 0) {
                memset(p, ' ', (size_t)(end - p));
            }
            return;
        }
        char* marker = nullptr;
        int markerLength = 0;
        bool opens = false;
        if (dash - 2 >= p && dash[-2] == '<' && dash[-1] == '!' && dash + 1 < end &&
            dash[1] == '-') {
            marker = dash - 2;
            markerLength = 4;
            opens = true;
        } else if (dash + 2 < end && dash[1] == '-' && dash[2] == '>') {
            marker = dash;
            markerLength = 3;
        }
        if (!marker) {
            if (depth > 0) {
                memset(p, ' ', (size_t)(dash + 1 - p));
            }
            p = dash + 1;
            continue;
        }
        if (depth > 0) {
            memset(p, ' ', (size_t)(marker - p));
        }
        memset(marker, ' ', (size_t)markerLength);
        p = marker + markerLength;
        if (opens) {
            depth++;
        } else if (depth > 0) {
            depth--;
        }
    }
}

int CVortanXMLDataNode::LoadMemory(char* buffer, int length)
{
    if (!buffer || IsValueNode()) {
        return VORTAN_E_ARGUMENT;
    }
    if (length < 1) {
        return VORTAN_E_MALFORMED;
    }
    BlankComments(buffer, length);
    CVortanXMLBuilder builder(length);
    return builder.Parse(this, buffer, buffer + length);
}

int CVortanXMLDataNode::LoadFile(CVortanFile* file, int n)
{
    if (!file) {
        return VORTAN_E_ARGUMENT;
    }
    // A position outside the file leaves nothing to read (and must not overflow the sum).
    const int position = file->GetPosition();
    const int available = position < 0 ? 0 : file->GetSize() - position;
    int wanted = n > 0 && n < available ? n : available;
    if (wanted < 1) {
        return VORTAN_E_RANGE;
    }
    char* buffer = new (std::nothrow) char[(size_t)wanted];
    if (!buffer) {
        return VORTAN_E_NOMEMORY;
    }
    int got = file->Read(buffer, wanted);
    int result = got > 0 ? LoadMemory(buffer, got) : VORTAN_E_RANGE;
    delete[] buffer;
    return result;
}

int CVortanXMLDataNode::LoadFromPath(const CVortanString& path)
{
    CVortanFile file;
    int result = file.Open(path, VORTAN_FILE_READ);
    if (result != VORTAN_OK) {
        return result;
    }
    result = LoadFile(&file, 0);
    file.Close();
    return result;
}

// This file's macros end here (the build may compile it together with others).
#undef VORTAN_XML_WORDS
