// COrloTitleState: the product's title picture over a background, shown after the intro. It
// fades in from black over 0.5 s, starts the online part at 2.5 s, fades out to black by
// 3.0 s and finishes. When the online part cannot be started, the title stays on screen
// (at full brightness) instead of fading out into an empty program, until the user closes
// the window. A title pack that is missing, damaged or unreadable is told on standard error
// when found; the title then ends at once, and when nothing can follow it the program ends
// with the pack's exit status (VortanExitStatus.h).
#pragma once
#include "engine/VortanString.h"
#include "engine/VortanTypes.h"
#include "platform/OrloState.h"

class CVortanSurface;

#define ORLO_TITLE_PACK "title.dmp"

class COrloTitleState : public IOrloState {
public:
    COrloTitleState();
    virtual ~COrloTitleState();

    // Stores the application and opens the title pack.
    int Init(COrloApplication* application) override;
    // Releases both pictures and closes the pack.
    void Release() override;
    int Load() override;
    // Starts the online part when that has not happened yet (never while the application
    // exits).
    void Unload() override;
    int Update(float seconds) override;
    void Render() override;
    // Takes the background for the new orientation.
    int OnResize(int width, int height) override;

    float GetTime() const { return m_time; }
    int IsMenuStarted() const { return m_menuStarted; }
    // The online part could not be started: the title stays.
    int IsHolding() const { return m_holding; }
    CVortanSurface* GetBackground() const { return m_background; }
    CVortanSurface* GetTitle() const { return m_title; }

private:
    // "<base>.jpg", else "<base>.png", from the resource manager; null when neither exists.
    CVortanSurface* GetPicture(const char* base);
    void LoadBackground(bool landscape);
    void StartMenu();

    float m_time;
    CVortanSurface* m_background;
    CVortanSurface* m_title;
    i32 m_menuStarted;
    i32 m_holding;
    i32 m_packProblem; // the exit status naming the pack's problem, 0 when it served
};
