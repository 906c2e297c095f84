// CStateGame: the game as the platform sees it, the one IOrloGameState of the program. The
// online menu hosts it: while the menu is hidden it passes update, drawing and input on.
//
// Inside it runs the game's own screens (CVexState) at a fixed step of 33 ms, keeps the touch
// table they read, switches screens when one is done, loads the game's images and sounds in
// the background behind the menu, and releases and restores graphics around a lost context.
// It also answers the platform about the game (identity, match hooks) and serves the screens
// (sounds, music, the game clock, the per-scene settings).
#pragma once
#include "engine/VortanPtrArray.h"
#include "engine/VortanString.h"
#include "engine/VortanTimer.h"
#include "engine/VortanTypes.h"
#include "game/VexGameContext.h"
#include "game/VexLevelPicker.h"
#include "game/VexState.h"
#include "game/VexTouchTable.h"
#include "platform/OrloState.h"

class CVexRenderer;
class CVexPhysicsWorld;
class CVexChatBubbles;
class CVexPlayState;
class CVexStateDump;

// The fixed step.
enum { VEX_STEP_MS = 33, VEX_PHYSICS_RATE = 30, VEX_MAX_STEPS = 5 };

// Background loading: the images, then (with sounds) the sounds.
enum { VEX_LOAD_ITEMS_IMAGES = 70, VEX_LOAD_ITEMS_ALL = 94 };

class CStateGame : public IOrloGameState {
public:
    CStateGame();
    virtual ~CStateGame();

    // --- IOrloState -----------------------------------------------------------------------
    // Keeps the application, opens the game's language packs and data packs, and creates the
    // renderer and the physics world. The language packs' code when they do not load.
    int Init(COrloApplication* application) override;
    // Stops the music, gives back every handle, deletes the screens, the renderer, the
    // physics world and the language object. Safe to call again.
    void Release() override;
    // Names the application, and starts afresh at the game's menu.
    int Load() override;
    void Unload() override;
    // Runs the fixed steps that are due (the argument is not used: time comes from the step
    // clock). 1.
    int Update(float seconds) override;
    void Render() override;
    int OnActiveChanged(bool active) override
    {
        (void)active;
        return 1;
    }
    int OnContextRestored() override;
    int OnContextLost() override;
    // Touch ids 0..15 go to the touch table; every id is reported as consumed.
    int OnPointerDown(int id, int x, int y) override;
    int OnPointerMove(int id, int x, int y) override;
    int OnPointerUp(int id, int x, int y) override;
    // The device's Back key goes to the front screen's OnBack; keys are not consumed (0).
    int OnKeyDown(int key) override;
    // Passes the character to every active screen. 1.
    int OnChar(unsigned short character) override;

    // --- identity -------------------------------------------------------------------------
    int GetGameNumber() override { return 64; }
    void GetVersion(CVortanString& out) override { out = "1.57"; }
    void GetAppName(CVortanString& out) override { out = "Zorbix"; }
    int GetMinPlayers() override { return 2; }
    int GetMaxPlayers() override { return 2; }
    int GetEditionFlag() override { return 0; }
    void GetAppSecret(CVortanString& out) override { out = "tq7mv3xk9wz2pd5rbn8hc4yf6gle0ua"; }
    void OnHook32() override {}
    void OnHook33() override {}
    virtual int GetExtraValue() { return 0; }

    // --- matches --------------------------------------------------------------------------
    // Marks the connecting screen done (it goes back to the menu).
    void OnLeaveGame() override;
    // Starts an online battle over the lobby's two players; the opener sends the round start.
    void StartMatch(int opener) override;
    int OnConnectionLost(int code) override;
    int OnPlayerLeft(int playerId) override;
    // The battle's turn clock as a fraction 0..1; 0 without a battle.
    float GetTurnClock() override;
    // 1 while the intro or the battle screen exists.
    int IsPlaying() override;
    // Chat lines (kind 2) are taken (1); other records are not (0).
    int OnGameMessage(const void* message) override;
    void OnGameData(const u8* bytes, int length) override;
    // A running battle goes to its end screen (without a message).
    void OnGameClosed() override { m_gameClosed = 1; }
    // Sets the session flag whatever the value.
    void SetSessionFlag(int value) override
    {
        (void)value;
        m_sessionFlag = 1;
    }
    // The game records no achievements.
    int UnlockAchievement(int id) override
    {
        (void)id;
        return 0;
    }

    // --- the screens ----------------------------------------------------------------------
    // Creates the screen of that type on first use, resets it and appends it to the active
    // list. VORTAN_OK, VORTAN_E_ARGUMENT for an unknown type or one that cannot be made yet.
    int SetState(int typeId);
    void DeleteState(CVexState* screen);
    void DeleteStateByType(int typeId);
    void DeleteAllStates();
    CVexState* GetState(int typeId) const;
    int GetActiveCount() const { return m_active.GetCount(); }
    CVexState* GetActive(int index) const { return (CVexState*)m_active.GetAt(index); }
    // Leaves the game for the platform's menu at the next step.
    void RequestExitToPlatform() { m_exitToPlatform = 1; }

    // --- services for the screens ---------------------------------------------------------
    // Plays a sound of the asset table (loaded on first use) unless the sounds are muted or it
    // is still playing; a frequency above 0 is set first.
    virtual void PlaySound(int soundId, u32 playFlags, int frequency);
    // Plays the asset table's music track, looping.
    void PlayMusicTrack(int track);
    void ResetGameClock();
    // Milliseconds since ResetGameClock (restarted when the clock went back).
    int GetGameClock();
    int IsSceneCleared(int scene);
    void SetSceneCleared(int scene);
    // One step of the background loading: the next image or sound; the font after the last.
    void LoadNextAsset(bool withSounds);
    // The game font into its slot, when not loaded yet.
    void LoadGameFont();
    // Images 3 and 4 by their table names, when their slots are empty.
    void LoadDefaultBackgrounds();
    int IsLoadingDone() const { return m_loadingDone; }
    int GetLoadingProgress() const { return m_loadingProgress; }
    int GetLoadingIndex() const { return m_loadingIndex; }
    u32 GetTextureBytes() const { return m_textureBytes; }

    // --- the battle's clocks and device services ---------------------------------------------
    // Seconds and milliseconds of the game's timer.
    float GetSeconds() const { return m_gameTimer.GetTimeMs() / 1000.0f; }
    u32 GetTimerMs() const { return m_gameTimer.GetTimeMs(); }
    // While a shot is fast-forwarded: no sounds, and the game clock is the simulated one.
    void SetFastForward(int on) { m_fastForward = on ? 1 : 0; }
    int IsFastForwarding() const { return m_fastForward; }
    void AdvanceSimulatedClock(int ms) { m_clockSimulated += (u32)ms; }
    // The step clock starts its count from now, so that a long frame is not made up.
    void RestampStepClock();
    // The frequency of a sound of the asset table (loaded on first use); 0 without it.
    virtual int GetSoundFrequency(int soundId);
    // The device's vibration, when the application has a device.
    virtual void Vibrate();
    void NoteFrameDrawn() { ++m_battleFrames; }
    // Clears the game-closed and session flags (a new battle).
    void ClearMatchFlags()
    {
        m_gameClosed = 0;
        m_sessionFlag = 0;
    }
    CVexChatBubbles* GetChatBubbles() const { return m_bubbles; }
    // The platform application: the one the menu handed over, else the host itself.
    COrlogateApplication* GetGateApplication() const;
    // The battle screen, or null.
    CVexPlayState* GetBattle() const;
    // The training scene of the running battle.
    int GetTrainingScene() const { return m_trainingScene; }

    // --- parts and state ------------------------------------------------------------------
    COrloApplication* GetHostApplication() const { return m_host; }
    CVexRenderer* GetRenderer() const { return m_renderer; }
    CVexPhysicsWorld* GetPhysicsWorld() const { return m_world; }
    const CVexTouchTable& GetTouchTable() const { return m_touches; }
    // The state this game shares among its parts (sequence counter, sub-step, handle slots).
    CVexGameContext* GetGameContext() { return &m_context; }
    // The online levels this game has played, and the round start's random picks.
    CVexLevelPicker* GetLevelPicker() { return &m_levels; }
    int GetStepCount() const { return m_stepCount; }
    // Steps run since the game began: its own clock, in steps of VEX_STEP_MS.
    u32 GetStepsTotal() const { return m_stepsTotal; }
    int GetFrameCount() const { return m_frameCount; }
    int GetStepsLastSecond() const { return m_stepsLastSecond; }
    int GetFramesLastSecond() const { return m_framesLastSecond; }
    int GetWonMatches() const { return m_won; }
    int GetLostMatches() const { return m_lost; }
    void CountMatch(bool won) { won ? ++m_won : ++m_lost; }
    // Players who left a running battle (OnPlayerLeft with one of its sides).
    int GetPlayersLeft() const { return m_playersLeft; }
    int IsGameClosed() const { return m_gameClosed; }
    int GetSessionFlag() const { return m_sessionFlag; }
    int IsConnectionLost() const { return m_connectionLost; }
    int IsChatHelpShown() const { return m_chatHelpShown; }
    const CVortanString& GetEditorSceneName() const { return m_editorScene; }
    // The sound button's scale (2.0 at rest, -1.0 after a mute).
    float GetSoundButtonScale() const { return m_soundButtonScale; }
    // The sound button took finger 0's touch in the running step (screens then leave it).
    int SoundButtonTookTouch() const { return m_soundButtonTook; }
    // The state dump for tests driving the program from outside, or null when it is off.
    CVexStateDump* GetStateDump() const { return m_dump; }

protected:
    // Makes the screen of a type (not yet initialised); null for a type the game cannot make.
    virtual CVexState* CreateState(int typeId);
    // Whether the menu screen wants the background loading to go on (it has drawn once and is
    // not yet ready); the menu screen decides.
    virtual int MenuWantsAssets(CVexState* menu);
    // Whether the sound button is drawn: with the menu ready, or with a battle or an intro.
    virtual int ShowsSoundButton();

private:
    CStateGame(const CStateGame&) = delete;
    CStateGame& operator=(const CStateGame&) = delete;

    void Step();
    int HandleSoundButton();
    void ProcessTransitions();
    void FreeOthersDuringBattle();
    void ComputeSoundButton();
    void DrawSoundButton();
    void ResetLoading();
    void FinishLoading();
    // The battle against the computer on the scene the training screen chose.
    void StartTraining(int scene);

    COrloApplication* m_host; // kept by Init
    CVortanPtrArray m_active; // CVexState, in activation order
    CVexState* m_states[VEX_STATE_COUNT];
    CVexRenderer* m_renderer;
    CVexPhysicsWorld* m_world;
    CVexChatBubbles* m_bubbles;
    CVortanTimer m_stepClock;
    CVortanTimer m_gameTimer;

    i32 m_physicsRate;
    i32 m_stepMs;
    u32 m_lastTime;
    u32 m_accumulator;
    i32 m_stepsDue;
    i32 m_steppedThisFrame;

    i32 m_stepCount;
    u32 m_stepsTotal;
    i32 m_frameCount;
    i32 m_stepsLastSecond;
    i32 m_framesLastSecond;
    u32 m_windowStart;

    i32 m_won;
    i32 m_lost;
    i32 m_playersLeft;

    u32 m_clockStart;
    u32 m_clockSimulated;

    i32 m_loadingDone;
    i32 m_loadingIndex;
    i32 m_loadingProgress;
    u32 m_textureBytes;

    i32 m_gameClosed;
    i32 m_sessionFlag;
    i32 m_connectionLost;
    i32 m_chatHelpShown;
    i32 m_exitToPlatform;
    i32 m_trainingScene; // the scene the training screen chose for the running battle
    i32 m_fastForward;
    i32 m_battleFrames;

    CVortanString m_editorScene;

    float m_buttonLeft, m_buttonTop, m_buttonRight, m_buttonBottom;
    float m_soundButtonScale;
    i32 m_soundButtonTook;

    CVexTouchTable m_touches;
    CVexGameContext m_context;
    CVexLevelPicker m_levels;
    CVexStateDump* m_dump; // made by Init when the environment asks for it
};
