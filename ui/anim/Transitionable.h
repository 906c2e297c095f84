// CTransitionable: the set of transitions a widget holds as a second base, at most one of
// each type, started, skipped and updated together.
#pragma once
#include "engine/VortanPtrArray.h"
#include "engine/VortanTypes.h"

class CTransition;
class CWidget;

class CTransitionable {
public:
    CTransitionable();
    virtual ~CTransitionable();

    // Empties the list (deleting nothing). VORTAN_OK.
    virtual int Startup();
    // Releases and deletes every transition.
    virtual void Shutdown();
    virtual void Update(float dt);

    // Takes the transition; one of the same type already held is released and deleted.
    void AddTransition(CTransition* transition);
    CTransition* FindTransition(int type) const;
    // Every transition of the type gets the two widgets and starts.
    void BeginTransitions(int type, CWidget* outgoing, CWidget* incoming);
    void SkipTransitions(int type);
    // Every transition jumps to its end (the next Update finishes it).
    void FinishTransitions();
    bool IsTransitionRunning() const;
    int GetTransitionCount() const { return m_transitions.GetCount(); }
    CTransition* GetTransitionAt(int index) const;
    // The offset of the first transition; 0 without one.
    float GetTransitionOffset() const;

private:
    CTransitionable(const CTransitionable&) = delete;
    CTransitionable& operator=(const CTransitionable&) = delete;

    CVortanPtrArray m_transitions; // CTransition*, owned
};
