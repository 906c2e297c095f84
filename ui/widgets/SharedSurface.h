// A surface slot of a widget shared through the resource manager: taking a reference on a new
// surface (registering one the manager does not know) and giving the old one back.
#pragma once

class COrloResourceManager;
class CVortanSurface;

struct CSharedSurface {
    CVortanSurface* surface = nullptr;
    bool owned = false; // held without a reference of the manager: deleted here

    // Nothing when unchanged; else the old surface is given back and the new one held.
    void Set(COrloResourceManager* manager, CVortanSurface* image);
    // Gives the surface back: released through the manager, or deleted when the manager does
    // not hold it.
    void Release(COrloResourceManager* manager);
    // Without a manager at hand (a widget deleted without Shutdown): deletes a surface held
    // without the manager's reference and forgets one the manager holds.
    void Drop();
};
