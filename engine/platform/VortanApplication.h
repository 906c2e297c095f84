// IVortanApplication: the engine's application object. It owns the X11 connection and the
// one top-level window, the graphics context on it (the GLES2 extension, or a software back
// buffer shown through X shared memory), the frame timer, timers and per-frame runnables,
// the input state, the application name and the user-data and resource paths. Its event
// loop turns X events into the virtual calls below, which the platform application
// overrides.
//
// Everything here runs on the main thread.
#pragma once
#include "engine/VortanPtrArray.h"
#include "engine/VortanRect.h"
#include "engine/VortanString.h"
#include "engine/VortanTimer.h"
#include "engine/VortanTypes.h"
#include "engine/VortanVector.h"

// Xlib types, declared here so that users of the application do not see Xlib's macros.
struct _XDisplay;
struct _XGC;
struct _XImage;
union _XEvent;

class IVortanGraphicsContext;
class IVortanGraphicsExt;
class CVortanSurface;
class IVortanRunnable;

// Root interface of the application.
class IVortanNotify {
public:
    virtual ~IVortanNotify() {}
    virtual void Notify() = 0;
};

// Window settings record.
struct CVortanWindowSettings {
    i32 width;
    i32 height;
    i32 pixelFormat; // VORTAN_PIXEL_*; VORTAN_PIXEL_DISPLAY is read as VORTAN_PIXEL_ABGR8888
    i32 reserved;
    i32 windowed; // 0 = fullscreen
    u32 flags;    // bit 31: the engine made the window; bit 7: half-size back buffer
};

// A pointer event as the window code hands it to HandlePointer.
struct CVortanPointerEvent {
    i32 code;   // VORTAN_POINTER_DOWN, _UP or _MOVE
    i32 button; // X button number - 1
    i32 x;
    i32 y;
};

enum { VORTAN_POINTER_DOWN = 800, VORTAN_POINTER_UP = 801, VORTAN_POINTER_MOVE = 802 };

// Flag bits of CVortanWindowSettings::flags.
enum : u32 { VORTAN_WINDOW_HALF_SIZE = 0x80u, VORTAN_WINDOW_ENGINE_MADE = 0x80000000u };

// Value of a held key in the key-state table.
enum { VORTAN_KEY_HELD = 0x80 };

// One registered timer: fires OnTimer(id) once `interval` ms have passed since the last firing.
struct CVortanTimerRecord {
    CVortanTimer timer;
    u32 id;
    u32 lastFire; // ms of the process-wide monotonic clock
    u32 interval; // ms
};

class IVortanApplication : public IVortanNotify {
public:
    IVortanApplication();
    virtual ~IVortanApplication();

    // --- virtual operations ---------------------------------------------------------------
    void Notify() override;
    // One frame: a due timer, the delta, the runnables, Update, present, pacing.
    virtual void Frame();
    // Dispatches one X event to the calls below. Returns VORTAN_OK.
    virtual int HandleXEvent(union _XEvent* event);
    virtual int OnResize(int width, int height);
    virtual void OnPointerDown(int button, int x, int y);
    virtual void OnPointerDownUnit(int button, const CVortanVector2& unit);
    virtual void OnPointerMove(int button, int x, int y);
    virtual void OnPointerMoveUnit(int button, const CVortanVector2& unit);
    virtual void OnPointerUp(int button, int x, int y);
    virtual void OnPointerUpUnit(int button, const CVortanVector2& unit);
    virtual void SetActive(bool active);
    virtual int RestoreGraphics();
    // The application's own frame work.
    virtual void Update() = 0;
    // Measures the time since the previous call into the frame delta (capped at 1.0 s).
    virtual void UpdateFrameTimer();
    // Called once the window and the graphics exist; anything but VORTAN_OK fails the creation.
    virtual int OnCreate();
    virtual void OnExit();
    // The X keysym of a pressed key (keypad Enter arrives as Return, 0xff0d).
    virtual void OnKeyDown(int key);
    // The typed character (0..255).
    virtual void OnChar(unsigned short character);
    virtual void OnTimer(int id);
    virtual int CreateBackBuffer(int pixelFormat);
    // Every sleep of the event and frame loops goes through here (a test seam: tests
    // override it to observe the pacing without waiting). A stop signal ends the wait early.
    virtual void SleepMs(int ms);
    // The connection to the X display is gone and the process is about to end at once (an
    // Xlib I/O error cannot be returned from): keep what the user would otherwise lose. No X,
    // GL or EGL call may be made here.
    virtual void OnDisplayLost();

    // --- window and event loop --------------------------------------------------------------
    static void GetDefaultSettings(CVortanWindowSettings* settings);
    // Appends two new CVortanWindowSettings records (the caller deletes them): the default
    // one and one of the display's full size.
    void GetDisplayModes(CVortanPtrArray* list);
    // Creates the fullscreen (or windowed) X window and continues with InitWindow.
    // VORTAN_E_ARGUMENT missing settings, VORTAN_E_FAIL no X display, else InitWindow's result.
    int CreateWindow(void* platform, const CVortanWindowSettings* settings);
    int InitWindow(void* platform, const CVortanWindowSettings* settings, unsigned long window);
    // The event loop: runs until the window manager closes the window, the window is
    // destroyed, a stop signal (SIGTERM, SIGINT, SIGHUP) arrives or Quit. Returns the
    // process's exit status (VortanExitStatus.h): 0 unless a failure was reported.
    int Run();
    void HandlePointer(const CVortanPointerEvent& event);
    // Ends the event loop as a window manager's close does: deactivate, OnExit, Shutdown,
    // running cleared.
    void CloseAsRequested();
    void Quit();
    void Shutdown();
    int BlitBackBuffer();

    // Restarts the idle clock of pacing mode 2 (busy screens call it every frame).
    void ResetIdle();
    // Mode 0: none; 1: frame time target of `ms`; 2: idle throttle after `ms` without input.
    void SetFramePacing(int mode, int ms);
    void AddTimer(int id, int intervalMs);
    void RemoveTimer(int id);
    // Registers a per-frame runnable (not owned). A runnable already listed is not added again.
    void AddListener(IVortanRunnable* runnable);
    void RemoveListener(IVortanRunnable* runnable);

    // --- random numbers ------------------------------------------------------------------
    // Seeds from the current milliseconds of a fresh timer.
    static void SeedRandom();
    static void SeedRandomValue(unsigned int seed);
    // Uniform in min..max; an empty or inverted range gives min.
    static int RandomInt(int min, int max);
    static float RandomFloat(float min, float max);
    static double RandomDouble(double min, double max);

    // --- names and paths -------------------------------------------------------------------
    void SetAppName(const CVortanString& name);
    const CVortanString& GetAppName() const { return m_appName; }
    // Home directory + "/." + the application name with every character outside 0-9, A-Z,
    // a-z replaced by "_" (created when missing), then "/" + file name. VORTAN_OK, or VORTAN_E_FAIL
    // when the home directory is unknown or the directory cannot be made (out is then empty). Paths
    // hold the file system's bytes one per unit, as CVortanFile reads them.
    int GetUserDataPath(CVortanString& out, const CVortanString& fileName);
    // The running executable's directory followed by the file name (one leading backslash
    // dropped). When the executable cannot be found, the file name is appended to out.
    void GetResourcePath(CVortanString& out, const CVortanString& fileName);
    // The running executable's directory with its trailing "/"; VORTAN_OK, or VORTAN_E_FAIL when
    // unknown (out unchanged).
    static int GetExecutableDir(CVortanString& out);

    // --- palette ---------------------------------------------------------------------------
    // Installs 256 entries of 0x00RRGGBB (null: the 3-3-2 palette) and fills the 4096-entry
    // 4:4:4 lookup. VORTAN_OK, or VORTAN_E_NOMEMORY when the tables cannot be allocated.
    int SetPalette(const u32* entries);
    static int FindNearestPaletteIndex(const u32* palette, u32 colour);
    const u32* GetPalette() const { return m_palette; }
    const u8* GetPaletteLookup() const { return m_paletteLookup; }

    // --- dialogs ---------------------------------------------------------------------------
    void MessageBox(const CVortanString& title, const CVortanString& text);
    static void FormatErrorText(int code, CVortanString& out);

    // --- state -----------------------------------------------------------------------------
    struct _XDisplay* GetDisplay() const { return m_display; }
    unsigned long GetWindow() const { return m_window; }
    // The GLES2 extension when there is one, else the back-buffer surface.
    IVortanGraphicsContext* GetGraphics() const;
    IVortanGraphicsExt* GetGraphicsExt() const { return m_graphicsExt; }
    CVortanSurface* GetBackBuffer() const { return m_backBuffer; }
    // Test seam: replaces the owned graphics extension (the current one is deleted) before
    // the window is made; null selects the software back buffer.
    void ReplaceGraphicsExt(IVortanGraphicsExt* ext);

    float GetFrameDelta() const { return m_frameDelta; }
    CVortanTimer& GetFrameTimer() { return m_frameTimer; }
    int IsActive() const { return m_active; }
    int IsCreated() const { return m_created; }
    int IsRunning() const { return m_running; }
    // VORTAN_KEY_HELD (0x80) while the engine key is held, else 0.
    u8 GetKeyState(int code) const { return (code >= 0 && code < 256) ? m_keys[code] : 0; }
    u32 GetButtonMask() const { return m_buttonMask; }
    int GetPointerX() const { return m_pointerX; }
    int GetPointerY() const { return m_pointerY; }
    const CVortanRect& GetClientRect() const { return m_clientRect; }
    const CVortanRect& GetWindowRect() const { return m_windowRect; }
    const CVortanWindowSettings& GetSettings() const { return m_settings; }
    int GetPacingMode() const { return m_pacingMode; }
    int GetPacingMs() const { return m_pacingMs; }
    int IsIdle() const { return m_idle; }
    int GetTimerCount() const { return m_timers.GetCount(); }
    int GetListenerCount() const { return m_runnables.GetCount(); }
    // Shared-memory segment of the back buffer, -1 when there is none.
    int GetBackBufferSegment() const { return m_shmId; }
    // The window that someone else destroyed (DestroyNotify), 0 while there is none.
    unsigned long GetDestroyedWindow() const { return m_destroyedWindow; }

protected:
    // Clears the fields, initialises GTK and opens the X display named by the environment.
    void InitPlatform();
    // Deactivates without notifying: active cleared, keys and buttons cleared, timer restarted.
    void Deactivate();
    // Detaches and frees the back buffer's shared-memory image and segment.
    void FreeBackBufferImage();
    void ReadGeometry(int fullscreen);
    u32 NowMs() const;
    // Pacing mode 2 while not idle: a frame (its work and its present) that took less than a
    // 60 Hz display's refresh period did not wait for a display, so the rest of the period is
    // slept. `frameStartUs` is the frame timer's time at the start of the frame.
    void HoldActiveRate(u64 frameStartUs);

    CVortanTimer m_frameTimer;
    float m_frameDelta;
    CVortanRect m_clientRect;
    CVortanRect m_windowRect;

    struct _XDisplay* m_display;
    int m_screen;
    unsigned long m_window;
    unsigned long m_destroyedWindow;
    unsigned long m_wmDeleteWindow;
    struct _XGC* m_gc;
    long m_createEventMask;

    IVortanGraphicsExt* m_graphicsExt;
    CVortanSurface* m_backBuffer;

    struct _XImage* m_shmImage;
    int m_shmId;
    void* m_shmAddress;
    int m_shmAttached;
    int (IVortanApplication::*m_present)();

    CVortanWindowSettings m_settings;
    int m_engineMadeWindow;

    int m_running;
    int m_active;
    int m_created;

    u8 m_keys[256];
    u32 m_buttonMask;
    int m_pointerX;
    int m_pointerY;

    CVortanPtrArray m_timers;    // CVortanTimerRecord*, owned
    CVortanPtrArray m_runnables; // IVortanRunnable*, not owned
    int m_pacingMode;
    int m_pacingMs;
    u32 m_lastInputMs;
    int m_idle;

    CVortanString m_appName;
    u32* m_palette;
    u8* m_paletteLookup;

private:
    IVortanApplication(const IVortanApplication&) = delete;
    IVortanApplication& operator=(const IVortanApplication&) = delete;
};
