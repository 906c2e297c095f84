// COrlogateApplication: the one concrete platform application. It keeps the stack of
// screens (index 0 is the front screen), runs them every frame, routes input to the
// pop-ups and the screens, owns the platform services (settings, language packs, device
// services, sound engine and music, achievements, the toast) and the online client (network
// connection, session and the online menu), and receives the session's observer calls.
// The online client's objects come from the online factory that the program registers and
// are driven through the platform's interfaces of them.
//
// Main thread only.
#pragma once
#include "engine/VortanArray.h"
#include "engine/VortanPtrArray.h"
#include "engine/VortanString.h"
#include "engine/VortanTypes.h"
#include "platform/OrloApplication.h"
#include "platform/OrloNetworkSessionInterface.h"

class COrloNotification;
class CVortanSoundEngine;
class CVortanSurface;
class IOrloAdvertisement;
class IOrloGameState;
class IOrloMenuState;
class IOrloNetConnection;
class IOrloOnlineFactory;
class IOrloState;
class IOrloToastNotification;
struct COrloChatRecord;

// Settings keys of the platform.
#define ORLO_KEY_SOUNDS_MUTE "__Orlo_Sounds_Mute"
#define ORLO_KEY_SOUNDS_VOLUME "__Orlo_Sounds_Volume"
#define ORLO_KEY_MUSIC_MUTE "__Orlo_Music_Mute"
#define ORLO_KEY_MUSIC_VOLUME "__Orlo_Music_Volume"
#define ORLO_KEY_VIBRATIONS "__Orlo_Vibrations"
#define ORLO_KEY_TIMES_LAUNCHED "__Orlo_TimesLaunched"
#define ORLO_KEY_UID "__Orlo_UID"

// Default volume of sounds and music (hundredths of a decibel).
#define ORLO_DEFAULT_VOLUME (-2000)

class COrlogateApplication : public COrloApplication,
                             public IOrloNetworkSession::StatusObserver,
                             public IOrloNetworkSession::LobbyObserver,
                             public IOrloNetworkSession::GameObserver,
                             public IOrloNetworkSession::AdvertisementObserver {
public:
    // Takes the registered online factory.
    COrlogateApplication();
    // Frees whatever OnExit has not (an application whose window was never made).
    virtual ~COrlogateApplication();

    // --- IVortanApplication ----------------------------------------------------------------
    int OnResize(int width, int height) override;
    void OnPointerDown(int button, int x, int y) override;
    void OnPointerMove(int button, int x, int y) override;
    void OnPointerUp(int button, int x, int y) override;
    void SetActive(bool active) override;
    int RestoreGraphics() override;
    void Update() override;
    int OnCreate() override;
    void OnExit() override;
    // Saves the settings (the display connection is gone and the process ends at once).
    void OnDisplayLost() override;
    void OnKeyDown(int key) override;
    void OnChar(unsigned short character) override;

    // --- COrloApplication services -----------------------------------------------------------
    void RequestQuit() override;
    void ReturnToMenu(bool logout) override;
    void ReturnToMenuReconnect(int argument) override;
    int CreateSessionAndMenu() override;
    void DrawReloadScreen() override;
    int GetSoundsVolume() override;
    void SetSoundsVolume(int volume) override;
    void SetSoundsMute(bool muted) override;
    bool GetSoundsMute() override;
    int GetMusicVolume() override;
    void SetMusicVolume(int volume) override;
    void SetMusicMute(bool muted) override;
    bool GetMusicMute() override;
    void SetAllMute(bool muted) override;
    int PlayMusic(const CVortanString& file, bool loop) override;
    void StopMusic() override;
    CVortanSoundMusicPlayer* GetMusicPlayer() override { return m_musicPlayer; }
    void SetVibrations(bool on) override;
    bool GetVibrations() override;
    COrloDevice* GetDevice() override { return m_device; }
    COrloStatsStore* GetSettings() override { return m_settings; }
    IOrloAchievementStation* GetAchievements() override { return m_achievements; }
    void OnHook44() override {}
    void GetUserName(CVortanString& out) override;
    CVortanPtrArray* GetMenuData() override;
    int GetItemPackPath(int itemId, CVortanString& out) override;
    void SendValuePair(int a, int b) override;
    COrloLanguage* GetLanguage() override { return m_language; }

    // --- the application's own operations ------------------------------------------------------
    // Keeps the game state, names the application after the game and creates the fullscreen
    // window (800 x 480 defaults; width and height are not used). The window's result: on
    // failure the game state is the caller's again.
    virtual int Create(void* platform, int width, int height, IOrloGameState* game);
    virtual int GetScreenWidth();
    virtual int GetScreenHeight();
    // Replaces the network session by a fresh one (quits when it cannot be made). A session
    // replaced while it delivers is shut down at once and deleted in the next Update.
    virtual void RecreateSession();
    // The lobby redirected the client: the login controller connects to that server.
    virtual void Reconnect(const CVortanString& host, int port);

    // Status observer.
    void OnLobbyStateChanged(IOrloNetworkSession* session, int state) override;
    void OnGameStateChanged(IOrloNetworkSession* session, int state) override;
    void OnNotification(IOrloNetworkSession* session, int kind, int value,
                        const CVortanString& text) override;
    virtual void OnChatMessage(const COrloChatRecord& record, bool incoming);
    virtual void SendChatMessage(const CVortanString& text, int kind);
    virtual void SendChatNotice(int kind);
    virtual void ShowMenu();
    // Opens the online menu's chat page while the menu is hidden for a match; nothing
    // without a menu or outside a match.
    virtual void ShowChat();
    // Advertisement observer: the record goes to the advert pop-up (made at the first one).
    void OnAdvertisementInfo(const CVortanString& firstText, const CVortanString& clickLink,
                             const u8* image, int imageLength, int delayMs, int closeCountdownMs,
                             const CVortanArray<i32>* frameTimesMs, const CVortanString& okLink,
                             int flags, const CVortanString& title,
                             const CVortanString& titleLink) override;
    // The user leaves from the menu: without an advert quit quits; with one, quit hands over
    // to the advert (shown first when one waits), and no quit shows it.
    virtual void ExitApplication(bool quit);
    // The game connection is up, or the game reports a match running.
    virtual int IsInGame();
    // 1 for edition 0, 0 for edition 1 and any other value.
    virtual int ShowsAdvertisements();
    // Game observer.
    void OnGameData(IOrloNetworkSession* session, const u8* bytes, int length) override;
    void OnGameStart(IOrloNetworkSession* session, int game, int opener) override;
    void OnPlayerLeft(IOrloNetworkSession* session, int playerId) override;
    // Lobby observer: the shop's messages go to the online menu.
    void OnShopGroups(int parent, const CVortanArray<SShopGroupData>& groups) override;
    void OnShopItems(int group, int first, const CVortanArray<SShopItemData>& items) override;
    void OnCoinBalance(int coins) override;
    void OnShopItemImage(int itemId, int size, const u8* bytes, int length) override;
    void OnUpdateItemStateResponse(int itemId, int state, const CVortanString& text,
                                   int otherId) override;
    void OnBuyItemPlayers(int itemId, int code, const CVortanString& text,
                          const CVortanArray<SBuyItemPlayerInfo>& players) override;
    void OnConfirmBuyItemResponse(int result, int code, const CVortanString& text) override;
    void OnPlayerGiftItems(int recipient, const CVortanString& text,
                           const CVortanArray<SShopItemData>& items) override;
    void OnConfirmBuyPlayerItemsResponse(int result, int code, const CVortanString& text) override;
    void OnItemData(const CVortanArray<SItemData>& packs) override;
    void OnItemPackData(int dataId, int offset, const u8* bytes, int length,
                        int remaining) override;
    // Lobby observer: the player pages' and the challenges' messages go to the online menu.
    void OnPlayerListUpdate(IOrloNetworkSession* session, int reason, int game, int count) override;
    void OnPlayerStatus(IOrloNetworkSession* session, int playerId, int kind, int value,
                        const CVortanString& text4, const CVortanString& text5) override;
    void OnChallengeReceived(IOrloNetworkSession* session, int challengerId,
                             const CVortanString& name, const CVortanString& text, int rank,
                             int score) override;
    void OnChallengeReply(IOrloNetworkSession* session, int playerId, const CVortanString& name,
                          const CVortanString& text, int answer) override;
    void OnPlayerAvatar(IOrloNetworkSession* session, int playerId, const u8* bytes,
                        int length) override;
    void OnGameStatus(int flags) override;
    // Lobby observer: the remaining messages go to the online menu as they come.
    void OnLobbyEvent1(IOrloNetworkSession* session) override;
    void OnMatchResults(IOrloNetworkSession* session, int index,
                        const SMatchResult& record) override;
    void OnAchievementList(int value0, int value1, int value2,
                           const CVortanArray<SAchievementInfo>& records, int value4) override;
    void OnImageAndLink(const CVortanString& name, int length, const u8* bytes,
                        const CVortanString& text2, const CVortanString& text3,
                        const CVortanString& text4) override;

    // The screen stack. PushState appends the screen after a successful Init (the screen is
    // deleted otherwise and the Init result returned); a screen pushed onto an empty stack
    // becomes the front one at once. VORTAN_E_ARGUMENT for a null screen, VORTAN_E_NOMEMORY when
    // the stack cannot grow.
    virtual int PushState(IOrloState* screen);
    // 1 when the screen was in the stack (it is then released and deleted), 0 otherwise.
    virtual int RemoveState(IOrloState* screen);
    // Queues the screen to become the front one in the next Update. 1.
    virtual int RequestBringToFront(IOrloState* screen);
    int BringStateToFront(IOrloState* screen);
    // The resource manager's textures, then the game's and every screen's notification; the
    // first result other than VORTAN_OK is returned.
    int UnloadAllSurfaceTextures() override;
    int ReloadAllSurfaceTextures() override;

    // Switches the language (only with a session and a language object) and tells every
    // screen. The language object's result, VORTAN_E_RANGE when not switched.
    int SetLanguage(const CVortanString& nameOrCode);
    // The hosted game's answers ("Ovi" for an empty store name).
    void GetStoreName(CVortanString& out);
    int GetGameNumber();
    void GetGameVersion(CVortanString& out);
    int GetEditionFlag();
    // The release number the session received at connect, 0 when none.
    int GetReleaseId();
    // The session's key and web-link token; empty without a session.
    void GetSessionKey(CVortanString& out);
    void GetWebToken(CVortanString& out);

    // Queues a toast (duration 0 = the toast's default) and vibrates once; nothing without a
    // toast.
    void ShowToast(const CVortanString& text, float duration, int kind);
    // The match result, from the game (player ids, places, flag).
    virtual void EndMatch(const CVortanArray<i32>* ids, const CVortanArray<i32>* places, int flag);
    void AnswerRematch(bool accept, bool leave);
    // 1 while a match's end waits on the user's rematch answer.
    int IsEndReportPending() const { return m_endReportPending; }
    // 1 once the current match is over on the game server (a side left it).
    int IsMatchClosed() const { return m_matchClosed; }

    IOrloNetworkSession* GetNetworkSession() const { return m_session; }
    IOrloGameState* GetGameState() const { return m_gameState; }
    IOrloNetConnection* GetNetConnection() const { return m_netConnection; }
    IOrloMenuState* GetMenuState() const { return m_menu; }
    IOrloToastNotification* GetToast() const { return m_toast; }
    IOrloAdvertisement* GetAdvertisement() const { return m_advertisement; }
    CVortanSoundEngine* GetSoundEngine() const { return m_soundEngine; }

    // The factory of the online client's objects for the applications made from now on (not
    // owned: it must outlive them), or null. The program registers it at start-up.
    static void RegisterOnlineFactory(IOrloOnlineFactory* factory);

    // Queries for tests and tools.
    int GetStateCount() const { return m_states.GetCount(); }
    IOrloState* GetStateAt(int index) const { return (IOrloState*)m_states.GetAt(index); }
    int IsQuitRequested() const { return m_quitRequested; }
    int GetReloadStep() const { return m_reloadStep; }
    const CVortanString& GetRememberedMusic() const { return m_musicFile; }
    int GetRememberedMusicPosition() const { return m_musicPosition; }

protected:
    // Settings, language packs, data packs, device services, achievements and the settings'
    // defaults, then saves the settings. VORTAN_OK, or the first failure.
    int InitPlatform();
    // Say on standard error which pack stopped the start-up and why (missing, damaged,
    // unreadable), and record the matching exit status.
    void ReportLanguagePackProblem();
    void ReportMediaPackProblem(const char* what, const char* base);
    // The embedded reload picture as a surface with its texture. VORTAN_OK or the failure code.
    int LoadReloadScreenImage();
    // Releases and deletes the reload picture, when there is one.
    void FreeReloadImage();
    // Plays the remembered music again from the remembered position.
    void ResumeMusic();
    // A new network session with this application observing it, as m_session. VORTAN_OK or the
    // failure code (m_session unchanged).
    int OpenSession();
    // Deletes the sessions replaced during their own delivery.
    void DeleteRetiredSessions();
    // Stores the player's volume, stops and deletes it.
    void DeleteMusicPlayer();
    // The game state when it can take calls: a menu has taken it in and initialised it.
    IOrloGameState* GetReadyGameState() const;
    // Pointer routing: 0 down, 1 move, 2 up. The consuming receiver's result, else 0.
    int RoutePointer(int kind, int button, int x, int y);
    // Frees one screen taken out of the stack (forgetting the menu and what pointed to it).
    void DestroyState(IOrloState* screen);
    // Takes the pending bring-to-front requests of the screen out.
    void DropFrontRequests(IOrloState* screen);

    int m_quitRequested;
    int m_inGame;
    int m_returnGuard;
    int m_lobbyConnected;

    CVortanPtrArray m_states;        // IOrloState*, owned; index 0 = front
    CVortanPtrArray m_overlays;      // COrloNotification*, owned
    CVortanPtrArray m_frontRequests; // IOrloState*, in queueing order

    CVortanSoundEngine* m_soundEngine;
    CVortanSoundMusicPlayer* m_musicPlayer;
    IOrloNetworkSession* m_session;
    CVortanPtrArray m_retiredSessions; // IOrloNetworkSession*, shut down, deleted in Update
    IOrloGameState* m_gameState;       // the online menu owns it once it took it in
    int m_ownsGameState;               // Create succeeded: the game is ours until a menu takes it
    IOrloMenuState* m_menu;            // one of the screens, or null
    COrloDevice* m_device;
    COrloStatsStore* m_settings;
    IOrloAchievementStation* m_achievements;
    IOrloAdvertisement* m_advertisement;
    IOrloToastNotification* m_toast;
    IOrloNetConnection* m_netConnection;
    COrloLanguage* m_language;

    int m_reloadStep; // 0 none, 1 draw the reload screen, 2 reload textures
    CVortanSurface* m_reloadImage;

    CVortanString m_musicFile;
    int m_musicLoop;
    int m_musicPosition; // ms

    int m_endReportPending;
    int m_rematchChoice; // -1 none; bit 0 accept, bit 1 leave
    // This match's result went to the game server (one result per match).
    int m_resultSent;
    // This match is over on the game server (the opponent left, or this side refused the
    // rematch): nothing more goes to it.
    int m_matchClosed;
    // The session's game when this match started: a connection made for a newer game is not
    // this match's to let go.
    i64 m_matchGame;

    IOrloOnlineFactory* m_onlineFactory; // not owned; null: no online objects
};
