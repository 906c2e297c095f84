// CUIXMLLoader: builds a widget tree from a layout file and keeps uniquely named widgets of a
// previous tree across the rebuild; the readers of the child elements that creators share.
//
// Layout files come from data packs and are untrusted: nothing in them is an error, every
// number is brought into range before it becomes pixels, and imports nest at most
// UI_LOADER_MAX_IMPORT_DEPTH levels and UI_LOADER_MAX_IMPORTS in all. Main thread only.
#pragma once
#include "engine/HashString.h"
#include "engine/VortanArray.h"
#include "engine/VortanMap.h"
#include "engine/VortanRect.h"
#include "engine/VortanString.h"
#include "engine/VortanTypes.h"
#include "xmlloader/XMLLoaderWrapper.h"

class CButton;
class CEasingCurveRegistry;
class CImageWidget;
class COrloApplication;
class COrloResourceManager;
class CSlideArea;
class CTransition;
class CUIActionRegistry;
class CUIXMLLoader;
class CVortanSurface;
class CVortanXMLDataNode;
class CWidget;
class IEasingCurve;

// Makes the widget of one element (or re-uses `reuse`, a kept widget of the previous tree);
// null skips the element with everything under it.
typedef CWidget* (*UIWidgetCreator)(CUIXMLLoader* loader, CVortanXMLDataNode* element,
                                    CWidget* parent, CWidget* reuse);

// A caller's own layout type.
struct CUIWidgetType {
    CHashString name;
    UIWidgetCreator creator;
};
typedef CVortanArray<CUIWidgetType> CUIWidgetTypeList;

// Unique names of kept widgets.
typedef CVortanMap<CHashString, CWidget*> CUIUniqueNameMap;

// Imports below this many levels are not read.
#define UI_LOADER_MAX_IMPORT_DEPTH 16
// Imports read in one build, at every depth together: a file that imports itself twice would
// otherwise be read 2^16 times.
#define UI_LOADER_MAX_IMPORTS 64
// Type names remembered with their creators while a file is read.
#define UI_LOADER_TYPE_CACHE 16
// Most "$param%d" values of an easing curve.
#define UI_LOADER_MAX_EASING_PARAMS 8

class CUIXMLLoader : public CXMLLoaderWrapper {
public:
    CUIXMLLoader();
    ~CUIXMLLoader() override;

    // Sets the loader up for a root (a new "rootwidget" of the screen's size when null) and,
    // with a previous tree, collects its uniquely named widgets and deletes the rest of it.
    // Reads no file. VORTAN_OK.
    int Load(COrloApplication* application, CUIActionRegistry* registry,
             const CUIWidgetTypeList* extraTypes, CWidget* root, CWidget* useParent,
             CWidget* previousTree);
    // Reads, parses and builds the file; the parsed XML is freed afterwards. VORTAN_E_MISSING
    // when nothing could be read, or the parser's code; the tree is then untouched.
    int LoadFile(const CVortanString& path);
    // Builds from an element in memory: its "actions", then its elements and imports.
    void ParseDocument(CVortanXMLDataNode* node);
    // Deletes a root the loader made, the easing registry and the kept widgets no element
    // claimed (when the unique-name map is the loader's own), then the parsed XML.
    void Unload();
    // Uses another loader's map without owning it.
    void SetUniqueNameMap(CUIUniqueNameMap* map);
    CUIUniqueNameMap* GetUniqueNameMap() const { return m_uniqueNames; }
    // A curve of the easing registry (made with its defaults on first use); owned by the caller.
    IEasingCurve* CreateEasingCurve(const CVortanString& name, int validate, int paramCount,
                                    const float* params);

    // --- what creators use ----------------------------------------------------------------
    COrloApplication* GetApplication() const { return m_app; }
    COrloResourceManager* GetResourceManager() const;
    CUIActionRegistry* GetActionRegistry() const { return m_registry; }
    CWidget* GetRoot() const { return m_root; }
    int GetReferenceWidth() const { return m_refWidth; }
    int GetReferenceHeight() const { return m_refHeight; }
    void SetReferenceSize(int width, int height);
    int GetImportDepth() const { return m_importDepth; }

    // Fractions of the reference size made pixels, clamped to the int range: truncated toward
    // zero, rounded half away from zero, or floor (0.5 + value).
    int TruncX(float fraction) const;
    int TruncY(float fraction) const;
    int RoundX(float fraction) const;
    int RoundY(float fraction) const;
    static int ClampToInt(double value);
    static int RoundHalfAway(double value);
    static int FloorHalfUp(double value);

    // The attribute as a float; absent, empty or not finite gives the default.
    static float ReadFloat(const CVortanXMLDataNode* node, const char* name, float defaultValue);
    static int ReadInt(const CVortanXMLDataNode* node, const char* name, int defaultValue);
    // "$value" of the named child: 1 and the value when both are there, else 0.
    static int ReadChildInt(const CVortanXMLDataNode* element, const char* child, int* out);
    static int ReadChildFloat(const CVortanXMLDataNode* element, const char* child, float* out);
    // Whole-word test of an attribute (false when absent).
    static bool AttributeIs(const CVortanXMLDataNode* node, const char* name, const char* word);
    // Hexadecimal colour with an optional "0x"; with forceAlpha a text of fewer than seven hex
    // digits gets alpha 0xFF. 1 when the text parsed.
    static int ParseColor(const char* text, int forceAlpha, u32* out);

    // --- shared child elements -------------------------------------------------------------
    // The image element's surface with its frames cut, holding one reference of the
    // loader's; null for a missing element, "$path" or file. Give it back with ReleaseImage
    // once the widget took its own.
    CVortanSurface* LoadImageElement(CVortanXMLDataNode* imageNode);
    void ReleaseImage(CVortanSurface*& surface);
    // The named image child of the element set as the widget's image; 1 when one was set.
    int ParseImage(CVortanXMLDataNode* element, const char* childName, CImageWidget* widget);
    // The "image" child of an image or button element: image, frame time and "$frame". With
    // clearFrameTime, the frame time becomes 0 when no image loaded. 1 when an image was set.
    int ParseImageAnimation(CVortanXMLDataNode* element, CImageWidget* widget, int clearFrameTime);
    // The attributes every button type reads, in their order.
    void ParseButtonCommon(CVortanXMLDataNode* element, CButton* button);
    // "border-size": 1 and the four margins (left, top, right, bottom) when present, else 0.
    int ParseBorderSize(CVortanXMLDataNode* element, int margins[4]);
    // "item-spacing": 1 and the two spacings when present, else 0 (both 0).
    int ParseItemSpacing(CVortanXMLDataNode* element, int* horizontal, int* vertical);
    // "scroll": the slide area's scrolling and drag threshold (read only when present).
    void ParseScroll(CVortanXMLDataNode* element, CSlideArea* area);
    // An easing-curve element ("easing_in", "easing_out"): a new curve or null.
    IEasingCurve* ParseEasingCurve(CVortanXMLDataNode* curveNode);
    // From the first "transition" child of the element, the first of it and its following
    // siblings whose "$type" is the word: a new, set-up transition or null.
    CTransition* ParseTransition(CVortanXMLDataNode* element, const char* typeWord);

private:
    // What every element reads, found in one walk over its children.
    struct CElementParts {
        const char* name;
        const char* type;
        const char* unique;
        CVortanXMLDataNode* display;
        CVortanXMLDataNode* position;
        CVortanXMLDataNode* size;
        CVortanXMLDataNode* align;
        CVortanXMLDataNode* flags;
        CVortanXMLDataNode* events;
    };
    struct CTypeCacheEntry {
        char text[32];
        UIWidgetCreator creator;
    };

    static void FindParts(CVortanXMLDataNode* element, CElementParts& parts);
    UIWidgetCreator FindCreator(const char* type);
    void ParseActions(CVortanXMLDataNode* node);
    void ParseChildren(CVortanXMLDataNode* node, CWidget* parent, CWidget* origin);
    void ParseElement(CVortanXMLDataNode* element, CWidget* parent, CWidget* origin);
    void ParseImport(CVortanXMLDataNode* import, CWidget* parent);
    void ParseEvents(CVortanXMLDataNode* events, CWidget* widget);
    bool ImportConditionsHold(CVortanXMLDataNode* import) const;
    void RegisterTypes();
    void CollectUniqueWidgets(CWidget* widget, bool isRoot);
    CWidget* MakePlainWidget(CWidget* parent);
    void ReadRect(const CElementParts& parts, CWidget* parent, CWidget* origin, CWidget* widget);
    static bool IsTemplateName(const CVortanString& name);

    CVortanMap<CHashString, UIWidgetCreator> m_creators;
    CUIActionRegistry* m_registry;
    int m_refWidth;
    int m_refHeight;
    CWidget* m_createdRoot;
    CWidget* m_root;
    CWidget* m_buildParent;
    const CUIWidgetTypeList* m_extraTypes;
    CEasingCurveRegistry* m_easing;
    CHashString m_widgetKey;
    CUIUniqueNameMap* m_uniqueNames;
    bool m_ownsUniqueNames;
    COrloApplication* m_app;
    int m_importDepth;
    int m_importCount;   // imports read in this build (the outermost loader's count)
    int* m_importBudget; // the count every loader of this build adds to
    CTypeCacheEntry m_typeCache[UI_LOADER_TYPE_CACHE];
    int m_typeCacheCount;
    int m_typeCacheNext;
};
