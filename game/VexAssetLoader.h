// CVexAssetLoader: loads an asset by its id into the game's handle slot, through the resource
// manager and by the name the asset tables give the id; a slot that held a handle gives it back
// first.
#pragma once

class CVexGameContext;
class COrloResourceManager;

class CVexAssetLoader {
public:
    // Image id 0..69, sound id 0..23, the game font. 1 when a handle is in the slot, 0 when the
    // resource is missing (the slot is then empty), 2 for an id outside the table or a missing
    // context or resource manager.
    static int LoadImage(CVexGameContext* context, COrloResourceManager* resources, int id);
    static int LoadSound(CVexGameContext* context, COrloResourceManager* resources, int id);
    static int LoadFont(CVexGameContext* context, COrloResourceManager* resources);
};
