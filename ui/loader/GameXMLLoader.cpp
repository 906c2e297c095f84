// The area loader: listing the variants of an area file, choosing one and building it.
#include "ui/loader/GameXMLLoader.h"

#include <new>
#include <string.h>

#include "engine/VortanXMLDataNode.h"
#include "platform/OrloApplication.h"
#include "ui/Widget.h"

CGameXMLLoader::CGameXMLLoader() : m_app(nullptr), m_registry(nullptr), m_extraTypes(nullptr) {}

CGameXMLLoader::~CGameXMLLoader()
{
    DeleteAreas();
}

int CGameXMLLoader::Init(COrloApplication* application, CUIActionRegistry* registry,
                         const CUIWidgetTypeList* extraTypes)
{
    CXMLLoaderWrapper::Init(application);
    m_app = application;
    m_registry = registry;
    m_extraTypes = extraTypes;
    return VORTAN_OK;
}

void CGameXMLLoader::DeleteAreas()
{
    for (int i = 0; i < m_areas.GetCount(); ++i)
        delete (CGameXMLArea*)m_areas.GetAt(i);
    m_areas.RemoveAll();
}

int CGameXMLLoader::LoadAreas(const CVortanString& path)
{
    DeleteAreas();
    int rc = CXMLLoaderWrapper::LoadFile(path);
    if (rc != VORTAN_OK)
        return rc;
    CVortanXMLDataNode* first = FindChildElement(GetRootElement(), "area");
    for (CVortanXMLDataNode* n = first; n; n = GetNextSibling(n)) {
        if (!n->IsValueNode())
            ParseArea(n);
    }
    return VORTAN_OK;
}

int CGameXMLLoader::ParseArea(CVortanXMLDataNode* node)
{
    const int width = GetIntAttribute(node, "$width", 1);
    const int height = GetIntAttribute(node, "$height", 1);
    // A size that is not above 0 has no aspect to sort by.
    if (width <= 0 || height <= 0)
        return VORTAN_OK;
    for (int i = 0; i < m_areas.GetCount(); ++i) {
        const CGameXMLArea* area = GetArea(i);
        if (area->width == width && area->height == height)
            return VORTAN_OK;
    }
    CGameXMLArea* area = new (std::nothrow) CGameXMLArea();
    if (!area)
        return VORTAN_E_NOMEMORY;
    area->node = node;
    area->width = width;
    area->height = height;
    area->aspect = (float)width / (float)height;
    const char* name = GetAttribute(node, "$name");
    area->name = CVortanString(name ? name : "rootwidget");
    int low = 0;
    int high = m_areas.GetCount() - 1;
    int at = -1;
    while (low <= high) {
        const int middle = (low + high) / 2;
        const float other = GetArea(middle)->aspect;
        if (area->aspect < other) {
            high = middle - 1;
        } else if (area->aspect > other) {
            low = middle + 1;
        } else {
            at = middle;
            break;
        }
    }
    if (m_areas.InsertAt(at >= 0 ? at : low, area) != VORTAN_OK) {
        delete area;
        return VORTAN_E_NOMEMORY;
    }
    return VORTAN_OK;
}

const CGameXMLArea* CGameXMLLoader::SelectArea(int width, int height) const
{
    if (width == 0 || height == 0)
        return nullptr;
    const int count = m_areas.GetCount();
    for (int i = 0; i < count; ++i) {
        const CGameXMLArea* area = GetArea(i);
        if (area->width == width && area->height == height)
            return area;
    }
    const float a = (float)width / (float)height;
    if (a > 1.0f) {
        for (int i = count - 1; i >= 0; --i) {
            const CGameXMLArea* area = GetArea(i);
            if (area->aspect < 1.0f)
                break;
            if (area->aspect <= a)
                return area;
        }
    } else {
        for (int i = 0; i < count; ++i) {
            const CGameXMLArea* area = GetArea(i);
            if (area->aspect > 1.0f)
                break;
            if (area->aspect >= a)
                return area;
        }
    }
    return count == 0 ? nullptr : GetArea((count - 1) / 2);
}

CWidget* CGameXMLLoader::CreateWidgetTree(int width, int height, CWidget* previousTree)
{
    const CGameXMLArea* area = SelectArea(width, height);
    if (!area)
        return nullptr;
    CWidget* root = new (std::nothrow) CWidget();
    if (!root)
        return nullptr;
    CVortanRect rect;
    rect.Set(0, 0, width, height);
    root->Startup(m_app, nullptr, rect);
    root->SetName(area->name);
    CUIXMLLoader* loader = new (std::nothrow) CUIXMLLoader();
    if (!loader) {
        CWidget::Destroy(root);
        return nullptr;
    }
    loader->Load(m_app, m_registry, m_extraTypes, root, nullptr, previousTree);
    loader->ParseDocument(area->node);
    loader->Unload();
    delete loader;
    return root;
}

void CGameXMLLoader::Unload()
{
    DeleteAreas();
    CXMLLoaderWrapper::Unload();
}
