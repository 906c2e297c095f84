// CVexAssetLoader: asset ids to table names to handle slots.
#include "game/VexAssetLoader.h"

#include "engine/VortanTypes.h"
#include "game/VexAssetTables.h"
#include "game/VexGameContext.h"

int CVexAssetLoader::LoadImage(CVexGameContext* context, COrloResourceManager* resources, int id)
{
    if (!context || !resources || id < 0 || id >= VEX_IMAGE_COUNT)
        return VORTAN_E_ARGUMENT;
    return context->LoadImage(resources, id, CVexAssetTables::Get().ImageName(id));
}

int CVexAssetLoader::LoadSound(CVexGameContext* context, COrloResourceManager* resources, int id)
{
    if (!context || !resources || id < 0 || id >= VEX_SOUND_COUNT)
        return VORTAN_E_ARGUMENT;
    return context->LoadSound(resources, id, CVexAssetTables::Get().SoundName(id));
}

int CVexAssetLoader::LoadFont(CVexGameContext* context, COrloResourceManager* resources)
{
    if (!context || !resources)
        return VORTAN_E_ARGUMENT;
    return context->LoadFont(resources, CVexAssetTables::Get().FontName());
}
