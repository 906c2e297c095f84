// CVexTrainingState: the picker of the fifteen training scenes, three rows of five numbered
// buttons over the title picture and the drifting dots. A scene opens when the one before it
// has been cleared; a hint shows until the first is cleared, and a message once when the last
// is.
#pragma once
#include "engine/VortanTypes.h"
#include "game/VexState.h"

class CVexButtonManager;
class CVexDotField;

enum { VEX_TRAINING_BUTTON_EXIT = 0, VEX_TRAINING_BUTTON_SCENE = 1 };

// The setting whose presence means that the completion message has been shown.
#define VEX_TRAINING_COMPLETE_KEY "showedtrainingcomplete"

class CVexTrainingState : public CVexState, public CVexButtonListener {
public:
    CVexTrainingState();
    ~CVexTrainingState() override;

    // Builds the buttons with their locks from the cleared scenes, and the message.
    int Init(CStateGame* game) override;
    void Release() override;
    void Update(float dt) override;
    void Render() override;
    void ReloadGraphics() override;
    void OnBack(int value) override;

    void OnButtonPressed(CVexButton* button) override { (void)button; }
    void OnButtonClicked(CVexButton* button) override;
    void OnButtonHeld(CVexButton* button) override { (void)button; }

    // Seconds of message left (0 or less: none).
    float GetMessageTime() const { return m_messageTime; }
    int IsFirstCleared() const { return m_firstCleared; }
    int IsCompletionShown() const { return m_completionShown; }
    int IsLeaving() const { return m_leaving; }
    CVexButtonManager* GetButtons() const { return m_buttons; }
    // The scene button of scene i, or null.
    CVexButton* GetSceneButton(int scene) const;

private:
    void BuildButtons();
    void Leave(int next);

    CVexDotField* m_dots;
    i32 m_completionShown;
    float m_time;
    i32 m_leaving;
    CVexButtonManager* m_buttons;
    i32 m_firstCleared;
    float m_messageTime;
};
