// CVortanSoundEngine: the software mixer over one ALSA playback device.
//
// A mixer thread (or the owner through Update, with flag 4) mixes every playing registered
// buffer into one period with volume, pan, optional 3-D placement and resampling, applies
// the master volume and pan of the primary buffer, converts to the device format and writes
// the period to ALSA, whose blocking write paces the loop.
//
// Threads: the buffer list and the notify-handler list are guarded by the process-wide
// critical section (held while the mixer walks them); flags shared with the mixer thread
// are atomics. Notifications are collected inside the critical section and the listeners
// are called after leaving it, on the mixer thread, in the order the events happened; one
// notification pass runs at a time (VortanSoundNotify.h).
#pragma once
#include <atomic>

#include "VortanSound/VortanSoundBuffer.h"
#include "VortanSound/VortanSoundFormat.h"
#include "engine/VortanCriticalSection.h"
#include "engine/VortanPtrArray.h"
#include "engine/VortanThread.h"
#include "engine/VortanTypes.h"

typedef struct _snd_pcm snd_pcm_t;
typedef struct _snd_pcm_hw_params snd_pcm_hw_params_t;

// Open flags.
enum {
    VORTAN_SOUNDENGINE_NO_THREAD = 4 // no mixer thread: the owner calls Update
};

class CVortanSoundEngine : public IVortanThread {
public:
    CVortanSoundEngine();
    virtual ~CVortanSoundEngine();

    static CVortanSoundEngine* Create();

    // The mixer thread's body.
    void Run() override;
    // With flag 4 only: one period mixed and the notifications processed, no sleep.
    // Returns Mix's result (0 when nothing was done).
    virtual int Update();

    // Opens the output closest to the wanted format: VORTAN_OK; VORTAN_E_FAIL when the device
    // fails, VORTAN_E_NOMEMORY out of memory, VORTAN_E_VERSION when no format fits. periodBytes 0
    // chooses rate x block align / 24 + 1024; the period is rounded up to a multiple of 16 (and
    // kept within 16..1 MiB).
    int Open(void* owner, u32 samplesPerSec, u32 bitsPerSample, u32 channels, u32 reserved,
             u32 flags, int periodBytes);
    void Close();

    // Pausing or resuming stops every registered buffer. Pausing pauses the device when it
    // can, else stops the thread and closes the device; resuming undoes what pausing did.
    int SetPaused(bool paused);
    int IsPaused() const { return m_paused.load(); }

    // A muted engine writes silence while the buffers keep advancing; the master volume is
    // kept aside while muted and restored on unmute.
    int SetMute(bool muted);
    int IsMuted() const { return m_muted.load(); }
    // Master volume, clamped to -10000..0 (the saved volume while muted).
    int SetVolume(i32 volume);
    i32 GetVolume() const;
    // Master pan, clamped to -10000..10000.
    int SetPan(i32 pan);
    i32 GetPan() const;

    // VORTAN_E_ARGUMENT for null, 0 when already present, VORTAN_OK added (VORTAN_E_NOMEMORY out of
    // memory).
    int AddBuffer(CVortanSoundBuffer* buffer);
    // VORTAN_E_ARGUMENT for null, VORTAN_E_MISSING when absent, VORTAN_OK removed.
    int RemoveBuffer(CVortanSoundBuffer* buffer);
    int AddNotifyHandler(IVortanSoundNotifyHandler* handler);
    // VORTAN_E_ARGUMENT for null, VORTAN_E_MISSING when absent, VORTAN_OK removed. Returns once no listener of the handler runs on
    // another thread.
    int RemoveNotifyHandler(IVortanSoundNotifyHandler* handler);
    // Returns once no listener of the handler runs on another thread (at once on the thread
    // that makes the calls). Called after records or the handler itself were removed, so
    // that no call for them is made afterwards.
    void WaitForListeners(IVortanSoundNotifyHandler* handler);
    int GetBufferCount();

    // Appends the twelve candidate output formats as new CVortanSoundFormat records.
    int EnumFormats(CVortanPtrArray& formats);
    // Appends the one device name as a new CVortanString.
    int EnumDevices(CVortanPtrArray& devices);
    static void FreeFormats(CVortanPtrArray& formats);
    static void FreeDevices(CVortanPtrArray& devices);

    // The best candidate for a wanted format: VORTAN_OK and the choice, or VORTAN_E_VERSION when
    // none fits.
    static int ChooseFormat(const CVortanSoundFormat& wanted, CVortanSoundFormat* chosen);

    // Mixes one period into the primary buffer and writes it to the device when one is
    // open. VORTAN_OK; VORTAN_E_RANGE without a format or a mix buffer; VORTAN_E_LOCKED when the
    // primary buffer is locked.
    int Mix();

    // The output format (the primary buffer's).
    CVortanSoundFormat GetFormat() const { return m_format; }
    CVortanSoundBuffer* GetPrimaryBuffer() { return &m_primary; }
    void* GetOwner() const { return m_owner; }
    u32 GetFlags() const { return m_flags; }
    int GetPeriodBytes() const { return m_periodBytes; }
    int GetPeriodFrames() const { return m_periodFrames; }
    int GetMixSamples() const { return m_mixSamples; }
    int IsDeviceOpen() const { return m_pcm != nullptr; }
    // Next notification id (the first is 1).
    u32 NextNotifyId() { return m_notifyId.fetch_add(1) + 1; }

    // Amplitude factor of a volume (hundredths of a decibel): 32767 / 2^(volume / -1000),
    // truncated; 32767 for 0 and above.
    static i32 VolumeToGain(i32 volume);
    // Attenuation of the quieter side for a pan magnitude: 32767 / 2^(|pan| / 1000).
    static i32 PanToGain(i32 pan);

private:
    CVortanSoundEngine(const CVortanSoundEngine&) = delete;
    CVortanSoundEngine& operator=(const CVortanSoundEngine&) = delete;

    int OpenOutput(const CVortanSoundFormat& format, int periodBytes);
    int OpenDevice(const CVortanSoundFormat& format, int periodBytes);
    void CloseDevice();
    void FreeMixBuffer();
    void StartMixer();
    // One notification pass: the due calls are collected inside the critical section and
    // made after leaving it.
    void ProcessHandlers();
    // Inside the critical section: 1 when the call's handler is still registered and still
    // holds the call's record.
    int IsStillDue(const CVortanSoundNotifyCall& call);
    // Takes the item off the list under the lock: VORTAN_E_ARGUMENT for null, VORTAN_E_MISSING when absent,
    // VORTAN_OK removed.
    int RemoveFromList(CVortanPtrArray& list, void* item);
    // Adds one buffer's contribution to the mix buffer (the buffer is locked).
    int MixBuffer(CVortanSoundBuffer* buffer);
    void ConvertOutput(u8* out, u32 outBytes);

    CVortanSoundBuffer m_primary;
    void* m_owner;
    CVortanSoundFormat m_format;
    CVortanPtrArray m_buffers;
    CVortanPtrArray m_handlers;
    std::atomic<i32> m_paused;
    CVortanCriticalSection m_lock;
    std::atomic<i32> m_muted;
    std::atomic<i32> m_savedVolume;
    i32* m_mixBuffer;
    int m_periodBytes;
    int m_mixSamples;
    int m_mixBytes;
    u32 m_flags;
    snd_pcm_t* m_pcm;
    snd_pcm_hw_params_t* m_hwParams;
    int m_periodFrames;
    int m_devicePaused; // the device was paused in hardware (snd_pcm_pause)
    std::atomic<u32> m_notifyId;

    // The notification pass, guarded by m_lock: whether one runs and on which thread, the
    // handler whose listener is being called (null between calls) and a count of calls.
    int m_delivering;
    pthread_t m_deliveryThread;
    IVortanSoundNotifyHandler* m_callHandler;
    u32 m_callSerial;
};
