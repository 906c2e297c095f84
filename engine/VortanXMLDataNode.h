// CVortanXMLDataNode: the engine's XML element tree with its own tolerant parser and writer.
//
// Two kinds of node, told apart by the name:
//  - a value node has a name beginning with "$": an attribute ("$" + attribute name) or the
//    element text ("$ORIG_DATA"); its content is its owned value text (8-bit, may be null);
//  - every other node (also a nameless one) is an element node; its content is the first of
//    its children, linked through their next-sibling pointers: first the attribute nodes in
//    document order, then "$ORIG_DATA" when present, then the child elements.
// A node owns its name, its value text and its children. The nodes a parse builds, with their
// names and value texts, live in the parse's blocks (engine/VortanXMLBlock.h) rather than in
// heap allocations of their own; to the tree's users they are nodes like any other.
#pragma once
#include "engine/VortanTypes.h"

class CVortanFile;
class CVortanString;
class CVortanXMLBlock;

// Elements nested deeper than this below the receiving node are skipped with all they hold.
#define VORTAN_XML_MAX_DEPTH 256

class CVortanXMLDataNode {
public:
    CVortanXMLDataNode();
    explicit CVortanXMLDataNode(const char* name);
    // With a name, then LoadFile(file, 0).
    CVortanXMLDataNode(const char* name, CVortanFile* file);
    virtual ~CVortanXMLDataNode();

    // Parses `length` bytes of 8-bit XML in place (comments are blanked in the caller's
    // buffer) and appends each top-level element as a child. Never reads past `length`.
    // VORTAN_OK when at least one element was read, VORTAN_E_MALFORMED when none was found,
    // VORTAN_E_ARGUMENT for a null buffer or a value node as receiver, VORTAN_E_NOMEMORY when out of
    // memory (nothing of the document is kept then).
    int LoadMemory(char* buffer, int length);
    // Reads `n` bytes (0: all that is left) from the file's position into a buffer of its own
    // and parses them as LoadMemory does. VORTAN_E_RANGE for nothing to read, VORTAN_E_ARGUMENT
    // without a file, VORTAN_E_NOMEMORY when the buffer cannot be had, else the parse result.
    int LoadFile(CVortanFile* file, int n);
    // Opens the path for reading and LoadFile(file, 0); the open result when it is not VORTAN_OK.
    int LoadFromPath(const CVortanString& path);
    // Comment pass: "<!--" and "-->" become spaces, comments nest, everything inside is blanked.
    static void BlankComments(char* buffer, int length);

    // Appends a new child named `name`; a value node child gets a copy of `value` (when given).
    // Returns the new node, or null when this node is a value node (it cannot hold children)
    // or when out of memory.
    CVortanXMLDataNode* AddChild(const char* name, const char* value = nullptr);
    // First child of that name; with `recursive`, a non-matching child's subtree is searched
    // (depth first) before its next sibling.
    CVortanXMLDataNode* FindChild(const char* name, int recursive) const;
    // Node at a "/"-separated path (null path: this node). With `create`, missing components
    // are added one below the other and the last is returned.
    CVortanXMLDataNode* FindNode(const char* path, int create);
    int GetChildCount() const;

    // Replaces the name by a copy of `length` bytes (length < 1: up to the NUL); null text
    // leaves the node nameless. When the rename changes the node's kind, its content is freed.
    // Out of memory, the node stays as it was.
    void SetName(const char* text, int length);
    // Value nodes only: replaces the value text by a copy (length < 1: up to the NUL). Out of
    // memory, the value stays as it was.
    void SetValueText(const char* text, int length);
    // Deletes all children (or the value text of a value node).
    void RemoveChildren();

    // Number getters on the value text of the node at `path` (see the source for the rules).
    int GetInt(const char* path, int defaultValue) const;
    float GetFloat(const char* path, float defaultValue) const;
    int GetIntAt(const char* path, int index, int defaultValue) const;
    float GetFloatAt(const char* path, int index, float defaultValue) const;
    // Fills `out` with `defaults` (when given), then with up to `count` comma-separated
    // integers; 1 when all `count` fields were read, else 0.
    int GetIntArray(const char* path, int* out, int count, const int* defaults) const;
    // Value text of the value node at the path ("" for one without text), or `defaultValue`
    // when there is no such node or it is an element node.
    const char* GetValueNode(const char* path, const char* defaultValue) const;
    // FindNode(path, create); a value node found gets a copy of `text` (null: none).
    void SetValue(const char* path, const char* text);
    void SetInt(const char* path, int value);

    // Deep copy: name and either the value text or clones of all children in order; null
    // when out of memory.
    CVortanXMLDataNode* Clone() const;

    // Writes the node as an indented document (TAB indentation, CR LF line ends); with
    // `header` the ISO-8859-1 declaration comes first. VORTAN_OK; VORTAN_E_RANGE for a nameless
    // node; VORTAN_E_ARGUMENT without a file; VORTAN_E_FAIL when the file took fewer bytes than
    // written; VORTAN_E_NOMEMORY when out of memory (nothing is
    // written then).
    int Write(CVortanFile* file, int header, int indent) const;

    // One token of the brace text form (name { $attribute = "value" ... } with ";" comments);
    // returns its length, 0 at "}" or at the end of the file.
    static int ReadToken(CVortanFile* file, char* buffer, int size);

    const char* GetName() const { return m_name; }
    bool IsValueNode() const { return m_name && m_name[0] == '$'; }
    CVortanXMLDataNode* GetFirstChild() const
    {
        return IsValueNode() ? nullptr : static_cast<CVortanXMLDataNode*>(m_content);
    }
    CVortanXMLDataNode* GetNextSibling() const { return m_next; }
    const char* GetValueText() const
    {
        return IsValueNode() ? static_cast<const char*>(m_content) : nullptr;
    }

private:
    friend class CVortanXMLBuilder;

    CVortanXMLDataNode(const CVortanXMLDataNode&) = delete;
    CVortanXMLDataNode& operator=(const CVortanXMLDataNode&) = delete;
    // A node of the parser's, in its block.
    CVortanXMLDataNode(char* name, uintptr_t block)
        : m_name(name), m_content(nullptr), m_next(nullptr), m_block(block)
    {}

    const CVortanXMLDataNode* Lookup(const char* path) const;
    static void DeleteList(CVortanXMLDataNode* first);
    // Deletes a node of the tree, wherever its memory came from.
    static void Destroy(CVortanXMLDataNode* node);
    void FreeName();
    void FreeValueText();
    CVortanXMLBlock* Block() const
    {
        return reinterpret_cast<CVortanXMLBlock*>(m_block & ~(uintptr_t)kBlockFlags);
    }

    enum : uintptr_t {
        kBlockName = 1,  // m_name lies in the block: it goes with the block, not with delete[]
        kBlockValue = 2, // so does the value text in m_content
        kBlockFlags = 3
    };

    char* m_name;               // owned, NUL-terminated; null for a nameless node
    void* m_content;            // first child (element) or owned value text (value node)
    CVortanXMLDataNode* m_next; // next sibling
    // The parse's block that holds this node (null: the node is on the heap), with kBlockName
    // and kBlockValue in its low bits (a block is at least 16-byte aligned).
    uintptr_t m_block;
};
