// CVexMenuState: the game's main screen: the title picture with a spinner while the host loads
// the game's assets, then seven buttons over drifting dots and the menu tune; and the credits
// roll over the darkened menu.
#pragma once
#include "engine/VortanString.h"
#include "engine/VortanTypes.h"
#include "game/VexState.h"

class CVexButtonManager;
class CVexDotField;

// Buttons of the menu.
enum {
    VEX_MENU_BUTTON_BATTLE = 0,
    VEX_MENU_BUTTON_EDITOR = 1, // no button carries it; a click would open the editor
    VEX_MENU_BUTTON_EXIT = 2,
    VEX_MENU_BUTTON_INTRO = 3,
    VEX_MENU_BUTTON_HELP = 4,
    VEX_MENU_BUTTON_CREDITS = 5,
    VEX_MENU_BUTTON_SOCIAL = 6,
    VEX_MENU_BUTTON_CLOSE_CREDITS = 7,
    VEX_MENU_BUTTON_TRAINING = 8
};

class CVexMenuState : public CVexState, public CVexButtonListener {
public:
    CVexMenuState();
    ~CVexMenuState() override;

    // Loads the font, the title picture and the spinner, makes the buttons' manager and the
    // dot field. 1.
    int Init(CStateGame* game) override;
    void Release() override;
    void Update(float dt) override;
    void Render() override;
    void ReloadGraphics() override;
    // Closes the credits when they are open, else back to the platform's menu.
    void OnBack(int value) override;

    void OnButtonPressed(CVexButton* button) override { (void)button; }
    void OnButtonClicked(CVexButton* button) override;
    void OnButtonHeld(CVexButton* button) override { (void)button; }

    // Drawn once and the buttons not yet built: the host goes on loading behind it.
    int WantsAssets() const { return m_drawn && !m_buttonsBuilt; }
    // The buttons are built (the host has loaded everything).
    int IsReady() const { return m_buttonsBuilt; }
    int IsLeaving() const { return m_leaving; }
    int IsCreditsOpen() const { return m_creditsOpen; }
    float GetCreditsScroll() const { return m_creditsScroll; }
    // The roll's end: the scroll at which it closes (-(110 L + H)).
    float GetCreditsEnd() const;
    // The opacity, 0 to 1, of a credits row drawn at y on a w x h screen.
    static float CreditsRowOpacity(float y, float w, float h);
    // The address of a web page of the service ("help" or "facebook").
    void MakeForwardUrl(const char* link, CVortanString& out) const;
    CVexButtonManager* GetButtons() const { return m_buttons; }

private:
    void BuildButtons();
    void OpenCredits();
    void CloseCredits();
    void RenderCredits();
    void OpenPage(const char* link);
    float Width() const;
    float Height() const;

    CVexDotField* m_dots;
    i32 m_creditsOpen;
    float m_time;
    i32 m_leaving;
    CVexButtonManager* m_buttons;
    float m_loaderLeft, m_loaderTop, m_loaderRight, m_loaderBottom;
    i32 m_drawn;
    i32 m_buttonsBuilt;
    float m_creditsScroll;
    i32 m_dragging;
    i32 m_lastTime;
    i32 m_now;
};
