// CUIActionRegistry: storing, replacing and looking up named actions; making sequences.
#include "ui/anim/UIActionRegistry.h"

#include <new>

#include "ui/anim/UIActionSequence.h"

namespace {
const CVortanString& AppPrefix()
{
    static const CVortanString prefix(L"app:");
    return prefix;
}
} // namespace

CUIActionRegistry::CUIActionRegistry() : m_sequences(nullptr), m_base(nullptr) {}

CUIActionRegistry::~CUIActionRegistry()
{
    RemoveAll();
}

int CUIActionRegistry::Init(CUIActionSequenceList* sequences)
{
    m_sequences = sequences;
    return VORTAN_OK;
}

int CUIActionRegistry::Store(const CVortanString& name, const CUIDelegate& delegate)
{
    CHashString key(name);
    int i = m_entries.FindKey(key);
    if (i >= 0) {
        m_entries.ElementAt(i).value = delegate;
        return VORTAN_OK;
    }
    int rc = m_entries.Add(key, delegate);
    return rc == VORTAN_OK ? VORTAN_OK : VORTAN_E_NOMEMORY;
}

int CUIActionRegistry::Register(const CVortanString& name, const CUIDelegate& delegate, int isApp)
{
    if (!isApp && name.StartsWith(AppPrefix()))
        return VORTAN_E_ARGUMENT;
    int rc = Store(name, delegate);
    if (rc != VORTAN_OK || !isApp)
        return rc;
    CVortanString appName(AppPrefix());
    appName.Append(name);
    return Store(appName, delegate);
}

CUIDelegate CUIActionRegistry::Lookup(const CVortanString& name) const
{
    int i = m_entries.FindKey(CHashString(name));
    if (i >= 0)
        return m_entries.ElementAt(i).value;
    return m_base ? m_base->Lookup(name) : CUIDelegate();
}

CUIActionSequence* CUIActionRegistry::CreateSequence(const CVortanString& name)
{
    CUIActionSequence* sequence = new (std::nothrow) CUIActionSequence();
    if (!sequence)
        return nullptr;
    sequence->SetName(name);
    if (m_sequences && m_sequences->Add(sequence) != VORTAN_OK) {
        delete sequence;
        return nullptr;
    }
    Register(name, CUIDelegate(CUIActionSequence::StartDelegate, sequence), 0);
    return sequence;
}

void CUIActionRegistry::RemoveAll()
{
    m_entries.RemoveAll();
}
