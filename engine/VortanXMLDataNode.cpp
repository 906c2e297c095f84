// CVortanXMLDataNode: tree operations, path look-up and the number getters.
#include "engine/VortanXMLDataNode.h"

#include <stdio.h>
#include <string.h>

#include <new>

#include "engine/VortanXMLBlock.h"

namespace {

// A copy of the text (length < 1: up to the NUL); null for null text or when out of memory.
char* CopyText(const char* text, int length)
{
    if (!text) {
        return nullptr;
    }
    size_t n = length < 1 ? strlen(text) : strnlen(text, (size_t)length);
    char* copy = new (std::nothrow) char[n + 1];
    if (!copy) {
        return nullptr;
    }
    memcpy(copy, text, n);
    copy[n] = 0;
    return copy;
}

// The work list of the tree walks: the first entries in the object itself, more on the heap.
template <class T>
class WorkStack {
public:
    WorkStack() : m_items(m_local), m_count(0), m_capacity(kLocal) {}
    ~WorkStack()
    {
        if (m_items != m_local) {
            delete[] m_items;
        }
    }
    // False when out of memory (the stack is then unchanged).
    bool Push(const T& item)
    {
        if (m_count == m_capacity) {
            T* grown = new (std::nothrow) T[(size_t)m_capacity * 2];
            if (!grown) {
                return false;
            }
            for (int i = 0; i < m_count; i++) {
                grown[i] = m_items[i];
            }
            if (m_items != m_local) {
                delete[] m_items;
            }
            m_items = grown;
            m_capacity *= 2;
        }
        m_items[m_count++] = item;
        return true;
    }
    T Pop() { return m_items[--m_count]; }
    bool Empty() const { return m_count == 0; }

private:
    WorkStack(const WorkStack&) = delete;
    WorkStack& operator=(const WorkStack&) = delete;

    static const int kLocal = 64;
    T m_local[kLocal];
    T* m_items;
    int m_count;
    int m_capacity;
};

bool IsBlank(unsigned char c)
{
    return c <= 32;
}
bool IsXmlDigit(unsigned char c)
{
    return c >= '0' && c <= '9';
}

// "%d" over [p, end): blanks are skipped; an empty rest stores nothing (false). Then
// non-digits are skipped up to the first digit, the value being negative when any skipped
// byte was "-"; with no digit before the end the value is 0. Digits wrap at 32 bits.
bool ScanInt(const char* p, const char* end, int* out)
{
    while (p < end && IsBlank((unsigned char)*p)) {
        p++;
    }
    if (p >= end) {
        return false;
    }
    bool negative = false;
    while (p < end && !IsXmlDigit((unsigned char)*p)) {
        if (*p == '-') {
            negative = true;
        }
        p++;
    }
    u32 value = 0;
    while (p < end && IsXmlDigit((unsigned char)*p)) {
        value = value * 10u + (u32)(*p - '0');
        p++;
    }
    if (negative) {
        value = 0u - value;
    }
    *out = (int)value;
    return true;
}

// "%f" over [p, end): as ScanInt for the sign and the skipping; then digits with "." or ","
// as the decimal separator (further separators are ignored). A separator directly before the
// first digit starts the fraction, so ".5" reads as 0.5. Inside a list (`inList`) a "," ends
// the number instead.
bool ScanFloat(const char* p, const char* end, float* out, bool inList = false)
{
    while (p < end && IsBlank((unsigned char)*p)) {
        p++;
    }
    if (p >= end) {
        return false;
    }
    bool negative = false;
    bool fraction = false;
    while (p < end && !IsXmlDigit((unsigned char)*p)) {
        if (*p == '-') {
            negative = true;
        }
        fraction =
            (*p == '.' || (*p == ',' && !inList)) && p + 1 < end && IsXmlDigit((unsigned char)p[1]);
        p++;
    }
    // Mantissa of up to 19 significant digits; further integer digits raise the scale,
    // further fraction digits are below float precision and dropped.
    u64 mantissa = 0;
    int digits = 0;
    int scale = 0; // value = mantissa * 10^scale
    for (; p < end; p++) {
        unsigned char c = (unsigned char)*p;
        if (c == ',' && inList) {
            break;
        }
        if (c == '.' || c == ',') {
            fraction = true;
            continue;
        }
        if (!IsXmlDigit(c)) {
            break;
        }
        if (digits < 19) {
            if (mantissa != 0 || c != '0') {
                digits++;
            }
            mantissa = mantissa * 10u + (u64)(c - '0');
            if (fraction) {
                scale--;
            }
        } else if (!fraction) {
            scale++;
        }
    }
    double value = (double)mantissa;
    double power = 1.0;
    int magnitude = scale < 0 ? -scale : scale;
    if (magnitude > 400) {
        magnitude = 400;
    }
    for (int i = 0; i < magnitude; i++) {
        power *= 10.0;
    }
    value = scale < 0 ? value / power : value * power;
    float result = (float)value;
    *out = negative ? -result : result;
    return true;
}

// Moves past `index` fields of a value text. A field ends at a "," or at blanks (a "," after
// the blanks belongs to the same separator). False when the end comes first.
bool SkipFields(const char*& p, const char* end, int index)
{
    for (int k = 0; k < index; k++) {
        while (p < end && *p == ' ') {
            p++;
        }
        if (p >= end) {
            return false;
        }
        if (*p == ',') {
            p++;
            continue;
        }
        while (p < end && *p != ' ' && *p != ',') {
            p++;
        }
        if (p >= end) {
            return false;
        }
        while (p < end && *p == ' ') {
            p++;
        }
        if (p < end && *p == ',') {
            p++;
        }
    }
    return true;
}

// Field `index` of the node's value text (with the text's end in *end), or null when there is
// no node, no text or no such field.
const char* FieldAt(const CVortanXMLDataNode* node, int index, const char** end)
{
    const char* text = node ? node->GetValueText() : nullptr;
    if (!text) {
        return nullptr;
    }
    const char* p = text;
    *end = text + strlen(text);
    if (!SkipFields(p, *end, index)) {
        return nullptr;
    }
    return p;
}

} // namespace

CVortanXMLDataNode::CVortanXMLDataNode()
    : m_name(nullptr), m_content(nullptr), m_next(nullptr), m_block(0)
{}

CVortanXMLDataNode::CVortanXMLDataNode(const char* name)
    : m_name(CopyText(name, 0)), m_content(nullptr), m_next(nullptr), m_block(0)
{}

CVortanXMLDataNode::CVortanXMLDataNode(const char* name, CVortanFile* file)
    : m_name(CopyText(name, 0)), m_content(nullptr), m_next(nullptr), m_block(0)
{
    LoadFile(file, 0);
}

CVortanXMLDataNode::~CVortanXMLDataNode()
{
    RemoveChildren();
    FreeName();
}

void CVortanXMLDataNode::FreeName()
{
    if (!(m_block & kBlockName)) {
        delete[] m_name;
    }
    m_block &= ~kBlockName;
    m_name = nullptr;
}

void CVortanXMLDataNode::FreeValueText()
{
    if (!(m_block & kBlockValue)) {
        delete[] static_cast<char*>(m_content);
    }
    m_block &= ~kBlockValue;
    m_content = nullptr;
}

void CVortanXMLDataNode::Destroy(CVortanXMLDataNode* node)
{
    CVortanXMLBlock* block = node->Block();
    if (!block) {
        delete node;
        return;
    }
    node->~CVortanXMLDataNode();
    block->Release();
}

// Deletes a sibling list without recursion: each node's children are spliced into the work
// list before the node itself is deleted, so a deep tree cannot exhaust the stack.
void CVortanXMLDataNode::DeleteList(CVortanXMLDataNode* first)
{
    CVortanXMLDataNode* list = first;
    while (list) {
        CVortanXMLDataNode* node = list;
        list = node->m_next;
        node->m_next = nullptr;
        if (!node->IsValueNode() && node->m_content) {
            CVortanXMLDataNode* children = static_cast<CVortanXMLDataNode*>(node->m_content);
            node->m_content = nullptr;
            CVortanXMLDataNode* last = children;
            while (last->m_next) {
                last = last->m_next;
            }
            last->m_next = list;
            list = children;
        }
        Destroy(node);
    }
}

void CVortanXMLDataNode::RemoveChildren()
{
    if (IsValueNode()) {
        FreeValueText();
    } else {
        DeleteList(static_cast<CVortanXMLDataNode*>(m_content));
    }
    m_content = nullptr;
}

CVortanXMLDataNode* CVortanXMLDataNode::AddChild(const char* name, const char* value)
{
    if (IsValueNode()) {
        return nullptr;
    }
    CVortanXMLDataNode* node = new (std::nothrow) CVortanXMLDataNode(name);
    if (!node || (name && !node->m_name)) {
        delete node;
        return nullptr;
    }
    if (node->IsValueNode() && value) {
        node->m_content = CopyText(value, 0);
        if (!node->m_content) {
            delete node;
            return nullptr;
        }
    }
    CVortanXMLDataNode** link = reinterpret_cast<CVortanXMLDataNode**>(&m_content);
    while (*link) {
        link = &(*link)->m_next;
    }
    *link = node;
    return node;
}

CVortanXMLDataNode* CVortanXMLDataNode::FindChild(const char* name, int recursive) const
{
    if (!name || IsValueNode()) {
        return nullptr;
    }
    if (!recursive) {
        for (CVortanXMLDataNode* c = GetFirstChild(); c; c = c->m_next) {
            if (c->m_name && strcmp(c->m_name, name) == 0) {
                return c;
            }
        }
        return nullptr;
    }
    // Depth first: a child, then (when it does not match) its subtree, then its next sibling.
    // A search that runs out of memory for its work list finds nothing.
    WorkStack<CVortanXMLDataNode*> pending;
    CVortanXMLDataNode* c = GetFirstChild();
    while (c || !pending.Empty()) {
        if (!c) {
            c = pending.Pop();
            continue;
        }
        if (c->m_name && strcmp(c->m_name, name) == 0) {
            return c;
        }
        CVortanXMLDataNode* first = c->GetFirstChild();
        if (first) {
            if (c->m_next && !pending.Push(c->m_next)) {
                return nullptr;
            }
            c = first;
        } else {
            c = c->m_next;
        }
    }
    return nullptr;
}

const CVortanXMLDataNode* CVortanXMLDataNode::Lookup(const char* path) const
{
    return const_cast<CVortanXMLDataNode*>(this)->FindNode(path, 0);
}

CVortanXMLDataNode* CVortanXMLDataNode::FindNode(const char* path, int create)
{
    if (!path) {
        return this;
    }
    CVortanXMLDataNode* node = this;
    const char* p = path;
    while (*p) {
        const char* slash = strchr(p, '/');
        size_t length = slash ? (size_t)(slash - p) : strlen(p);
        if (length == 0) { // "a//b", a leading or trailing "/": empty components are skipped
            p += 1;
            continue;
        }
        if (node->IsValueNode()) {
            return nullptr;
        }
        CVortanXMLDataNode* found = nullptr;
        for (CVortanXMLDataNode* c = node->GetFirstChild(); c; c = c->m_next) {
            if (c->m_name && strncmp(c->m_name, p, length) == 0 && c->m_name[length] == 0) {
                found = c;
                break;
            }
        }
        if (!found) {
            if (!create) {
                return nullptr;
            }
            char* name = CopyText(p, (int)length);
            found = name ? node->AddChild(name, nullptr) : nullptr;
            delete[] name;
            if (!found) {
                return nullptr;
            }
        }
        node = found;
        p += length;
    }
    return node;
}

int CVortanXMLDataNode::GetChildCount() const
{
    int count = 0;
    for (CVortanXMLDataNode* c = GetFirstChild(); c; c = c->m_next) {
        count++;
    }
    return count;
}

void CVortanXMLDataNode::SetName(const char* text, int length)
{
    bool wasValue = IsValueNode();
    char* name = CopyText(text, length);
    if (text && !name) {
        return; // out of memory: the node stays as it was
    }
    bool isValue = name && name[0] == '$';
    if (wasValue != isValue) {
        // The content means something else for the other kind of node: free it as what it was.
        RemoveChildren();
    }
    FreeName();
    m_name = name;
}

void CVortanXMLDataNode::SetValueText(const char* text, int length)
{
    if (!IsValueNode()) {
        return;
    }
    char* copy = CopyText(text, length);
    if (text && !copy) {
        return; // out of memory: the value stays as it was
    }
    FreeValueText();
    m_content = copy;
}

int CVortanXMLDataNode::GetInt(const char* path, int defaultValue) const
{
    const CVortanXMLDataNode* node = Lookup(path);
    if (!node) {
        return defaultValue;
    }
    const char* text = node->GetValueText();
    if (!text) {
        return 0;
    }
    int value = defaultValue;
    ScanInt(text, text + strlen(text), &value);
    return value;
}

float CVortanXMLDataNode::GetFloat(const char* path, float defaultValue) const
{
    const CVortanXMLDataNode* node = Lookup(path);
    if (!node) {
        return defaultValue;
    }
    const char* text = node->GetValueText();
    float value = 0.0f;
    if (text) {
        ScanFloat(text, text + strlen(text), &value);
    }
    return value;
}

int CVortanXMLDataNode::GetIntAt(const char* path, int index, int defaultValue) const
{
    const char* end = nullptr;
    const char* p = FieldAt(Lookup(path), index, &end);
    int value = defaultValue;
    if (p) {
        ScanInt(p, end, &value);
    }
    return value;
}

float CVortanXMLDataNode::GetFloatAt(const char* path, int index, float defaultValue) const
{
    const char* end = nullptr;
    const char* p = FieldAt(Lookup(path), index, &end);
    float value = defaultValue;
    if (p) {
        ScanFloat(p, end, &value, true);
    }
    return value;
}

int CVortanXMLDataNode::GetIntArray(const char* path, int* out, int count,
                                    const int* defaults) const
{
    if (!out || count < 1) {
        return 0;
    }
    if (defaults) {
        memcpy(out, defaults, sizeof(int) * (size_t)count);
    }
    const CVortanXMLDataNode* node = Lookup(path);
    const char* text = node ? node->GetValueText() : nullptr;
    if (!text) {
        return 0;
    }
    const char* p = text;
    const char* end = text + strlen(text);
    int read = 0;
    for (int i = 0; i < count && p < end; i++) {
        const char* comma = static_cast<const char*>(memchr(p, ',', (size_t)(end - p)));
        const char* fieldEnd = comma ? comma : end;
        if (ScanInt(p, fieldEnd, &out[i])) {
            read++;
        }
        p = comma ? comma + 1 : end;
    }
    return read == count ? 1 : 0;
}

const char* CVortanXMLDataNode::GetValueNode(const char* path, const char* defaultValue) const
{
    const CVortanXMLDataNode* node = Lookup(path);
    if (!node || !node->IsValueNode()) {
        return defaultValue;
    }
    const char* text = node->GetValueText();
    return text ? text : "";
}

void CVortanXMLDataNode::SetValue(const char* path, const char* text)
{
    CVortanXMLDataNode* node = FindNode(path, 1);
    if (node && node->IsValueNode()) {
        node->SetValueText(text, 0);
    }
}

void CVortanXMLDataNode::SetInt(const char* path, int value)
{
    char text[16];
    snprintf(text, sizeof(text), "%d", value);
    SetValue(path, text);
}

// A copy of the node's name and, for a value node, of its value text; null when out of memory.
static CVortanXMLDataNode* CopyNode(const CVortanXMLDataNode* source)
{
    CVortanXMLDataNode* copy = new (std::nothrow) CVortanXMLDataNode(source->GetName());
    if (!copy || (source->GetName() && !copy->GetName())) {
        delete copy;
        return nullptr;
    }
    const char* value = source->GetValueText();
    if (value) {
        copy->SetValueText(value, 0);
        if (!copy->GetValueText()) {
            delete copy;
            return nullptr;
        }
    }
    return copy;
}

CVortanXMLDataNode* CVortanXMLDataNode::Clone() const
{
    CVortanXMLDataNode* root = CopyNode(this);
    if (!root || IsValueNode()) {
        return root;
    }
    struct Item {
        const CVortanXMLDataNode* source;
        CVortanXMLDataNode* copy;
    };
    WorkStack<Item> work;
    if (!work.Push(Item{this, root})) {
        delete root;
        return nullptr;
    }
    while (!work.Empty()) {
        Item item = work.Pop();
        CVortanXMLDataNode** link = reinterpret_cast<CVortanXMLDataNode**>(&item.copy->m_content);
        for (const CVortanXMLDataNode* c = item.source->GetFirstChild(); c; c = c->m_next) {
            CVortanXMLDataNode* copy = CopyNode(c);
            if (!copy) {
                delete root; // takes every copy made so far with it
                return nullptr;
            }
            *link = copy;
            link = &copy->m_next;
            if (!c->IsValueNode() && c->m_content && !work.Push(Item{c, copy})) {
                delete root;
                return nullptr;
            }
        }
    }
    return root;
}
