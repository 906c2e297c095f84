// CVexButtonManager: the buttons of one game screen. It reads the first finger of the game's
// touch table, animates its buttons (press shrink, release grow, idle bobbing), plays the
// button sounds and tells the screen of presses, holds and clicks.
#pragma once
#include "engine/VortanPtrArray.h"
#include "engine/VortanTypes.h"
#include "engine/VortanVector.h"
#include "game/VexState.h"

class CVexRenderer;
class CVexButton;

class CVexButtonManager : public CVexButtonListener {
public:
    CVexButtonManager();
    virtual ~CVexButtonManager();

    // Keeps the renderer and loads the button sounds (0 down, 1 up) into their slots. 1.
    int Init(CVexRenderer* renderer);
    void SetListener(CVexButtonListener* listener) { m_listener = listener; }

    // A new visible, touchable, bobbing button at rest; added last. Null without memory.
    CVexButton* AddButton(const CVortanVector2& centre, const CVortanVector2& halfSize, int imageId,
                          int id, int userValue);
    CVexButton* FindButton(int id) const;
    // Deletes every button with the id.
    void RemoveButton(int id);
    void RemoveAllButtons();
    // Every button at rest and hidden.
    void ResetButtons();
    // Loads the image of every button whose image slot is empty.
    void ReloadImages();

    void Update(float dt);
    // 1 when the first finger's touch was taken by a button.
    int HandleInput();
    void Render();
    // One button as Render draws it (nothing when it is hidden): for a screen that draws a
    // few buttons again over a shade it has drawn over the others.
    void RenderButton(const CVexButton* button);

    // A button is animating or the release sound still plays (screens wait for it).
    int IsBusy() const { return m_busy; }
    int GetButtonCount() const { return m_buttons.GetCount(); }
    CVexButton* GetButton(int index) const { return (CVexButton*)m_buttons.GetAt(index); }

    // Forwarded to the attached listener (clicks reach it from HandleInput).
    void OnButtonPressed(CVexButton* button) override;
    void OnButtonClicked(CVexButton* button) override { (void)button; }
    void OnButtonHeld(CVexButton* button) override;

private:
    CVexButtonManager(const CVexButtonManager&) = delete;
    CVexButtonManager& operator=(const CVexButtonManager&) = delete;

    void PlaySound(int id);
    // Back towards rest: state 3, or straight to 0 when already at full size.
    static void Release(CVexButton* button);

    float m_idleLimit;
    float m_idleTime;
    i32 m_busy;
    CVexRenderer* m_renderer;
    CVortanPtrArray m_buttons;
    CVexButtonListener* m_listener;
    float m_bobPhase;
};
