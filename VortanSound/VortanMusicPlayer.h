// CVortanSoundMusicPlayer: plays one MP3 file through a GStreamer pipeline, with a volume in
// hundredths of a decibel (-10000..0) mapped linearly onto the output's 0.0..1.0, mute, fade-in,
// fade-out and looping. It is a runnable: its owner (the application) runs it once per frame, and
// that tick drives the fades, reads the pipeline's messages and restarts a looping file at its end.
// All calls belong to the main thread; GStreamer runs its own streaming threads.
#pragma once
#include "engine/VortanRunnable.h"
#include "engine/VortanString.h"
#include "engine/VortanTypes.h"

#include <cstddef>

typedef struct _GstElement GstElement;

class CVortanSoundMusicPlayer : public IVortanRunnable {
public:
    enum { STATE_CLOSED = 0, STATE_STOPPED = 1, STATE_PLAYING = 2, STATE_PAUSED = 3 };

    CVortanSoundMusicPlayer();
    virtual ~CVortanSoundMusicPlayer();

    // Builds the pipeline for the file and registers the player as a runnable of the owner (an
    // object with AddListener / RemoveListener, the application). VORTAN_OK when built;
    // VORTAN_E_MALFORMED when an element is missing on this machine; VORTAN_E_FAIL when the media
    // library could not start.
    template <class TOwner>
    int CreatePipeline(TOwner* owner, const CVortanString& fileName)
    {
        if (!owner)
            return CreatePipeline(nullptr, fileName);
        return OpenPipeline(owner, &AttachTo<TOwner>, &DetachFrom<TOwner>, fileName);
    }
    int CreatePipeline(std::nullptr_t, const CVortanString& fileName)
    {
        return OpenPipeline(nullptr, nullptr, nullptr, fileName);
    }

    // Starts or resumes; the loop flag is kept only when the player has an owner (nobody else
    // would run the loop). VORTAN_E_RANGE when not opened; VORTAN_E_FAIL when the pipeline refuses
    // to play.
    int Play(int loop);
    int Pause();
    int Stop();
    // Jumps to a position in seconds: VORTAN_OK when the pipeline took it, VORTAN_E_RANGE when not
    // opened, VORTAN_E_FAIL refused.
    int Seek(float seconds);
    // Seconds, 0 when not opened or unknown.
    float GetPosition();
    float GetDuration();

    // Volume -10000..0 (0 = full level).
    int GetVolume();
    void SetVolume(int volume);
    void SetMute(int muted);
    int GetMute() const { return m_muted; }
    void FadeIn(float seconds);
    void FadeOut(float seconds);

    // Stops, restores the volume found at open, drops the pipeline and unregisters from the owner.
    void Close();

    // One frame: advances a fade, drains the pipeline's messages, restarts a looping file.
    virtual void Run(float deltaSeconds);

    int GetState() const { return m_state; }
    // The pipeline (owned by the player; null when closed), for inspection.
    GstElement* GetPipeline() const { return m_pipeline; }

private:
    typedef void (*FOwnerCall)(void* owner, IVortanRunnable* runnable);

    template <class TOwner>
    static void AttachTo(void* owner, IVortanRunnable* runnable)
    {
        static_cast<TOwner*>(owner)->AddListener(runnable);
    }
    template <class TOwner>
    static void DetachFrom(void* owner, IVortanRunnable* runnable)
    {
        static_cast<TOwner*>(owner)->RemoveListener(runnable);
    }

    int OpenPipeline(void* owner, FOwnerCall attach, FOwnerCall detach,
                     const CVortanString& fileName);
    void Unregister();
    // Sets the output level for a volume (clamped); while muted only the muted volume changes.
    void ApplyVolume(int volume);
    void SetOutputLevel(double level);
    int ReadOutputVolume();
    // The volume a fade starts from or returns to: the muted volume while muted, else the output's.
    int CurrentVolume();
    // Reads every pending message; returns 0 when an error stopped the player.
    int DrainBus();
    void StopPipeline();
    float QuerySeconds(int position);

    GstElement* m_pipeline;
    GstElement* m_volume; // the volume stage; null when it has no volume level
    void* m_owner;
    FOwnerCall m_attach;
    FOwnerCall m_detach;
    int m_state;
    i32 m_volumeAtOpen;
    int m_muted;
    i32 m_mutedVolume;
    i32 m_fadeTarget;
    float m_fadeLevel;
    float m_fadeRate;
    int m_endOfStream;
    int m_loop;
};
