// COrloResourceManager::CAsyncSoundLoader: decodes one sound file, read whole into memory
// by the main thread, into its target sound on a worker thread. The resource manager
// queues loaders and runs one at a time (PollAsyncSounds).
//
// The worker touches only the loader's own buffer and the target sound (which publishes
// its buffers in one step when the decode is complete, so the main thread never sees, plays
// or mixes a half-decoded sound). The done flag is the one field both threads read.
#pragma once
#include <atomic>

#include "engine/VortanString.h"
#include "engine/VortanThread.h"
#include "engine/VortanTypes.h"
#include "platform/OrloResourceManager.h"

class CVortanSoundEngine;
class CVortanSoundWave;

class COrloResourceManager::CAsyncSoundLoader : public IVortanThread {
public:
    // Takes ownership of `data` (new[] of `size` bytes).
    CAsyncSoundLoader(COrloResourceManager* manager, CVortanSoundEngine* engine, u8* data, int size,
                      CVortanSoundWave* sound, const CVortanString& path);
    // Stops (joins) the worker, then frees the buffer.
    virtual ~CAsyncSoundLoader();

    // The worker: a 5 ms pause, the decode, then the done flag.
    void Run() override;

    // 1 once the decode has finished (successfully or not).
    int IsDone() const { return m_done.load(); }
    // The decode's result code (meaningful once done): VORTAN_OK, VORTAN_E_MALFORMED without a
    // target sound, or the sound's own failure code.
    int GetResult() const { return m_result.load(); }
    COrloResourceManager* GetManager() const { return m_manager; }
    CVortanSoundWave* GetSound() const { return m_sound; }
    const CVortanString& GetPath() const { return m_path; }
    // Frees the data buffer (the worker must not be running).
    void FreeData();

private:
    COrloResourceManager* m_manager;
    CVortanSoundEngine* m_engine;
    u8* m_data;
    int m_size;
    CVortanSoundWave* m_sound;
    CVortanString m_path;
    std::atomic<i32> m_done;
    std::atomic<i32> m_result;
};
