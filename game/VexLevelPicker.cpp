// CVexLevelPicker: drawing levels without repeats until all have been played.
#include "game/VexLevelPicker.h"

#include "engine/platform/VortanApplication.h"

namespace {

int ClampLevel(int v, int lo, int hi)
{
    return v < lo ? lo : (v > hi ? hi : v);
}

} // namespace

int CVexLevelPicker::PickRandomLevel()
{
    for (;;) {
        for (int attempt = 0; attempt < MAX_TRIES; ++attempt) {
            int level =
                ClampLevel(RandomValue(0, LEVEL_COUNT - 1) % LEVEL_COUNT, 0, LEVEL_COUNT - 1);
            if (!IsPlayed(level)) {
                m_played.SetAtGrow(m_played.GetSize(), level);
                return level;
            }
        }
        // Every draw hit a played level: start the round of levels afresh.
        m_played.RemoveAll();
    }
}

int CVexLevelPicker::RandomSpawnPoint()
{
    return ClampLevel(RandomValue(0, 2), 0, 2);
}

int CVexLevelPicker::RandomSide()
{
    return ClampLevel(RandomValue(0, 1), 0, 1);
}

int CVexLevelPicker::RandomValue(int min, int max)
{
    return IVortanApplication::RandomInt(min, max);
}

bool CVexLevelPicker::IsPlayed(int level) const
{
    for (int i = 0; i < m_played.GetSize(); ++i)
        if (m_played[i] == level)
            return true;
    return false;
}
