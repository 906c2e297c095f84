// CUIActionSequence and CUIActionSequenceList: timed callbacks, sounds and vibrations.
#include "ui/anim/UIActionSequence.h"

#include <new>

#include "VortanSound/VortanSoundWave.h"
#include "platform/OrloApplication.h"
#include "platform/OrloDevice.h"
#include "ui/Widget.h"

namespace {
struct CCallbackEntry {
    int pending;
    float time;
    CUIDelegate delegate;
};
struct CSoundEntry {
    int pending;
    float time;
    CVortanSoundWave* sound;
};
struct CVibrationEntry {
    int pending;
    float time;
    int value;
};

template <class T>
int Append(CVortanPtrArray*& list, T* entry)
{
    if (!entry)
        return VORTAN_E_NOMEMORY;
    if (!list) {
        list = CVortanPtrArray::Create();
        if (!list) {
            delete entry;
            return VORTAN_E_NOMEMORY;
        }
    }
    if (list->Add(entry) != VORTAN_OK) {
        delete entry;
        return VORTAN_E_NOMEMORY;
    }
    return VORTAN_OK;
}

// The entry at i when it has fallen due by `clock`: marked done and returned. One still to
// come sets *pending; it and one already done give null.
template <class T>
T* TakeDue(CVortanPtrArray* list, int i, float clock, bool* pending)
{
    T* e = (T*)list->GetAt(i);
    if (!e->pending)
        return nullptr;
    if (e->time > clock) {
        *pending = true;
        return nullptr;
    }
    e->pending = 0;
    return e;
}

template <class T>
void MarkPending(CVortanPtrArray* list)
{
    for (int i = 0; list && i < list->GetCount(); ++i)
        ((T*)list->GetAt(i))->pending = 1;
}
} // namespace

CUIActionSequence::CUIActionSequence()
    : m_owner(nullptr), m_clock(-1.0f), m_callbacks(nullptr), m_sounds(nullptr),
      m_vibrations(nullptr), m_argument(nullptr), m_argumentLife(nullptr), m_frames(nullptr)
{}

CUIActionSequence::~CUIActionSequence()
{
    for (CAdvanceFrame* f = m_frames; f; f = f->outer)
        f->alive = 0;
    Clear();
}

int CUIActionSequence::SetName(const CVortanString& name)
{
    m_name = name;
    Reset();
    return VORTAN_OK;
}

int CUIActionSequence::AddCallback(float time, const CUIDelegate& delegate)
{
    if (!delegate.function && time < 0.0f)
        return VORTAN_E_ARGUMENT;
    return Append(m_callbacks, new (std::nothrow) CCallbackEntry{0, time, delegate});
}

int CUIActionSequence::AddSound(float time, CVortanSoundWave* sound)
{
    if (!sound && time < 0.0f)
        return VORTAN_E_ARGUMENT;
    return Append(m_sounds, new (std::nothrow) CSoundEntry{0, time, sound});
}

int CUIActionSequence::AddVibration(float time, int value)
{
    if (time < 0.0f)
        return VORTAN_E_ARGUMENT;
    return Append(m_vibrations, new (std::nothrow) CVibrationEntry{0, time, value});
}

void CUIActionSequence::DropSender()
{
    CWidget::ReleaseLife(m_argumentLife);
    m_argumentLife = nullptr;
}

bool CUIActionSequence::SenderGone() const
{
    return m_argumentLife && !m_argumentLife->alive;
}

void CUIActionSequence::Reset()
{
    DropSender();
    m_argument = nullptr;
    m_clock = -1.0f;
}

void CUIActionSequence::Start(CWidget* argument)
{
    if (m_clock >= 0.0f)
        return;
    DropSender();
    m_argument = argument;
    m_argumentLife = argument ? argument->AcquireLife() : nullptr;
    m_clock = 0.0f;
    MarkPending<CCallbackEntry>(m_callbacks);
    MarkPending<CSoundEntry>(m_sounds);
    MarkPending<CVibrationEntry>(m_vibrations);
    Advance(0.0f);
}

int CUIActionSequence::StartDelegate(CWidget* sender, void* context, intptr_t, intptr_t)
{
    if (context)
        ((CUIActionSequence*)context)->Start(sender);
    return 1;
}

void CUIActionSequence::Advance(float dt)
{
    if (m_clock < 0.0f)
        return;
    if (SenderGone()) {
        Reset();
        return;
    }
    m_clock += dt;
    CAdvanceFrame frame{1, m_frames};
    m_frames = &frame;
    bool pending = false;
    // Callbacks may clear, reset or delete this sequence, or delete the sender: after each one
    // nothing of the sequence is read unless it is still there and still running.
    for (int i = 0; m_callbacks && i < m_callbacks->GetCount(); ++i) {
        CCallbackEntry* e = TakeDue<CCallbackEntry>(m_callbacks, i, m_clock, &pending);
        if (!e || !e->delegate.function)
            continue;
        CUIDelegate delegate = e->delegate;
        delegate.Call(m_argument);
        if (!frame.alive)
            return;
        if (m_clock < 0.0f || SenderGone()) {
            m_frames = frame.outer;
            if (SenderGone())
                Reset();
            return;
        }
    }
    m_frames = frame.outer;
    for (int i = 0; m_sounds && i < m_sounds->GetCount(); ++i) {
        CSoundEntry* e = TakeDue<CSoundEntry>(m_sounds, i, m_clock, &pending);
        if (e && e->sound)
            e->sound->Replay(0, 0, 0);
    }
    for (int i = 0; m_vibrations && i < m_vibrations->GetCount(); ++i) {
        CVibrationEntry* e = TakeDue<CVibrationEntry>(m_vibrations, i, m_clock, &pending);
        if (e)
            Vibrate(e->value);
    }
    if (!pending)
        Reset();
}

void CUIActionSequence::Vibrate(int value)
{
    COrloDevice* device = m_owner ? m_owner->GetDevice() : nullptr;
    if (device)
        device->Vibrate(value);
}

void CUIActionSequence::Clear()
{
    if (m_callbacks) {
        for (int i = 0; i < m_callbacks->GetCount(); ++i)
            delete (CCallbackEntry*)m_callbacks->GetAt(i);
        delete m_callbacks;
        m_callbacks = nullptr;
    }
    if (m_sounds) {
        for (int i = 0; i < m_sounds->GetCount(); ++i) {
            CSoundEntry* e = (CSoundEntry*)m_sounds->GetAt(i);
            CVortanSoundWave* sound = e->sound;
            if (sound && !(m_owner && m_owner->ReleaseSound(sound)))
                delete sound;
            delete e;
        }
        delete m_sounds;
        m_sounds = nullptr;
    }
    if (m_vibrations) {
        for (int i = 0; i < m_vibrations->GetCount(); ++i)
            delete (CVibrationEntry*)m_vibrations->GetAt(i);
        delete m_vibrations;
        m_vibrations = nullptr;
    }
    DropSender();
    m_argument = nullptr;
}

CUIActionSequenceList::CUIActionSequenceList() : m_frames(nullptr) {}

CUIActionSequenceList::~CUIActionSequenceList()
{
    for (CAdvanceFrame* f = m_frames; f; f = f->outer)
        f->alive = 0;
    DeleteAll();
}

int CUIActionSequenceList::Init()
{
    return VORTAN_OK;
}

int CUIActionSequenceList::Add(CUIActionSequence* sequence)
{
    return m_sequences.Add(sequence) == VORTAN_OK ? VORTAN_OK : VORTAN_E_NOMEMORY;
}

void CUIActionSequenceList::AdvanceAll(float dt)
{
    CAdvanceFrame frame{1, m_frames};
    m_frames = &frame;
    for (int i = 0; i < m_sequences.GetCount(); ++i) {
        ((CUIActionSequence*)m_sequences.GetAt(i))->Advance(dt);
        if (!frame.alive)
            return;
    }
    m_frames = frame.outer;
}

void CUIActionSequenceList::DeleteAll()
{
    while (m_sequences.GetCount() > 0) {
        CUIActionSequence* s = (CUIActionSequence*)m_sequences.GetAt(0);
        m_sequences.RemoveAt(0);
        s->Clear();
        delete s;
    }
    m_sequences.RemoveAll();
}
