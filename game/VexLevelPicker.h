// CVexLevelPicker: the random choices of a round start: an online level not played yet in
// this game, a spawn point and a first side. The game host keeps one for the game's life.
#pragma once
#include "engine/VortanArray.h"
#include "engine/VortanTypes.h"

class CVexLevelPicker {
public:
    enum { LEVEL_COUNT = 20, MAX_TRIES = 1000 };

    CVexLevelPicker() {}
    virtual ~CVexLevelPicker() {}

    // A level 0..19 that the played list does not hold, appended to it. After 1000 draws that
    // all hit played levels the list is emptied and the next draw is taken.
    int PickRandomLevel();
    // A spawn point 0..2 and a side 0..1.
    int RandomSpawnPoint();
    int RandomSide();

    const CVortanArray<i32>& GetPlayedLevels() const { return m_played; }

protected:
    // The game's random generator: uniform in min..max.
    virtual int RandomValue(int min, int max);

private:
    bool IsPlayed(int level) const;

    CVortanArray<i32> m_played;
};
