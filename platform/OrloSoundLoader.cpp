#include "platform/OrloSoundLoader.h"

#include "VortanSound/VortanSoundWave.h"

COrloResourceManager::CAsyncSoundLoader::CAsyncSoundLoader(COrloResourceManager* manager,
                                                           CVortanSoundEngine* engine, u8* data,
                                                           int size, CVortanSoundWave* sound,
                                                           const CVortanString& path)
    : m_manager(manager), m_engine(engine), m_data(data), m_size(size), m_sound(sound),
      m_path(path), m_done(0), m_result(0)
{}

COrloResourceManager::CAsyncSoundLoader::~CAsyncSoundLoader()
{
    Stop();
    FreeData();
}

void COrloResourceManager::CAsyncSoundLoader::FreeData()
{
    delete[] m_data;
    m_data = nullptr;
    m_size = 0;
}

void COrloResourceManager::CAsyncSoundLoader::Run()
{
    // The loader is started from the frame's poll on the main thread: yielding a few
    // milliseconds first lets that frame finish before the decoding competes with it for the
    // processor.
    VortanSleep(5);
    int result;
    if (!m_sound) {
        result = VORTAN_E_MALFORMED;
    } else {
        // On failure the sound releases whatever buffers it had: it stays silent.
        result = m_sound->LoadFromMemory(m_engine, m_data, m_size, 0, 0);
    }
    m_result.store(result);
    m_done.store(1);
}
