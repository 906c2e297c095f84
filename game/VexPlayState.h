// CVexPlayState: the battle screen. Two squibs on a battlefield of blocks above water, played
// in rounds of alternating turns, online against another player or in training against the
// computer's squib, kept in lockstep by match messages that both devices execute alike.
#pragma once
#include "engine/VortanArray.h"
#include "engine/VortanPtrArray.h"
#include "engine/VortanString.h"
#include "engine/VortanTypes.h"
#include "engine/VortanVector.h"
#include "game/VexCamera.h"
#include "game/VexMatchMessages.h"
#include "game/VexMessageBatch.h"
#include "game/VexMessageQueue.h"
#include "game/VexPhysicsListener.h"
#include "game/VexState.h"

class CVexAmbientSounds;
class CVexButtonManager;
class CVexEffectList;
class CVexPhysicsWorld;
class CVexPlayer;
class CVexScene;
class CVortanSurface;

// Round states.
enum {
    VEX_ROUND_RESET = 0,
    VEX_ROUND_LOADED = 1,
    VEX_ROUND_GAME_OVER = 2,
    VEX_ROUND_RESULT = 3,
    VEX_ROUND_BETWEEN = 4,
    VEX_ROUND_STARTED = 5,
    VEX_ROUND_LEFT = 6,
    VEX_ROUND_OWN_TURN = 7,
    VEX_ROUND_OTHER_TURN = 8
};

// Button ids of the battle.
enum {
    VEX_BTN_EXIT = 0,
    VEX_BTN_HIDDEN = 1,
    VEX_BTN_JUMP = 2,
    VEX_BTN_BOMB = 3,
    VEX_BTN_STICKY = 4,
    VEX_BTN_WHIP = 5,
    VEX_BTN_CHAT_LEFT = 6,
    VEX_BTN_CHAT_RIGHT = 7,
    VEX_BTN_SHOP_BOMB = 8,
    VEX_BTN_READY = 9,
    VEX_BTN_YES = 10,
    VEX_BTN_NO = 11,
    VEX_BTN_LEAVE = 12,
    VEX_BTN_RESTART = 13
};

// GameOver reasons.
enum { VEX_OVER_ROUNDS = 0, VEX_OVER_LEFT = 1, VEX_OVER_GAVE_UP = 2, VEX_OVER_TIME_OUTS = 3 };

// Vector arithmetic one operation at a time, as the physics does it.
inline CVortanVector2 VexSub(const CVortanVector2& a, const CVortanVector2& b)
{
    return CVortanVector2(a.x - b.x, a.y - b.y);
}
inline CVortanVector2 VexScale(const CVortanVector2& v, float s)
{
    return CVortanVector2(v.x * s, v.y * s);
}

// The draw winner.
#define VEX_WINNER_DRAW 255

// The round fields that a fast-forwarded shot may change and the restore takes back.
struct CVexShadowRecord {
    i32 localSide;
    i32 opponent;
    i32 turnSide;
    i32 winner;
    i32 roundState;
    i32 timedOut;
    i32 settlePosted;
    i32 aimDrag;
};

class CVexPlayState : public CVexState, public CVexPhysicsListener, public CVexButtonListener {
public:
    // Told each time this side has executed the last record of a shot's playback (a test
    // seam: the lockstep tests compare both sides there).
    typedef void (*PlaybackHook)(CVexPlayState* battle, void* context);
    CVexPlayState();
    ~CVexPlayState() override;

    // --- CVexState ----------------------------------------------------------------------
    int Init(CStateGame* game) override;
    void Release() override;
    void Reset() override;
    void Update(float dt) override;
    void Render() override;
    void ReloadGraphics() override;
    void OnBack(int value) override;
    // Every character counts as handled.
    int OnChar(int code) override
    {
        (void)code;
        return 1;
    }
    void OnButtonPressed(CVexButton* button) override { (void)button; }
    void OnButtonClicked(CVexButton* button) override;
    void OnButtonHeld(CVexButton* button) override { (void)button; }
    void OnContact(const CVexPhysicsContact& contact) override;
    // Acts as if the button of the id was clicked.
    void ClickButton(int id);

    // --- set-up by the host -------------------------------------------------------------
    // Training flag, next state 5; with the flag the sides are named "You" and "Master Squib".
    void SetupVsComputer(int flag);
    void SetHost(int host) { m_host = host; }
    // Sides and their players for an online match.
    void SetSides(int localSide);
    void SetPlayerInfo(int side, int playerId, const CVortanString& name);
    // Clears the opponent's bubbles and shows one with the text.
    void ShowOpponentChat(const CVortanString& text);
    void ShowOwnChat(const CVortanString& text);
    void LayoutButtons(int inBattle);
    void SetRoundState(int state);
    void NewGame();
    int GetLevelIndex() const { return m_level; }
    // The timer fraction in [0, 1]; 0 outside the own turn.
    float GetTurnTimeLeft();
    void OnConnectionLost();
    int GetGameTime();
    // Not ended: none of the match-end, game-over or leave marks set.
    int HasEnded() const { return m_matchEndPosted || m_gameOver || m_leavePosted || m_left; }
    // The player left the session: the GameOver for the opponent's side.
    // 1 when the id is one of the sides' (the GameOver is posted), else 0.
    int OnPlayerLeft(int playerId);
    // Marks the side that plays the match's first turn (the opener's), the other not.
    void MarkStartingSide(int side)
    {
        m_starts[0] = side == 0 ? 1 : 0;
        m_starts[1] = side == 1 ? 1 : 0;
    }
    int IsStartingSide(int side) const { return m_starts[side & 1]; }

    // --- rounds and turns (VexPlayState_Rounds.cpp) -------------------------------------
    void SetMatchResult(int winner);
    int IsMatchOver();
    void ForfeitMatch();
    void StartNextRound();
    void SetupTrainingWeapons();
    void CheckTurnEnd();
    void BeginOwnTurn();
    void LoadTrainingTexts();

    // --- aiming and shots (VexPlayState_Shots.cpp) --------------------------------------
    int UpdateCameraInput();
    int UpdateZoomBar();
    void PanCamera();
    int UpdateAiming();
    void FireShot();
    void SaveSnapshot();
    void RestoreSnapshot();
    void FinishShot();
    void FastForward();
    // A battle that ends while a shot is being fast-forwarded: the shot is dropped (the screen
    // never showed it and nothing was sent) and the host no longer reports a fast-forward.
    void AbandonShot();

    // --- shot resolution (VexShotResolution.cpp) ----------------------------------------
    int CheckWaterAndSettle();
    void CheckWater();
    void ResolveHits(int side);
    void ResolveExplosion(int side, const CVortanVector2& vector);
    void CheckSquash(int side);
    void OnSignal28();
    // A freeze still waiting when a shot starts takes effect then, so that the time between
    // two shots (which the devices spend differently) does not decide it.
    void ApplyPendingBlocks();

    // --- shop items (VexPlayState_Items.cpp) --------------------------------------------
    void LoadShopItem(int side, int item, int valueA, int valueB);
    void ReleaseItemImages();

    // --- messages (VexPlayState_Posts.cpp) ----------------------------------------------
    CVexMessage* SendRoundStart();
    CVexMessage* PostRoundBegin(int first, int level, int spawn0, int spawn1);
    CVexMessage* PostBattleBegin(int side);
    CVexMessage* PostRoundResult();
    CVexMessage* PostAimingBegin();
    CVexMessage* PostGameOver(int reason);
    CVexMessage* PostNextTurn(int side);
    CVexMessage* PostMatchEnd(int left);
    CVexMessage* PostLeaveBattle(int value);
    CVexMessage* PostPhysicsSwitch(int on);
    CVexMessage* PostPlayerOut(int side, int mode);
    CVexMessage* PostSettlePositions();
    CVexMessage* PostPlayerKnock(int side, const CVortanVector2& vector, int cameraFlag);
    CVexMessage* PostReady(int side);
    CVexMessage* PostGiveUp(int side);
    CVexMessage* PostPlayerDamage(int side, int damage, int value);
    CVexMessage* PostSquashCheck();
    CVexMessage* PostWhip(int side, const CVortanVector2& vector);
    // The slot taken from the player's slot counter.
    int PostSpawnProjectile(int side, int type);
    CVexMessage* PostPlaceProjectile(int side, const CVortanVector2& position, int slot);
    CVexMessage* PostLaunchProjectile(int side, const CVortanVector2& aim, int slot);
    CVexMessage* PostProjectileGone(int side, int value, int slot);
    CVexMessage* PostBlockState(int id, i8 x, i8 y, int hitPoints, const CVortanVector2& push);
    CVexMessage* PostBlockDestroyed(int id);
    CVexMessage* PostBlockStick(int id, int hitPoints, int material, int variant,
                                const CVortanVector2& push, float friction, float restitution,
                                float delay);
    CVexMessage* PostExplosion(const CVortanVector2& position, float size, int kind, u32 colour,
                               int send);
    CVexMessage* PostPlaybackDone();
    CVexMessage* PostEquipment();
    // The pending records as one batch. VORTAN_OK; VORTAN_E_RANGE when too big (the shot is
    // then dropped as at the time limit).
    int FlushBatch();

    // --- execution and transport (VexMatchExecution.cpp, VexMatchTransport.cpp) --------
    void HandleMessages();
    void Execute(CVexMessage* record);
    void SendMessage(CVexMessage* record);
    void SendPump();
    void ReceiveGameData(const u8* bytes, int length);
    void ReleaseScheduledMessages();

    // --- state for the host and the tests -----------------------------------------------
    CVexScene* GetLiveScene() const { return m_live; }
    CVexScene* GetSnapshotScene() const { return m_snapshot; }
    CVexPlayer& Player(int side);
    CVexButtonManager* GetButtons() const { return m_buttons; }
    CVexMessageQueue* GetExecutionQueue() const { return m_execution; }
    CVexMessageQueue* GetOutQueue() const { return m_out; }
    CVexMessageQueue* GetAckQueue() const { return m_acks; }
    CVexMessageQueue* GetScheduledQueue() const { return m_scheduled; }
    const CVortanPtrArray& GetPendingBatch() const { return m_pending; }
    const CVortanArray<i32>& GetSeenWindow() const { return m_seen; }
    const CVortanArray<i32>& GetResultIds() const { return m_resultIds; }
    const CVortanArray<i32>& GetResultPlaces() const { return m_resultPlaces; }
    int GetRoundState() const { return m_roundState; }
    int GetTurnSide() const { return m_turnSide; }
    int GetWinner() const { return m_winner; }
    int GetLocalSide() const { return m_localSide; }
    int GetOpponent() const { return m_opponent; }
    int IsTraining() const { return m_training; }
    int IsHost() const { return m_host; }
    int IsGameOver() const { return m_gameOver; }
    // The opponent left the match; the match ended by time-out strikes.
    int IsOpponentGone() const { return m_left; }
    int IsTimedOut() const { return m_timedOut; }
    // How the match ended (a VEX_OVER_ value from its GameOver), -1 while it runs.
    int GetEndReason() const { return m_endReason; }
    // The language texts of the result banner (-1 for none): the main line at 0.4 of the
    // height and the line saying how the match ended at 0.25.
    void GetResultBanner(int& main, int& how) const;
    int IsTurnActive() const { return m_turnActive; }
    int IsFastForwarding() const { return m_shot; }
    int IsZoomHeld() const { return m_zoomHeld; }
    // How many times the loader was drawn beside a player panel.
    int GetLoaderDraws() const { return m_loaderDraws; }
    int IsShotInProgress() const { return m_shotInProgress; }
    int IsShotFinished() const { return m_shotFinished; }
    int IsPlaybackDone() const { return m_playbackDone; }
    int IsLeaveRequested() const { return m_leave; }
    int IsExitConfirmationShown() const { return m_confirm; }
    int IsPhysicsOn() const { return m_physics; }
    float GetFastForwardTime() const { return m_ffTime; }
    int GetLastFrameSteps() const { return m_lastFrameSteps; }
    int GetBeepCount() const;
    int GetTimerFrame() const;
    int GetMatchEndCount() const { return m_matchEndCount; }
    int GetDroppedShots() const { return m_droppedShots; }
    u32 GetBytesSent() const { return m_bytesSent; }
    u32 GetBytesReceived() const { return m_bytesReceived; }
    const CVortanString& GetHint(int i) const { return m_hints[i % 6]; }
    const CVortanString& GetSceneName() const { return m_sceneName; }
    const CVexShadowRecord& GetShadow() const { return m_shadow; }
    float GetBannerFade() const { return m_bannerFade; }
    // The turn limit in seconds (30).
    float GetTurnLimit() const { return m_turnLimit; }

    void SetPlaybackHook(PlaybackHook hook, void* context)
    {
        m_playbackHook = hook;
        m_playbackContext = context;
    }
    PlaybackHook GetPlaybackHook() const { return m_playbackHook; }
    void* GetPlaybackContext() const { return m_playbackContext; }
    int GetPlaybackCount() const { return m_playbacks; }
    // Cluster pieces spawned while a shot played on this device (not in its fast-forward).
    int GetPiecesPlayed() const { return m_piecesPlayed; }
    // Projectiles gone into the water while a shot played on this device.
    int GetProjectilesDrowned() const { return m_projectilesDrowned; }
    // Received messages taken for execution (each number once).
    int GetAcceptedCount() const { return m_accepted; }
    int GetSnowItem(int side) const { return m_snowItem[side & 1]; }
    int GetClusterItem(int side) const { return m_clusterItem[side & 1]; }

    // The aim of the local player, as a drag would leave it (tests and tools).
    void SetAim(const CVortanVector2& aim);
    // The background style 0..9.
    int GetBackgroundStyle() const { return m_backgroundStyle; }

private:
    void AddButton(int id, int image, float x, float y, float half);
    void ShowButton(int id, int shown);
    void HideAllButtons();
    CVexButton* Button(int id) const;
    int ShopBombImage();
    void SelectWeapon(int weapon, int hint);
    void RestartTraining();
    void UpdateRounds(float dt);
    void UpdateTurnTimer();
    void StartOfTurn(float dt);
    void ApplyGameOverSteps();
    void DrawHud();
    void DrawSquibs();
    void DrawProjectiles();
    void DrawPanels();
    void DrawZoomBar();
    void DrawBackground();
    void DrawCentredText(int index, float y, u32 colour);
    // Darkens the band of the screen between the two heights (pixels) so that `keep` of its
    // brightness stays.
    void Darken(float keep, float top, float bottom);
    void ReleaseShade();
    template <class T>
    CVexMessage* Post(const T& body, int timed, int send);
    void ClearAim();
    void EndTurnWithoutShot();
    const CVortanString& Text(int index) const;
    void FollowSide(int side, float zoom);
    void ExecuteRoundBegin(const u8* m, u32 size);
    void ExecuteBattleBegin(const u8* m, u32 size);
    void ExecuteRoundResult(const u8* m, u32 size);
    void ExecuteGameOver(const u8* m, u32 size);
    void ExecuteNextTurn(const CVexMsgNextTurn& msg);
    void ExecuteMatchEnd(const u8* m, u32 size);
    int ValidSide(int side) const { return side == 0 || side == 1; }

    CVexScene* m_live;
    CVexScene* m_snapshot;
    CVexScene* m_displayed;
    CVexPhysicsWorld* m_snapshotWorld;
    CVexShadowRecord m_shadow;
    CVexMessageQueue* m_execution;
    CVexMessageQueue* m_out;
    CVexMessageQueue* m_acks;
    CVexMessageQueue* m_scheduled;
    CVortanArray<i32> m_seen;
    CVortanPtrArray m_pending;
    CVexMessageBatch m_batch;
    CVexButtonManager* m_buttons;
    CVexEffectList* m_effects;
    CVexAmbientSounds* m_ambient;
    CVexCamera m_cameraCopy;
    CVortanSurface* m_shade; // a small white picture the darkenings are drawn with

    i32 m_localSide;
    i32 m_opponent;
    i32 m_turnSide;
    i32 m_winner;
    i32 m_host;
    i32 m_training;
    i32 m_level;
    i32 m_firstSide;
    i32 m_backgroundStyle;
    i32 m_roundState;
    i32 m_roundNumber;
    i32 m_firstRound;

    float m_turnStart;
    float m_turnLimit;
    float m_elapsed;
    float m_timerFraction;
    i32 m_beeps[5];
    i32 m_beepFrequency;
    float m_pulseScale;
    float m_pulseSpeed;
    float m_startDelay;
    i32 m_turnActive;
    i32 m_timedOut;
    i32 m_endReason;
    float m_bannerFade;
    float m_clocks[2];
    float m_stateStart;
    float m_matchEndTime;
    i32 m_matchEndNoted;

    i32 m_roundDecided;
    i32 m_gameOver;
    i32 m_resultPosted;
    i32 m_roundReadyPosted;
    i32 m_localReadySent;
    i32 m_turnEndPosted;
    i32 m_matchEndPosted;
    i32 m_leavePosted;
    i32 m_leaveBattleSent;
    i32 m_left;
    i32 m_leave;
    i32 m_confirm;
    i32 m_restart;
    i32 m_skipNextTurn;
    i32 m_opponentGameOver;
    i32 m_matchDecided;
    i32 m_matchCounted;
    i32 m_gameOverRun;
    i32 m_matchEndRun;
    i32 m_matchEndCount;

    // Shots.
    i32 m_aimDrag;
    i32 m_pan;
    i32 m_pinch;
    i32 m_zoomHeld;
    i32 m_stretchSound;
    i32 m_released;
    i32 m_shot;
    i32 m_shotInProgress;
    float m_ffTime;
    i32 m_shotFinished;
    i32 m_batchExecuted;
    i32 m_playbackDone;
    i32 m_opponentPlaybackDone;
    i32 m_cameraReturn;
    i32 m_physics;
    i32 m_lastFrameSteps;
    i32 m_droppedShots;
    i32 m_firedWeapon;

    // Resolution.
    i32 m_settled;
    i32 m_squibsStill;
    i32 m_projectilesStill;
    i32 m_effectsDone;
    i32 m_queueEmpty;
    i32 m_settlePass;
    i32 m_settlePosted;
    i32 m_waterPending;
    float m_waterTimer;
    float m_waterLimit;

    // Transport.
    u32 m_lastSendTime;
    u32 m_bytesSent;
    u32 m_bytesReceived;
    i32 m_gameOverSent;
    i32 m_highestExecuteAt;

    CVortanString m_hints[6];
    CVortanString m_sceneName;
    CVortanArray<i32> m_resultIds;
    CVortanArray<i32> m_resultPlaces;
    i32 m_bombItemFired;
    // The shop id of each owned bomb kind, per side (the player record keeps only one).
    i32 m_snowItem[2];
    i32 m_clusterItem[2];
    i32 m_starts[2];      // the side that starts the match (StartMatch)
    i32 m_bombPack[2][2]; // the pack values each side's bomb was loaded with
    i32 m_loaderDraws;

    // Playback end: set when the scheduler ran dry, counted once the executor has run the
    // last released record.
    i32 m_playbackEndPending;
    i32 m_playbacks;
    i32 m_piecesPlayed;
    i32 m_projectilesDrowned;
    i32 m_accepted;
    PlaybackHook m_playbackHook;
    void* m_playbackContext;
};
