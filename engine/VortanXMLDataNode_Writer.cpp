// CVortanXMLDataNode: the writer and the reader of the brace text form.
#include <string.h>

#include <new>
#include <string>
#include <vector>

#include "engine/VortanFile.h"
#include "engine/VortanXMLDataNode.h"

namespace {

const char kDeclaration[] = "<?xml version=\"1.0\" encoding=\"ISO-8859-1\" ?>\r\n";

void AppendTabs(std::string& out, int count)
{
    if (count > 0) {
        out.append((size_t)count, '\t');
    }
}

// The name as written: without its leading "$".
const char* TagName(const CVortanXMLDataNode* node)
{
    const char* name = node->GetName();
    return name[0] == '$' ? name + 1 : name;
}

// Writes the opening tag of a named node; a value node is written whole.
// Returns true when an element was opened (its children and end tag follow).
bool Open(std::string& out, const CVortanXMLDataNode* node, int indent)
{
    AppendTabs(out, indent);
    out += '<';
    out += TagName(node);
    out += '>';
    if (node->IsValueNode()) {
        if (node->GetValueText()) {
            out += node->GetValueText(); // verbatim, no entity is written
        }
        out += "</";
        out += TagName(node);
        out += ">\r\n";
        return false;
    }
    out += "\r\n";
    return true;
}

// The text of the document that Write writes (may throw std::bad_alloc).
int Compose(const CVortanXMLDataNode* root, std::string& out, int header, int indent)
{
    if (header) {
        out += kDeclaration;
    }
    int result = VORTAN_OK;
    if (!root->GetName()) {
        result = VORTAN_E_RANGE;
    } else if (Open(out, root, indent)) {
        // Depth first without recursion: each frame is an open element and its next child.
        struct Frame {
            const CVortanXMLDataNode* node;
            const CVortanXMLDataNode* next;
            int indent;
        };
        std::vector<Frame> frames;
        frames.push_back(Frame{root, root->GetFirstChild(), indent});
        while (!frames.empty()) {
            Frame& frame = frames.back();
            const CVortanXMLDataNode* child = frame.next;
            if (child) {
                frame.next = child->GetNextSibling();
                int childIndent = frame.indent + 1;
                if (child->GetName() && Open(out, child, childIndent)) { // nameless: skipped
                    frames.push_back(Frame{child, child->GetFirstChild(), childIndent});
                }
                continue;
            }
            AppendTabs(out, frame.indent);
            out += "</";
            out += TagName(frame.node);
            out += ">\r\n";
            frames.pop_back();
        }
    }
    return result;
}

} // namespace

int CVortanXMLDataNode::Write(CVortanFile* file, int header, int indent) const
{
    if (!file) {
        return VORTAN_E_ARGUMENT;
    }
    // The document is built in memory and written in one call; when memory runs out for it,
    // nothing is written.
    std::string out;
    int result = VORTAN_OK;
    try {
        result = Compose(this, out, header, indent);
    } catch (const std::bad_alloc&) {
        return VORTAN_E_NOMEMORY;
    }
    if (!out.empty()) {
        int written = file->Write(out.data(), (int)out.size());
        if (written != (int)out.size() && result == VORTAN_OK) {
            result = VORTAN_E_FAIL;
        }
    }
    return result;
}

namespace {

bool IsTokenSeparator(char c)
{
    return c == '\t' || c == ' ' || c == '\r' || c == '\n' || c == '"' || c == '{' || c == '=';
}

// Reads bytes up to and including `stop`; false at the end of the file.
bool SkipTo(CVortanFile* file, char stop)
{
    char c;
    while (file->Read(&c, 1) == 1) {
        if (c == stop) {
            return true;
        }
    }
    return false;
}

} // namespace

int CVortanXMLDataNode::ReadToken(CVortanFile* file, char* buffer, int size)
{
    if (!file || !buffer || size < 1) {
        return 0;
    }
    buffer[0] = 0;
    char c;
    for (;;) {
        if (file->Read(&c, 1) != 1 || c == '}') {
            return 0;
        }
        if (c == ';') { // comment to the end of the line
            while (file->Read(&c, 1) == 1 && c != '\r' && c != '\n') {}
            continue;
        }
        if (!IsTokenSeparator(c)) {
            break;
        }
    }
    int length = 0;
    char stop = 0;
    for (;;) {
        if (length < size - 1) {
            buffer[length++] = c;
        }
        if (file->Read(&c, 1) != 1) {
            break;
        }
        if (c == ';' || c == '}') {
            file->Seek(-1, VORTAN_SEEK_CURRENT); // left for the next call
            break;
        }
        if (IsTokenSeparator(c)) {
            stop = c;
            break;
        }
    }
    buffer[length] = 0;
    if (buffer[0] == '$') {
        // Attribute: on to the opening double quote of its value (past the "=" first).
        if (stop != '"') {
            if (stop != '=') {
                SkipTo(file, '=');
            }
            SkipTo(file, '"');
        }
    } else if (stop != '{') {
        SkipTo(file, '{');
    }
    return length;
}
