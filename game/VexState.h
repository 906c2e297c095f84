// CVexState: one screen of the game (menu, editor, battle, connecting, intro, training), run
// by the game host; CVexButtonListener: what a screen hears from its on-screen buttons.
#pragma once
#include "engine/VortanTypes.h"

class CStateGame;
class CVexRenderer;
class CVexPhysicsWorld;
class CVexButton;

// Screen type ids; the host keeps one screen of each.
enum {
    VEX_STATE_MENU = 0,
    VEX_STATE_EDIT = 1,
    VEX_STATE_PLAY = 2,
    VEX_STATE_CONNECTING = 3,
    VEX_STATE_INTRO = 4,
    VEX_STATE_TRAINING = 5,
    VEX_STATE_COUNT = 6
};

class CVexButtonListener {
public:
    // The button is fully pressed (the finger stayed down through the shrink).
    virtual void OnButtonPressed(CVexButton* button) = 0;
    // The finger went down and came up inside the button.
    virtual void OnButtonClicked(CVexButton* button) = 0;
    // Every update while the button stays fully pressed.
    virtual void OnButtonHeld(CVexButton* button) = 0;

protected:
    ~CVexButtonListener() {}
};

class CVexState {
public:
    // No owner; type, next state, done and result 0.
    CVexState();
    virtual ~CVexState();

    // Keeps the game and takes its renderer and physics world. 1. A screen's own Init calls
    // this first and then sets its type id.
    virtual int Init(CStateGame* game);
    virtual void Release() {}
    // Clears done and the next state (every activation).
    virtual void Reset();
    virtual void Update(float dt) = 0;
    virtual void Render() = 0;
    virtual void SetDone() { m_done = 1; }
    virtual int IsDone() { return m_done; }
    virtual int GetNextState() { return m_nextState; }
    virtual int GetTypeId() { return m_typeId; }
    // After a lost graphics context: load what the screen draws again.
    virtual void ReloadGraphics() = 0;
    virtual void SetResult(int value) { m_result = value; }
    virtual int GetResult() { return m_result; }
    // The back key.
    virtual void OnBack(int value) { (void)value; }
    // A typed character; 0 (not handled).
    virtual int OnChar(int code)
    {
        (void)code;
        return 0;
    }

    CStateGame* GetGame() const { return m_game; }

protected:
    CStateGame* m_game;
    CVexRenderer* m_renderer;
    CVexPhysicsWorld* m_world;
    i32 m_nextState;
    i32 m_typeId;
    i32 m_done;
    i32 m_result;

private:
    CVexState(const CVexState&) = delete;
    CVexState& operator=(const CVexState&) = delete;
};
