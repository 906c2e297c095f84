// COrloIntroState: the maker's animated logo with a welcome sound, the first screen of the
// program. Twelve logo frames cross-fade in about one second, the picture fades to black
// from 1.5 s and the screen finishes at 2.0 s of counted time (the first five updates after
// loading do not count, so a slow first frame does not skip the logo).
#pragma once
#include "engine/VortanTypes.h"
#include "platform/OrloState.h"

class CVortanSurface;
class CVortanSoundWave;

#define ORLO_INTRO_PACK "orlointro.dmp"
#define ORLO_INTRO_FRAMES 12

class COrloIntroState : public IOrloState {
public:
    COrloIntroState();
    virtual ~COrloIntroState();

    int Init(COrloApplication* application) override;
    void Release() override;
    // Opens the intro pack and gets the twelve frames and the sound; 0 when a frame is
    // missing (the screen still runs; missing frames are not drawn).
    int Load() override;
    void Unload() override;
    int Update(float seconds) override;
    void Render() override;

    float GetTime() const { return m_time; }

private:
    float m_time;
    i32 m_startupFrames;
    CVortanSoundWave* m_sound;
    i32 m_soundPlayed;
    CVortanSurface* m_frames[ORLO_INTRO_FRAMES];
};
