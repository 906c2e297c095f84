// The XML parser: the input is parsed from a block of exactly its size (no terminator after
// it), then every node is looked up by its path and by name, every value text goes through
// the number getters, the tree is copied and compared, written out and parsed again, and
// the same bytes are read as the brace text form.
#include <string.h>

#include <memory>
#include <string>
#include <vector>

#include "engine/VortanFile.h"
#include "engine/VortanXMLDataNode.h"
#include "fuzz/FuzzSupport.h"

namespace {

bool SameText(const char* a, const char* b)
{
    return a == b || (a && b && strcmp(a, b) == 0);
}

bool SameTree(const CVortanXMLDataNode* a, const CVortanXMLDataNode* b)
{
    if (!SameText(a->GetName(), b->GetName()) || a->IsValueNode() != b->IsValueNode())
        return false;
    if (a->IsValueNode())
        return SameText(a->GetValueText(), b->GetValueText());
    const CVortanXMLDataNode* x = a->GetFirstChild();
    const CVortanXMLDataNode* y = b->GetFirstChild();
    for (; x && y; x = x->GetNextSibling(), y = y->GetNextSibling()) {
        if (!SameTree(x, y))
            return false;
    }
    return !x && !y;
}

// The first node of that name below `node`, depth first: a child, then its subtree, then
// the next child.
const CVortanXMLDataNode* FirstNamed(const CVortanXMLDataNode* node, const char* name)
{
    for (const CVortanXMLDataNode* c = node->GetFirstChild(); c; c = c->GetNextSibling()) {
        if (SameText(c->GetName(), name))
            return c;
        if (const CVortanXMLDataNode* below = FirstNamed(c, name))
            return below;
    }
    return nullptr;
}

// The node a path leads to when each component takes the first child of that name.
CVortanXMLDataNode* FirstAlong(CVortanXMLDataNode* node, const std::vector<const char*>& names)
{
    for (const char* name : names) {
        if (node->IsValueNode())
            return nullptr;
        CVortanXMLDataNode* next = nullptr;
        for (CVortanXMLDataNode* c = node->GetFirstChild(); c && !next; c = c->GetNextSibling()) {
            if (SameText(c->GetName(), name))
                next = c;
        }
        if (!next)
            return nullptr;
        node = next;
    }
    return node;
}

struct Walk {
    CVortanXMLDataNode* root;
    std::vector<const char*> names; // of the nodes from the root down to the current one
    int visited;
};

// Visits the subtree below `node`. Paths are checked while every name on them can be written
// in a path (not empty, no "/").
void Visit(Walk& walk, CVortanXMLDataNode* node, bool lookable)
{
    for (CVortanXMLDataNode* c = node->GetFirstChild(); c && walk.visited < 4096;
         c = c->GetNextSibling()) {
        ++walk.visited;
        const char* name = c->GetName();
        if (!name) {
            Visit(walk, c, false);
            continue;
        }
        walk.names.push_back(name);
        const bool canLook = lookable && name[0] && !strchr(name, '/');
        // Look-ups from the root cost a walk of the tree each: the first nodes only.
        const bool fromRoot = walk.visited <= 32;
        if (canLook && fromRoot) {
            std::string path;
            for (const char* n : walk.names)
                path += (path.empty() ? "" : "/") + std::string(n);
            VFUZZ_CHECK(walk.root->FindNode(path.c_str(), 0) == FirstAlong(walk.root, walk.names));
        }
        if (fromRoot)
            VFUZZ_CHECK(walk.root->FindChild(name, 1) == FirstNamed(walk.root, name));
        VFUZZ_CHECK(node->FindChild(name, 0) != nullptr);

        if (c->IsValueNode()) {
            VFUZZ_CHECK(c->GetFirstChild() == nullptr && c->GetChildCount() == 0);
            if (canLook) {
                int values[4];
                const int defaults[4] = {-1, -2, -3, -4};
                node->GetInt(name, 7);
                node->GetFloat(name, 7.0f);
                for (int k = 0; k < 4; ++k) {
                    node->GetIntAt(name, k, -1);
                    node->GetFloatAt(name, k, -1.0f);
                }
                node->GetIntArray(name, values, 4, defaults);
                VFUZZ_CHECK(node->GetValueNode(name, nullptr) != nullptr);
            }
        } else {
            Visit(walk, c, canLook);
        }
        walk.names.pop_back();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > 1 << 20)
        return 0;
    std::unique_ptr<char[]> buffer(new char[size]);
    memcpy(buffer.get(), data, size);
    CVortanXMLDataNode root;
    const int parsed = root.LoadMemory(buffer.get(), (int)size);
    VFUZZ_CHECK(parsed == VORTAN_OK || parsed == VORTAN_E_MALFORMED);
    VFUZZ_CHECK((parsed == VORTAN_OK) == (root.GetFirstChild() != nullptr));

    Walk walk{&root, {}, 0};
    Visit(walk, &root, true);

    CVortanXMLDataNode* copy = root.Clone();
    VFUZZ_CHECK(copy && SameTree(&root, copy));
    delete copy;

    // Each top-level element written out parses again into at least one element.
    static std::vector<char> written(4 << 20);
    for (const CVortanXMLDataNode* top = root.GetFirstChild(); top; top = top->GetNextSibling()) {
        CVortanFile file;
        VFUZZ_CHECK(file.OpenMemory(written.data(), (int)written.size(), VORTAN_FILE_WRITE) ==
                    VORTAN_OK);
        const int result = top->Write(&file, 1, 0);
        VFUZZ_CHECK(result == VORTAN_OK || result == VORTAN_E_FAIL);
        const int length = file.GetPosition();
        file.Close();
        if (result == VORTAN_OK) {
            CVortanXMLDataNode again;
            VFUZZ_CHECK(again.LoadMemory(written.data(), length) == VORTAN_OK);
        }
    }

    // The brace text form, read token by token until it ends.
    if (size > 0) {
        CVortanFile file;
        VFUZZ_CHECK(file.OpenMemory(const_cast<uint8_t*>(data), (int)size, VORTAN_FILE_READ) ==
                    VORTAN_OK);
        char token[64];
        for (int n = 0; n < 100000; ++n) {
            const int length = CVortanXMLDataNode::ReadToken(&file, token, sizeof token);
            if (length <= 0)
                break;
            VFUZZ_CHECK(length < (int)sizeof token && token[length] == 0);
        }
    }
    return 0;
}
