// CUIActionSequence: a named list of delegate calls, sounds and vibrations due at set times
// after its start; CUIActionSequenceList: the sequences of one screen.
#pragma once
#include "engine/VortanPtrArray.h"
#include "engine/VortanString.h"
#include "ui/UIDelegate.h"

class COrloApplication;
class CVortanSoundWave;
struct CWidgetLife;

class CUIActionSequence {
public:
    CUIActionSequence();
    virtual ~CUIActionSequence(); // Clear

    // Assigns the name and resets. VORTAN_OK.
    int SetName(const CVortanString& name);
    const CVortanString& GetName() const { return m_name; }
    void SetOwner(COrloApplication* owner) { m_owner = owner; }
    COrloApplication* GetOwner() const { return m_owner; }

    // VORTAN_E_ARGUMENT when the delegate has no function and time is negative; else appends.
    int AddCallback(float time, const CUIDelegate& delegate);
    // VORTAN_E_ARGUMENT when sound is null and time is negative; else appends, owning the
    // sound (given back to the owner's resource manager by Clear).
    int AddSound(float time, CVortanSoundWave* sound);
    // VORTAN_E_ARGUMENT for a negative time; else appends.
    int AddVibration(float time, int value);

    // Starts an idle sequence: every entry pending, then Advance (0). A running sequence is not
    // restarted. The argument is every callback's sender; the sequence stops when that widget
    // is shut down or deleted.
    void Start(CWidget* argument);
    // Fires the entries due by the advanced clock: callbacks, then sounds, then vibrations,
    // each list in order; resets when nothing is pending.
    void Advance(float dt);
    // Idle: start argument 0, clock -1.
    void Reset();
    // Deletes every entry (sounds go back to the owner's manager) and the three lists.
    void Clear();

    bool IsRunning() const { return m_clock >= 0.0f; }
    float GetClock() const { return m_clock; }
    CWidget* GetStartArgument() const { return m_argument; }
    int GetCallbackCount() const { return m_callbacks ? m_callbacks->GetCount() : 0; }
    int GetSoundCount() const { return m_sounds ? m_sounds->GetCount() : 0; }
    int GetVibrationCount() const { return m_vibrations ? m_vibrations->GetCount() : 0; }

    // The function of the delegate CreateSequence registers: Start (sender) of the sequence in
    // the context; 1.
    static int StartDelegate(CWidget* sender, void* context, intptr_t, intptr_t);

protected:
    // A due vibration entry: the owner's device vibrates.
    virtual void Vibrate(int value);

private:
    struct CAdvanceFrame {
        int alive;
        CAdvanceFrame* outer;
    };
    bool SenderGone() const;
    void DropSender();

    COrloApplication* m_owner;
    CVortanString m_name;
    float m_clock;
    CVortanPtrArray* m_callbacks;
    CVortanPtrArray* m_sounds;
    CVortanPtrArray* m_vibrations;
    CWidget* m_argument;
    CWidgetLife* m_argumentLife;
    CAdvanceFrame* m_frames;
};

class CUIActionSequenceList {
public:
    CUIActionSequenceList();
    virtual ~CUIActionSequenceList(); // DeleteAll

    int Init();
    // Appends; the list owns the sequence. VORTAN_OK or VORTAN_E_NOMEMORY.
    int Add(CUIActionSequence* sequence);
    void AdvanceAll(float dt);
    // Clears, destroys and deletes every sequence; the list is empty again.
    void DeleteAll();
    int GetCount() const { return m_sequences.GetCount(); }
    CUIActionSequence* GetAt(int i) const { return (CUIActionSequence*)m_sequences.GetAt(i); }

private:
    struct CAdvanceFrame {
        int alive;
        CAdvanceFrame* outer;
    };
    CVortanPtrArray m_sequences;
    CAdvanceFrame* m_frames;
};
