// CVortanDataScrambler: a keyed, stateless XOR transform over data held in memory.
// Applying it twice with the same key gives the data back.
#pragma once
#include "engine/VortanString.h"

class CVortanDataScrambler {
public:
    CVortanDataScrambler() {}
    virtual ~CVortanDataScrambler() {}

    // A new scrambler on the heap.
    static CVortanDataScrambler* Create();

    // Transforms size bytes in place. Returns VORTAN_OK, or VORTAN_E_ARGUMENT when the data is
    // null, the size is not positive or the key has fewer than 3 characters (the data is then
    // unchanged).
    int Process(const CVortanString& key, void* data, int size);

    // The effective key: up to 62 characters, the key followed by the key reversed;
    // a longer key as it is.
    void BuildKey(const CVortanString& text, CVortanString& out);
};
