// CVexConnectingState: the waiting screen of an online battle while the service looks for an
// opponent: the darkened title picture, drifting dots, a spinner counting down from 10 to 1,
// a waiting text and an exit button. It gives up by itself after 20 s.
#pragma once
#include "engine/VortanTypes.h"
#include "game/VexState.h"

class CVexButtonManager;
class CVexDotField;

// Seconds the screen waits for a match.
#define VEX_CONNECTING_WAIT 20.0f

class CVexConnectingState : public CVexState, public CVexButtonListener {
public:
    CVexConnectingState();
    ~CVexConnectingState() override;

    int Init(CStateGame* game) override;
    void Release() override;
    void Reset() override;
    void Update(float dt) override;
    void Render() override;
    void ReloadGraphics() override;
    // Sends the leave message and goes back to the menu.
    void OnBack(int value) override;

    void OnButtonPressed(CVexButton* button) override { (void)button; }
    void OnButtonClicked(CVexButton* button) override;
    void OnButtonHeld(CVexButton* button) override { (void)button; }

    int GetCountdown() const { return m_countdown; }
    int IsLeaving() const { return m_leaving; }
    CVexButtonManager* GetButtons() const { return m_buttons; }

private:
    // The leave message goes out once, however the screen is left.
    void Leave();
    float Elapsed() const;

    CVexDotField* m_dots;
    float m_startTime;
    i32 m_countdown;
    i32 m_leaving;
    CVexButtonManager* m_buttons;
};
