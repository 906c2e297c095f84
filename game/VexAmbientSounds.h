// CVexAmbientSounds: a battle's background sound: a looping bed and, at random intervals, one
// of a few common sounds (every 7 to 15 s) and one of a few rare ones (every 20 to 30 s).
#pragma once
#include "engine/VortanArray.h"
#include "engine/VortanTypes.h"

class CStateGame;

class CVexAmbientSounds {
public:
    // Empty lists, both timers 10 s, no game.
    CVexAmbientSounds();
    // Stops the common and rare sounds.
    virtual ~CVexAmbientSounds();

    // Keeps the game (which plays the sounds and gives the random values) and draws both
    // timers.
    void Init(CStateGame* game);
    void AddCommonSound(int id) { m_common.SetAtGrow(m_common.GetSize(), id); }
    void AddRareSound(int id) { m_rare.SetAtGrow(m_rare.GetSize(), id); }
    void SetLoopSound(int id) { m_loop = id; }
    void ResetCommonTimer();
    void ResetRareTimer();

    // Counts the timers down, plays a random sound of a list whose timer ran out (one at
    // most per update), and asks for the loop, which plays again once it has ended.
    void Update(float dt);
    // Stops every common and rare sound (not the loop).
    void StopAll();

    float GetCommonTimer() const { return m_commonTimer; }
    float GetRareTimer() const { return m_rareTimer; }

private:
    CVexAmbientSounds(const CVexAmbientSounds&) = delete;
    CVexAmbientSounds& operator=(const CVexAmbientSounds&) = delete;

    void PlayOneOf(const CVortanArray<int>& ids);
    void Stop(int id);

    CVortanArray<int> m_rare;
    CVortanArray<int> m_common;
    i32 m_loop;
    CStateGame* m_game;
    float m_rareTimer;
    float m_commonTimer;
};
