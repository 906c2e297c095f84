#include "engine/VortanStringArray.h"

namespace {
const CVortanString kEmptyText;
}

int CVortanStringArray::SetAt(int index, const CVortanString& text)
{
    if (index < 0)
        return VORTAN_E_ARGUMENT;
    // The text may live in this array's own buffer, which the growth replaces.
    CVortanString copy(text);
    if (copy.GetLength() != text.GetLength())
        return VORTAN_E_NOMEMORY;
    int size = GetSize();
    if (index < size) {
        ElementAt(index) = static_cast<CVortanString&&>(copy);
        return VORTAN_OK;
    }
    int rc = SetSize(index + 1);
    if (rc != VORTAN_OK)
        return rc;
    // Slots above the old size may still hold texts from before a shrink.
    for (int i = size; i < index; ++i)
        ElementAt(i).Empty();
    ElementAt(index) = static_cast<CVortanString&&>(copy);
    return VORTAN_OK;
}

int CVortanStringArray::Add(const CVortanString& text)
{
    return SetAt(GetSize(), text);
}

const CVortanString& CVortanStringArray::GetAt(int index) const
{
    if (index < 0 || index >= GetSize())
        return kEmptyText;
    return ElementAt(index);
}
