// CUIActionRegistry: the named actions of one screen, application handlers and sequences.
#pragma once
#include "engine/HashString.h"
#include "engine/VortanMap.h"
#include "ui/UIDelegate.h"

class CUIActionSequence;
class CUIActionSequenceList;

class CUIActionRegistry {
public:
    CUIActionRegistry();
    virtual ~CUIActionRegistry();

    // Keeps the list CreateSequence appends to. VORTAN_OK.
    int Init(CUIActionSequenceList* sequences);
    // Stores (or replaces) the name's delegate; with isApp also under "app:" + name. A name
    // beginning with "app:" without isApp is refused: VORTAN_E_ARGUMENT, nothing stored.
    int Register(const CVortanString& name, const CUIDelegate& delegate, int isApp);
    // The name's delegate, an empty one when the name is not registered (here or in the base).
    CUIDelegate Lookup(const CVortanString& name) const;
    // Names not stored here are looked up in `base` (null: none), which outlives this
    // registry's use; what is stored here hides the base's entry of the same name.
    void SetBase(const CUIActionRegistry* base) { m_base = base; }
    // A new idle sequence, listed, and registered under its name (refused for "app:" names,
    // the sequence is still made and listed). Null when out of memory.
    CUIActionSequence* CreateSequence(const CVortanString& name);
    void RemoveAll();
    int GetCount() const { return m_entries.GetSize(); }

private:
    int Store(const CVortanString& name, const CUIDelegate& delegate);

    CUIActionSequenceList* m_sequences;
    const CUIActionRegistry* m_base;
    CVortanMap<CHashString, CUIDelegate> m_entries;
};
