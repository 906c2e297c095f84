// CVexIntroState: the game's story intro: eleven pictures pass as one strip from right to left
// over black while the intro tune plays and a flickering torch-light overlay fades in and out;
// the strip stops with the last picture centred, the picture fades to black and the menu
// returns. A skip button and the back key end it at once.
#pragma once
#include "engine/VortanTypes.h"
#include "game/VexState.h"

class CVexButtonManager;
class CVortanSurface;

#define VEX_INTRO_PANELS 11

class CVexIntroState : public CVexState, public CVexButtonListener {
public:
    CVexIntroState();
    ~CVexIntroState() override;

    // Loads its images, the overlay and the panels, adds the skip button and starts the tune.
    int Init(CStateGame* game) override;
    void Release() override;
    void Update(float dt) override;
    void Render() override;
    void ReloadGraphics() override;
    // Gives back every picture it holds (the graphics context is going away); ReloadGraphics
    // takes them again.
    void ReleaseGraphics();
    // Skips: the tune stops and the menu returns.
    void OnBack(int value) override;

    void OnButtonPressed(CVexButton* button) override { (void)button; }
    void OnButtonClicked(CVexButton* button) override;
    void OnButtonHeld(CVexButton* button) override { (void)button; }

    // Moves the strip on by t seconds (Render calls it with the game clock's progress).
    void Advance(float t);

    int IsLeaving() const { return m_leaving; }
    int IsStopped() const { return m_stopped; }
    int IsFinished() const { return m_finished; }
    float GetFade() const { return m_fade; }
    int GetOverlayState() const { return m_overlayState; }
    float GetOverlayAlpha() const { return m_overlayAlpha; }
    int GetLoadedPanels() const { return m_loadedPanels; }
    // Left edge and centre of panel k, pixels.
    float GetPanelLeft(int k) const { return m_panels[k][0]; }
    float GetPanelCentre(int k) const { return (m_panels[k][0] + m_panels[k][2]) * 0.5f; }
    CVexButtonManager* GetButtons() const { return m_buttons; }

private:
    void Leave();
    void LayOutPanels();
    void LoadPanel(int k);
    void LoadImages();
    void UnloadImages();

    i32 m_leaving;
    CVortanSurface* m_overlay;
    CVexButtonManager* m_buttons;
    i32 m_loadedPanels;
    i32 m_armed;
    i32 m_stopped;
    i32 m_finished;
    float m_fade;
    float m_overlayRect[4];
    float m_overlayAlpha;
    i32 m_overlayState;
    i32 m_overlayFrame;
    i32 m_lastTime;
    float m_panels[VEX_INTRO_PANELS][4]; // left, top, right, bottom
    CVortanSurface* m_panelImages[VEX_INTRO_PANELS];
    i32 m_panelLoaded[VEX_INTRO_PANELS];
};
