// CVexGameContext: the counter, the sub-step copy and the handle slots of one game.
#include "game/VexGameContext.h"

#include "platform/OrloResourceManager.h"

CVexGameContext::CVexGameContext() : m_sequence(0), m_subStep(0.25f), m_font(nullptr)
{
    for (int i = 0; i < VEX_IMAGE_SLOTS; ++i)
        m_images[i] = nullptr;
    for (int i = 0; i < VEX_SOUND_SLOTS; ++i)
        m_sounds[i] = nullptr;
}

CVexGameContext::~CVexGameContext() {}

CVortanSurface* CVexGameContext::GetImage(int id) const
{
    return (id >= 0 && id < VEX_IMAGE_SLOTS) ? m_images[id] : nullptr;
}

CVortanSoundWave* CVexGameContext::GetSound(int id) const
{
    return (id >= 0 && id < VEX_SOUND_SLOTS) ? m_sounds[id] : nullptr;
}

CVortanSurface** CVexGameContext::ImageSlot(int id)
{
    return (id >= 0 && id < VEX_IMAGE_SLOTS) ? &m_images[id] : nullptr;
}

CVortanSoundWave** CVexGameContext::SoundSlot(int id)
{
    return (id >= 0 && id < VEX_SOUND_SLOTS) ? &m_sounds[id] : nullptr;
}

int CVexGameContext::LoadImage(COrloResourceManager* resources, int id, const CVortanString& name)
{
    CVortanSurface** slot = ImageSlot(id);
    if (!slot || !resources)
        return VORTAN_E_ARGUMENT;
    if (*slot)
        resources->ReleaseSurface(*slot);
    *slot = nullptr;
    *slot = resources->GetSurface(name);
    // The game draws its images only through their textures.
    if (*slot)
        resources->KeepTextureOnly(*slot);
    return *slot ? VORTAN_OK : 0;
}

int CVexGameContext::LoadSound(COrloResourceManager* resources, int id, const CVortanString& name)
{
    CVortanSoundWave** slot = SoundSlot(id);
    if (!slot || !resources)
        return VORTAN_E_ARGUMENT;
    if (*slot)
        resources->ReleaseSound(*slot);
    *slot = nullptr;
    *slot = resources->GetSound(name, 0);
    return *slot ? VORTAN_OK : 0;
}

int CVexGameContext::LoadFont(COrloResourceManager* resources, const CVortanString& name)
{
    if (!resources)
        return VORTAN_E_ARGUMENT;
    if (m_font)
        resources->ReleaseFont(m_font);
    m_font = nullptr;
    m_font = resources->GetFont(name);
    return m_font ? VORTAN_OK : 0;
}

void CVexGameContext::ReleaseImage(COrloResourceManager* resources, int id)
{
    CVortanSurface** slot = ImageSlot(id);
    if (!slot || !*slot || !resources)
        return;
    resources->ReleaseSurface(*slot);
    *slot = nullptr;
}

void CVexGameContext::ReleaseSound(COrloResourceManager* resources, int id)
{
    CVortanSoundWave** slot = SoundSlot(id);
    if (!slot || !*slot || !resources)
        return;
    resources->ReleaseSound(*slot);
    *slot = nullptr;
}

void CVexGameContext::ReleaseFont(COrloResourceManager* resources)
{
    if (!m_font || !resources)
        return;
    resources->ReleaseFont(m_font);
    m_font = nullptr;
}

void CVexGameContext::ReleaseAllImages(COrloResourceManager* resources)
{
    for (int i = 0; i < VEX_IMAGE_SLOTS; ++i)
        ReleaseImage(resources, i);
}

void CVexGameContext::ReleaseAllSounds(COrloResourceManager* resources)
{
    for (int i = 0; i < VEX_SOUND_SLOTS; ++i)
        ReleaseSound(resources, i);
}

void CVexGameContext::ReleaseHandles(COrloResourceManager* resources)
{
    ReleaseAllImages(resources);
    ReleaseAllSounds(resources);
    ReleaseFont(resources);
}
