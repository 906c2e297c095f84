// CVortanXMLBlock: creating and freeing a block of the XML parser's memory.
#include "engine/VortanXMLBlock.h"

#include <stdint.h>

#include <new>

CVortanXMLBlock* CVortanXMLBlock::Create(size_t size)
{
    static_assert(sizeof(CVortanXMLBlock) <= kHeader, "the block header outgrew its room");
    static_assert(kHeader % 16 == 0, "the data must keep the allocation's alignment");
    if (size > SIZE_MAX - kHeader) {
        return nullptr;
    }
    char* memory = new (std::nothrow) char[kHeader + size];
    if (!memory) {
        return nullptr;
    }
    return new (memory) CVortanXMLBlock(size);
}

void CVortanXMLBlock::Release()
{
    if (--m_users > 0) {
        return;
    }
    this->~CVortanXMLBlock();
    delete[] reinterpret_cast<char*>(this);
}
