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
#include "engine/VortanXMLDataNode.h"

namespace {

// White space inside tags: space, CR and LF only (a tab is an ordinary character).
inline bool IsTagSpace(char c)
{
    return c == ' ' || c == '\r' || c == '\n';
}

const char* Find(const char* p, const char* end, char c)
{
    return p < end ? static_cast<const char*>(memchr(p, c, (size_t)(end - p))) : nullptr;
}

bool Matches(const char* p, const char* end, const char* text, size_t length)
{
    return (size_t)(end - p) >= length && memcmp(p, text, length) == 0;
}

// Copy of an attribute value with the five entities decoded; any other "&" is dropped and the
// characters after it stay. Null when out of memory.
char* DecodeValue(const char* p, const char* end)
{
    char* out = new (std::nothrow) char[(size_t)(end - p) + 1];
    if (!out) {
        return nullptr;
    }
    char* o = out;
    while (p < end) {
        const char* amp = Find(p, end, '&');
        const char* stop = amp ? amp : end;
        memcpy(o, p, (size_t)(stop - p));
        o += stop - p;
        p = stop;
        if (!amp) {
            break;
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
    return out;
}

// Null when out of memory.
char* CopyRange(const char* p, const char* end)
{
    size_t n = (size_t)(end - p);
    char* copy = new (std::nothrow) char[n + 1];
    if (!copy) {
        return nullptr;
    }
    memcpy(copy, p, n);
    copy[n] = 0;
    return copy;
}

} // namespace

// Builds nodes for the parser (it may touch the node's fields). Every builder returns null
// when memory runs out, having freed what it was given.
class CVortanXMLBuilder {
public:
    static CVortanXMLDataNode* NewNode(char* ownedName)
    {
        if (!ownedName) {
            return nullptr;
        }
        CVortanXMLDataNode* node = new (std::nothrow) CVortanXMLDataNode();
        if (!node) {
            delete[] ownedName;
            return nullptr;
        }
        node->m_name = ownedName;
        return node;
    }
    static CVortanXMLDataNode* NewAttribute(const char* p, const char* end)
    {
        size_t n = (size_t)(end - p);
        char* name = new (std::nothrow) char[n + 2];
        if (!name) {
            return nullptr;
        }
        name[0] = '$';
        memcpy(name + 1, p, n);
        name[n + 1] = 0;
        return NewNode(name);
    }
    static void SetText(CVortanXMLDataNode* node, char* ownedText) { node->m_content = ownedText; }
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
    static const char* ReadAttributes(const char* p, const char* end, CVortanXMLDataNode*** tail,
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
            while (p < end && !IsTagSpace(*p) && *p != '=' && *p != '>' &&
                   !(*p == '/' && p + 1 < end && p[1] == '>')) {
                p++;
            }
            const char* nameEnd = p;
            bool assigned = false;
            while (p < end && (IsTagSpace(*p) || *p == '=')) {
                assigned |= (*p == '=');
                p++;
            }
            const char* valueStart = p;
            const char* valueEnd = p;
            if (assigned && p < end && (*p == '"' || *p == '\'')) {
                char quote = *p++;
                valueStart = p;
                const char* close = Find(p, end, quote);
                if (close) {
                    valueEnd = close;
                    p = close + 1;
                } else { // unterminated: the value runs to the next ">" (or the end)
                    const char* gt = Find(p, end, '>');
                    valueEnd = gt ? gt : end;
                    p = valueEnd;
                }
            } else if (assigned) { // an unquoted value runs to white space or the tag end
                while (p < end && !IsTagSpace(*p) && *p != '>' &&
                       !(*p == '/' && p + 1 < end && p[1] == '>')) {
                    p++;
                }
                valueEnd = p;
            }
            if (tail) {
                CVortanXMLDataNode* attribute = NewAttribute(nameStart, nameEnd);
                if (!attribute) {
                    return nullptr;
                }
                **tail = attribute;
                if (valueEnd > valueStart) {
                    char* value = DecodeValue(valueStart, valueEnd);
                    if (!value) {
                        return nullptr;
                    }
                    SetText(attribute, value);
                }
                *tail = NextLink(attribute);
            }
        }
    }

    static int Parse(CVortanXMLDataNode* receiver, const char* buffer, const char* end);

private:
    struct Open {
        CVortanXMLDataNode* node;
        CVortanXMLDataNode** tail; // where the next child is linked
        const char* textStart;     // just after the start tag
        const char* textEnd;       // the first "<" after it (set when first searched)
        bool hasChildren;
    };

    // An element that is closed without children keeps its text, if any, as its value.
    // False when memory ran out.
    static bool CloseText(const Open& top, const char* textEnd)
    {
        if (top.hasChildren || textEnd <= top.textStart) {
            return true;
        }
        CVortanXMLDataNode* text = NewNode(CopyRange("$ORIG_DATA", "$ORIG_DATA" + 10));
        if (!text) {
            return false;
        }
        *top.tail = text;
        char* value = CopyRange(top.textStart, textEnd);
        if (!value) {
            return false;
        }
        SetText(text, value);
        return true;
    }

    // Deletes the top-level elements appended from `first` on, and everything they hold.
    static int OutOfMemory(CVortanXMLDataNode** first)
    {
        CVortanXMLDataNode::DeleteList(*first);
        *first = nullptr;
        return VORTAN_E_NOMEMORY;
    }
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
        const char* lt = Find(p, end, '<');
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
            const char* gt = Find(q, end, '>');
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
        while (q < end && !IsTagSpace(*q) && *q != '/' && *q != '>') {
            q++;
        }
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
            node = NewNode(CopyRange(nameStart, nameEnd));
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
                delete node; // not linked yet; takes its attributes with it
                return OutOfMemory(firstNew);
            }
        } else {
            gt = Find(q, end, '>');
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
    return CVortanXMLBuilder::Parse(this, buffer, buffer + length);
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
