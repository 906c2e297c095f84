// CVortanXMLBlock: one block of the memory the XML parser builds its nodes in.
//
// A parse takes its nodes, with their names and value texts, one after the other from a few
// large blocks instead of one heap allocation per name, value and node. A block counts its
// users: every node placed in it and the parser while it still takes from it. The last
// user to let go frees the block, so any part of a parsed tree can be deleted on its own.
// Blocks are not shared between threads (a tree belongs to one thread at a time).
#pragma once
#include "engine/VortanTypes.h"

class CVortanXMLBlock {
public:
    // A block with room for `size` bytes and one user (its creator); null when out of memory.
    static CVortanXMLBlock* Create(size_t size);

    // `bytes` (a multiple of 8) of the block, 8-byte aligned, or null when they do not fit.
    void* Take(size_t bytes)
    {
        if (bytes > m_size - m_used) {
            return nullptr;
        }
        char* p = Data() + m_used;
        m_used += bytes;
        return p;
    }
    size_t Room() const { return m_size - m_used; }
    void AddUser() { m_users++; }
    // The last user frees the block.
    void Release();

private:
    CVortanXMLBlock(size_t size) : m_size(size), m_used(0), m_users(1) {}
    ~CVortanXMLBlock() {}
    CVortanXMLBlock(const CVortanXMLBlock&) = delete;
    CVortanXMLBlock& operator=(const CVortanXMLBlock&) = delete;

    char* Data() { return reinterpret_cast<char*>(this) + kHeader; }

    // The header's size, rounded so that the data after it keeps the allocation's alignment.
    static const size_t kHeader = 32;

    size_t m_size;
    size_t m_used;
    size_t m_users;
};
