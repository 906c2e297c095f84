// CStateGame: the background loading of the game's images and sounds.
#include "engine/graphics/VortanSurface.h"
#include "game/StateGame.h"
#include "game/VexAssetLoader.h"
#include "game/VexAssetTables.h"
#include "game/VexIntroState.h"
#include "game/VexPlayState.h"
#include "game/VexRenderer.h"
#include "platform/OrloApplication.h"

namespace {
// Not loaded in the background (their screens load them).
const int kSkippedFirst = 3;
const int kSkippedLast = 4;
} // namespace

void CStateGame::ResetLoading()
{
    m_loadingDone = 0;
    m_loadingIndex = 0;
    m_loadingProgress = 1;
    m_textureBytes = 0;
    if (m_host)
        m_context.ReleaseFont(m_host);
}

void CStateGame::LoadNextAsset(bool withSounds)
{
    if (m_loadingDone || !m_host)
        return;
    const int total = withSounds ? VEX_LOAD_ITEMS_ALL : VEX_LOAD_ITEMS_IMAGES;
    int item = m_loadingIndex;
    if (item >= kSkippedFirst && item <= kSkippedLast)
        item = kSkippedLast + 1;
    if (item < VEX_LOAD_ITEMS_IMAGES) {
        CVexAssetLoader::LoadImage(&m_context, m_host, item);
    } else if (item < total) {
        const int sound = item - VEX_LOAD_ITEMS_IMAGES;
        if (!m_context.GetSound(sound))
            CVexAssetLoader::LoadSound(&m_context, m_host, sound);
    }
    m_loadingIndex = item + 1;
    int progress = m_loadingIndex * 100 / total;
    m_loadingProgress = progress < 1 ? 1 : (progress > 100 ? 100 : progress);
    if (m_loadingIndex >= total)
        FinishLoading();
}

void CStateGame::LoadGameFont()
{
    if (m_host && !m_context.GetFont())
        CVexAssetLoader::LoadFont(&m_context, m_host);
}

void CStateGame::LoadDefaultBackgrounds()
{
    if (!m_host)
        return;
    for (int id = kSkippedFirst; id <= kSkippedLast; ++id)
        if (!m_context.GetImage(id))
            CVexAssetLoader::LoadImage(&m_context, m_host, id);
}

void CStateGame::FinishLoading()
{
    m_loadingDone = 1;
    m_loadingIndex = 0;
    CVexAssetLoader::LoadFont(&m_context, m_host);
    m_textureBytes = 0;
    for (int id = 0; id < VEX_IMAGE_COUNT; ++id)
        if (CVortanSurface* image = m_context.GetImage(id))
            m_textureBytes += (u32)image->GetWidth() * (u32)image->GetHeight() * 4u;
}
