// CVexRenderer: the game's one drawing object, shared by every game screen. For now it holds
// the battlefield camera, knows the view size and keeps the clock that drives the water.
#pragma once
#include "game/VexCamera.h"

class CStateGame;
class IVortanGraphicsContext;

class CVexRenderer {
public:
    // Camera constructed, clock 0, no game.
    CVexRenderer();
    ~CVexRenderer();

    // Keeps the game and takes the view size (UpdateView). 1.
    int Init(CStateGame* game);
    // Camera offset (0, 0.5) and zoom 1; the view size from the graphics context (kept as
    // it is without one); then the camera is updated.
    void UpdateView();
    // Clock += dt, then the camera's Update.
    void UpdateCamera(float dt);

    // The application's graphics context, or null without a game or application.
    IVortanGraphicsContext* GetContext() const;
    CStateGame* GetGame() const { return m_game; }
    CVexCamera& GetCamera() { return m_camera; }
    const CVexCamera& GetCamera() const { return m_camera; }
    float GetClock() const { return m_clock; }
    // View size in pixels, as the camera holds it.
    float GetViewWidth() const { return m_camera.GetScreenSize().x; }
    float GetViewHeight() const { return m_camera.GetScreenSize().y; }

private:
    CVexRenderer(const CVexRenderer&) = delete;
    CVexRenderer& operator=(const CVexRenderer&) = delete;

    CVexCamera m_camera;
    float m_clock;
    CStateGame* m_game;
};
