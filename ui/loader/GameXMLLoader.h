// CGameXMLLoader: reads an area file, a screen in several variants for screen sizes, chooses
// the variant that fits the screen and has the layout loader build it into a new root.
#pragma once
#include "engine/VortanPtrArray.h"
#include "engine/VortanString.h"
#include "ui/loader/UIXMLLoader.h"

class CUIActionRegistry;
class CWidget;

// One variant: its element in the parsed file, the size it is made for and its root's name.
struct CGameXMLArea {
    CVortanXMLDataNode* node;
    i32 width;
    i32 height;
    float aspect;
    CVortanString name;
};

class CGameXMLLoader : public CXMLLoaderWrapper {
public:
    CGameXMLLoader();
    ~CGameXMLLoader() override;

    // Keeps the application, the registry and the caller's extra types. VORTAN_OK.
    int Init(COrloApplication* application, CUIActionRegistry* registry,
             const CUIWidgetTypeList* extraTypes);
    // Loads the file and lists its areas in aspect order. VORTAN_E_MISSING when nothing could
    // be read, or the parser's code; no areas are listed then.
    int LoadAreas(const CVortanString& path);
    // Lists one area element (refused when an area of its size is listed, or its width or
    // height is not above 0). VORTAN_OK.
    int ParseArea(CVortanXMLDataNode* node);
    // The variant for the screen, or null.
    const CGameXMLArea* SelectArea(int width, int height) const;
    // A new root of the screen's size, named after the chosen area, built from it; the old
    // root, when given, is rebuilt over (its uniquely named widgets are kept, the rest is
    // deleted). Null when no area fits; the caller owns the root.
    CWidget* CreateWidgetTree(int width, int height, CWidget* previousTree);
    // Deletes the areas and the parsed file.
    void Unload();

    int GetAreaCount() const { return m_areas.GetCount(); }
    const CGameXMLArea* GetArea(int i) const { return (const CGameXMLArea*)m_areas.GetAt(i); }

private:
    void DeleteAreas();

    COrloApplication* m_app;
    CUIActionRegistry* m_registry;
    CVortanPtrArray m_areas; // CGameXMLArea*, owned, ascending aspect
    const CUIWidgetTypeList* m_extraTypes;
};
