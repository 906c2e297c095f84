// The layout loader: set-up, the element and import walks, events, actions and the keeping of
// uniquely named widgets across a rebuild.
#include "ui/loader/UIXMLLoader.h"

#include <new>
#include <string.h>

#include <string>

#include "engine/VortanXMLDataNode.h"
#include "engine/graphics/VortanGraphicsContext.h"
#include "platform/OrloApplication.h"
#include "platform/OrloDevice.h"
#include "ui/Widget.h"
#include "ui/anim/EasingCurveRegistry.h"
#include "ui/anim/UIActionRegistry.h"
#include "ui/anim/UIActionSequence.h"
#include "ui/layouts/LayoutMath.h"
#include "ui/loader/UIBuiltinTypes.h"

namespace {

// This system's platform number in "$platform_id" lists.
const char* const kPlatformToken = " 3 ";

bool NameIs(const CVortanXMLDataNode* node, const char* name)
{
    const char* n = node ? node->GetName() : nullptr;
    return n && strcmp(n, name) == 0;
}

// "Text" with a space either side contains " 3 ".
bool ListHasPlatform(const char* text)
{
    std::string padded(" ");
    padded += text;
    padded += " ";
    return padded.find(kPlatformToken) != std::string::npos;
}

} // namespace

CUIXMLLoader::CUIXMLLoader()
    : m_registry(nullptr), m_refWidth(0), m_refHeight(0), m_createdRoot(nullptr), m_root(nullptr),
      m_buildParent(nullptr), m_extraTypes(nullptr), m_easing(nullptr),
      m_widgetKey(CVortanString("widget")), m_uniqueNames(nullptr), m_ownsUniqueNames(false),
      m_app(nullptr), m_importDepth(0), m_importCount(0), m_importBudget(&m_importCount),
      m_typeCacheCount(0), m_typeCacheNext(0)
{}

CUIXMLLoader::~CUIXMLLoader()
{
    delete m_easing;
    if (m_ownsUniqueNames)
        delete m_uniqueNames;
}

COrloResourceManager* CUIXMLLoader::GetResourceManager() const
{
    return m_app;
}

void CUIXMLLoader::SetReferenceSize(int width, int height)
{
    m_refWidth = width;
    m_refHeight = height;
}

int CUIXMLLoader::Load(COrloApplication* application, CUIActionRegistry* registry,
                       const CUIWidgetTypeList* extraTypes, CWidget* root, CWidget* useParent,
                       CWidget* previousTree)
{
    int rc = CXMLLoaderWrapper::Init(application);
    m_app = application;
    m_registry = registry;
    m_extraTypes = extraTypes;
    m_createdRoot = nullptr;
    if (!root) {
        root = new (std::nothrow) CWidget();
        if (root) {
            IVortanGraphicsContext* gc = application ? application->GetGraphics() : nullptr;
            CVortanRect rect;
            rect.Set(0, 0, gc ? gc->GetWidth() : 0, gc ? gc->GetHeight() : 0);
            root->Startup(application, nullptr, rect);
            root->SetName(CVortanString("rootwidget"));
            root->SetPassThrough(true);
            m_createdRoot = root;
        }
    }
    m_root = root;
    m_buildParent = useParent ? useParent : root;
    if (root)
        SetReferenceSize(root->GetWidth(), root->GetHeight());
    RegisterTypes();
    m_importCount = 0;
    m_typeCacheCount = 0;
    m_typeCacheNext = 0;
    if (previousTree) {
        if (m_ownsUniqueNames)
            delete m_uniqueNames;
        m_uniqueNames = new (std::nothrow) CUIUniqueNameMap();
        m_ownsUniqueNames = m_uniqueNames != nullptr;
        CollectUniqueWidgets(previousTree, true);
        // Collection left every kept widget childless; the rest of the old tree goes now.
        for (int i = 0; m_uniqueNames && i < m_uniqueNames->GetSize(); ++i) {
            CWidget* kept = m_uniqueNames->ElementAt(i).value;
            while (kept->GetChildCount() > 0)
                CWidget::Destroy(kept->GetChild(kept->GetChildCount() - 1));
        }
        CWidget::Destroy(previousTree);
    }
    return rc;
}

void CUIXMLLoader::RegisterTypes()
{
    m_creators.RemoveAll();
    for (int i = 0; i < UIBuiltinTypeCount(); ++i) {
        const CUIBuiltinType& type = UIBuiltinTypeAt(i);
        m_creators.Add(CHashString(CVortanString(type.name)), type.creator);
    }
    if (!m_extraTypes)
        return;
    // The map refuses a name it holds: built-ins stay, and the first of two equal names wins.
    for (int i = 0; i < m_extraTypes->GetSize(); ++i) {
        const CUIWidgetType& type = m_extraTypes->ElementAt(i);
        if (type.creator)
            m_creators.Add(type.name, type.creator);
    }
}

void CUIXMLLoader::CollectUniqueWidgets(CWidget* widget, bool isRoot)
{
    const CHashString* unique = widget->GetUniqueName();
    if (!isRoot && unique && m_uniqueNames && !m_uniqueNames->Contains(*unique)) {
        if (m_uniqueNames->Add(*unique, widget) == VORTAN_OK && widget->GetParent())
            widget->GetParent()->RemoveChild(widget);
    }
    for (int i = widget->GetChildCount() - 1; i >= 0; --i) {
        CWidget* child = widget->GetChild(i);
        if (child)
            CollectUniqueWidgets(child, false);
    }
    for (int i = widget->GetChildCount() - 1; i >= 0; --i) {
        CWidget* child = widget->GetChild(i);
        if (child)
            CWidget::Destroy(child);
    }
}

void CUIXMLLoader::SetUniqueNameMap(CUIUniqueNameMap* map)
{
    if (m_ownsUniqueNames)
        delete m_uniqueNames;
    m_uniqueNames = map;
    m_ownsUniqueNames = false;
}

int CUIXMLLoader::LoadFile(const CVortanString& path)
{
    int rc = CXMLLoaderWrapper::LoadFile(path);
    if (rc != VORTAN_OK)
        return rc;
    CVortanXMLDataNode* root = GetRootElement();
    if (root)
        ParseDocument(root);
    CXMLLoaderWrapper::Unload();
    return VORTAN_OK;
}

void CUIXMLLoader::ParseDocument(CVortanXMLDataNode* node)
{
    if (!node)
        return;
    ParseActions(node);
    if (m_buildParent)
        ParseChildren(node, m_buildParent, m_root);
}

void CUIXMLLoader::Unload()
{
    if (m_createdRoot) {
        CWidget::Destroy(m_createdRoot);
        m_createdRoot = nullptr;
        m_root = nullptr;
        m_buildParent = nullptr;
    }
    delete m_easing;
    m_easing = nullptr;
    if (m_ownsUniqueNames && m_uniqueNames) {
        for (int i = 0; i < m_uniqueNames->GetSize(); ++i)
            CWidget::Destroy(m_uniqueNames->ElementAt(i).value);
        delete m_uniqueNames;
    }
    m_uniqueNames = nullptr;
    m_ownsUniqueNames = false;
    CXMLLoaderWrapper::Unload();
}

IEasingCurve* CUIXMLLoader::CreateEasingCurve(const CVortanString& name, int validate,
                                              int paramCount, const float* params)
{
    if (!m_easing) {
        m_easing = new (std::nothrow) CEasingCurveRegistry();
        if (!m_easing)
            return nullptr;
        m_easing->RegisterDefaults();
    }
    return m_easing->Create(name, validate, paramCount, params);
}

void CUIXMLLoader::ParseChildren(CVortanXMLDataNode* node, CWidget* parent, CWidget* origin)
{
    for (CVortanXMLDataNode* child = GetFirstChild(node); child; child = GetNextSibling(child)) {
        if (NameIs(child, "element"))
            ParseElement(child, parent, origin);
        else if (NameIs(child, "import"))
            ParseImport(child, parent);
    }
}

CWidget* CUIXMLLoader::MakePlainWidget(CWidget* parent)
{
    CWidget* widget = new (std::nothrow) CWidget();
    if (!widget)
        return nullptr;
    CVortanRect client = parent ? parent->GetClientRect() : CVortanRect{};
    widget->Startup(m_app, GetResourceManager(), client);
    widget->SetPassThrough(true);
    return widget;
}

bool CUIXMLLoader::IsTemplateName(const CVortanString& name)
{
    static const CVortanString marker("_template");
    const int length = name.GetLength();
    const int from = length > 10 ? length - 10 : 0;
    int at = name.FindString(marker, from);
    return at >= 0 && at + marker.GetLength() >= length - 1;
}

void CUIXMLLoader::ReadRect(const CElementParts& parts, CWidget* parent, CWidget* origin,
                            CWidget* widget)
{
    const int width = parts.size ? RoundX(ReadFloat(parts.size, "$w", 0.0f)) : 0;
    const int height = parts.size ? RoundY(ReadFloat(parts.size, "$h", 0.0f)) : 0;
    i64 left = parts.position ? TruncX(ReadFloat(parts.position, "$x", 0.0f)) : 0;
    i64 top = parts.position ? TruncY(ReadFloat(parts.position, "$y", 0.0f)) : 0;
    const char* v = parts.align ? GetAttribute(parts.align, "$v") : nullptr;
    const char* h = parts.align ? GetAttribute(parts.align, "$h") : nullptr;
    if (v) {
        if (strcmp(v, "left") == 0)
            left = 0;
        else if (strcmp(v, "center") == 0)
            left = ((i64)m_refWidth - width) / 2;
        else if (strcmp(v, "right") == 0)
            left = (i64)m_refWidth - width;
    }
    if (h) {
        if (strcmp(h, "top") == 0)
            top = 0;
        else if (strcmp(h, "middle") == 0)
            top = ((i64)m_refHeight - height) / 2;
        else if (strcmp(h, "bottom") == 0)
            top = (i64)m_refHeight - height;
    }
    if (origin && parent != origin) {
        left += origin->GetRect().left;
        top += origin->GetRect().top;
    }
    CVortanRect rect;
    const int l = ClampToInt((double)left);
    const int t = ClampToInt((double)top);
    rect.Set(l, t, ClampToInt((double)l + width), ClampToInt((double)t + height));
    widget->SetRect(rect);
}

void CUIXMLLoader::FindParts(CVortanXMLDataNode* element, CElementParts& parts)
{
    memset(&parts, 0, sizeof(parts));
    // One walk over the element's children finds what every element reads (the first of each
    // name, as a lookup by name would).
    for (CVortanXMLDataNode* c = GetFirstChild(element); c; c = GetNextSibling(c)) {
        const char* n = c->GetName();
        if (!n)
            continue;
        if (n[0] == '$') {
            const char* text = c->GetValueText();
            text = text ? text : "";
            if (!parts.name && strcmp(n, "$name") == 0)
                parts.name = text;
            else if (!parts.type && strcmp(n, "$type") == 0)
                parts.type = text;
            else if (!parts.unique && strcmp(n, "$uniquename") == 0)
                parts.unique = text;
            else if (!parts.display && strcmp(n, "$display") == 0)
                parts.display = c;
            continue;
        }
        if (!parts.position && strcmp(n, "position") == 0)
            parts.position = c;
        else if (!parts.size && strcmp(n, "size") == 0)
            parts.size = c;
        else if (!parts.align && strcmp(n, "align") == 0)
            parts.align = c;
        else if (!parts.flags && strcmp(n, "flags") == 0)
            parts.flags = c;
        else if (!parts.events && strcmp(n, "events") == 0)
            parts.events = c;
    }
}

void CUIXMLLoader::ParseElement(CVortanXMLDataNode* element, CWidget* parent, CWidget* origin)
{
    CElementParts parts;
    FindParts(element, parts);
    CWidget* kept = nullptr;
    if (parts.unique && parts.unique[0] && m_uniqueNames) {
        CHashString key((CVortanString(parts.unique)));
        int i = m_uniqueNames->FindKey(key);
        if (i >= 0) {
            kept = m_uniqueNames->ElementAt(i).value;
            m_uniqueNames->RemoveAt(i);
        }
    }
    CWidget* widget = nullptr;
    UIWidgetCreator creator = parts.type ? FindCreator(parts.type) : nullptr;
    if (creator) {
        widget = creator(this, element, parent, kept);
    } else if (kept && kept->GetTypeInfo()->Matches(CWidget::StaticTypeInfo())) {
        widget = kept;
    } else {
        widget = MakePlainWidget(parent);
    }
    if (kept && widget != kept)
        CWidget::Destroy(kept);
    if (!widget)
        return;
    if (widget->GetParent())
        widget->GetParent()->RemoveChild(widget);
    if (parts.name)
        widget->SetName(CVortanString(parts.name));
    if (parts.unique && widget != kept)
        widget->SetUniqueName(CVortanString(parts.unique));
    if (parts.display)
        widget->SetVisible(ReadInt(element, "$display", widget->IsVisible() ? 1 : 0) != 0);
    ReadRect(parts, parent, origin, widget);
    if (parts.flags) {
        CVortanXMLDataNode* flags = parts.flags;
        widget->SetEnabled(ReadInt(flags, "$enabled", widget->IsEnabled() ? 1 : 0) != 0);
        widget->SetPassThrough(ReadInt(flags, "$transparent", widget->IsPassThrough() ? 1 : 0) !=
                               0);
        widget->SetVisible(ReadInt(flags, "$visible", widget->IsVisible() ? 1 : 0) != 0);
    }
    if (IsTemplateName(widget->GetName())) {
        // The template keeps its rectangle in its parent's space, as its holder does: what
        // clones it reads it so. It is not moved back by the parent's own left and top: a
        // slider's knob, or a slide area's arrows and scrollbars, are drawn at their rectangle
        // within the widget that takes them, and would stand off by that widget's position.
        CWidget* holder = new (std::nothrow) CWidget();
        if (!holder) {
            CWidget::Destroy(widget);
            return;
        }
        holder->Startup(m_app, GetResourceManager(), widget->GetRect());
        holder->SetName(widget->GetName());
        parent->AddChild(holder);
        holder->AddChild(widget);
    } else {
        parent->AddChild(widget);
    }
    if (parts.events)
        ParseEvents(parts.events, widget);
    ParseChildren(element, widget, widget);
}

UIWidgetCreator CUIXMLLoader::FindCreator(const char* type)
{
    // Layouts repeat few type names: the last texts looked up are compared first, which
    // spares the map its key string.
    for (int i = 0; i < m_typeCacheCount; ++i) {
        if (strcmp(m_typeCache[i].text, type) == 0)
            return m_typeCache[i].creator;
    }
    const int index = m_creators.FindKey(CHashString(CVortanString(type)));
    UIWidgetCreator creator = index >= 0 ? m_creators.ElementAt(index).value : nullptr;
    if (strlen(type) < sizeof(m_typeCache[0].text)) {
        const int slot = m_typeCacheCount < UI_LOADER_TYPE_CACHE
                             ? m_typeCacheCount++
                             : (m_typeCacheNext++ % UI_LOADER_TYPE_CACHE);
        strcpy(m_typeCache[slot].text, type);
        m_typeCache[slot].creator = creator;
    }
    return creator;
}

void CUIXMLLoader::ParseEvents(CVortanXMLDataNode* events, CWidget* widget)
{
    if (!m_registry)
        return;
    for (CVortanXMLDataNode* e = GetFirstChild(events); e; e = GetNextSibling(e)) {
        const char* name = e->GetName();
        const char* action = GetAttribute(e, "$action");
        if (!name || !action || e->IsValueNode())
            continue;
        for (int i = 0; i < UIBuiltinEventCount(); ++i) {
            const CUIBuiltinEvent& row = UIBuiltinEventAt(i);
            if (strcmp(row.name, name) != 0)
                continue;
            if (widget->IsKindOf(row.owner())) {
                CUIDelegate d = m_registry->Lookup(CVortanString(action));
                if (d.IsSet())
                    row.bind(widget, d);
            }
            break;
        }
    }
}

void CUIXMLLoader::ParseActions(CVortanXMLDataNode* node)
{
    CVortanXMLDataNode* actions = FindChildElement(node, "actions");
    if (!actions || !m_registry)
        return;
    CVortanXMLDataNode* first = FindChildElement(actions, "action");
    for (CVortanXMLDataNode* a = first; a; a = GetNextSibling(a)) {
        const char* nameText = a->IsValueNode() ? nullptr : GetAttribute(a, "$name");
        if (!nameText)
            continue;
        const CVortanString name(nameText);
        CUIActionSequence* sequence = m_registry->CreateSequence(name);
        if (!sequence)
            continue;
        sequence->SetOwner(m_app);
        for (CVortanXMLDataNode* t = FindChildElement(a, "trigger"); t; t = GetNextSibling(t)) {
            const char* target = GetAttribute(t, "$action");
            if (!target)
                continue;
            CVortanString lookup(target);
            if (lookup == name) {
                lookup = CVortanString("app:");
                lookup.Append(name);
            }
            CUIDelegate d = m_registry->Lookup(lookup);
            if (d.IsSet())
                sequence->AddCallback(ReadFloat(t, "$time", 0.0f), d);
        }
        for (CVortanXMLDataNode* s = FindChildElement(a, "sound"); s; s = GetNextSibling(s)) {
            const char* path = GetAttribute(s, "$path");
            if (!path || !m_app)
                continue;
            CVortanSoundWave* sound = m_app->GetSound(CVortanString(path));
            if (!sound)
                continue;
            if (sequence->AddSound(ReadFloat(s, "$time", 0.0f), sound) != VORTAN_OK)
                m_app->ReleaseSound(sound);
        }
        for (CVortanXMLDataNode* v = FindChildElement(a, "vibrate"); v; v = GetNextSibling(v))
            sequence->AddVibration(ReadFloat(v, "$time", 0.0f), 0);
    }
}

bool CUIXMLLoader::ImportConditionsHold(CVortanXMLDataNode* import) const
{
    const char* os = GetAttribute(import, "$device_os");
    if (os) {
        COrloDevice* device = m_app ? m_app->GetDevice() : nullptr;
        CVortanString osName = device ? device->GetInfo()[ORLO_DEVICE_OS_NAME] : CVortanString();
        CVortanString text(os);
        text.MakeLower();
        osName.MakeLower();
        if (text.FindString(osName) < 0)
            return false;
    }
    const char* ids = GetAttribute(import, "$platform_id");
    if (ids && !ListHasPlatform(ids))
        return false;
    const char* notIds = GetAttribute(import, "$platform_id_not");
    if (notIds && ListHasPlatform(notIds))
        return false;
    const char* renderer = GetAttribute(import, "$renderer");
    if (renderer && !strstr(renderer, "gles2"))
        return false;
    return true;
}

void CUIXMLLoader::ParseImport(CVortanXMLDataNode* import, CWidget* parent)
{
    // A file that imports itself, or files importing each other, stop here.
    if (m_importDepth >= UI_LOADER_MAX_IMPORT_DEPTH || !parent)
        return;
    if (!ImportConditionsHold(import))
        return;
    if (*m_importBudget >= UI_LOADER_MAX_IMPORTS)
        return;
    ++*m_importBudget;
    CWidget* useParent = nullptr;
    const char* useName = GetAttribute(import, "$use_parent");
    if (useName) {
        const CVortanString name(useName);
        CWidget* top = parent->GetRoot();
        if (top && top->GetName() == name)
            useParent = top;
        else if (m_root)
            useParent = m_root->FindChild(name, -1);
    }
    CUIXMLLoader* inner = new (std::nothrow) CUIXMLLoader();
    if (!inner)
        return;
    inner->m_importDepth = m_importDepth + 1;
    inner->m_importBudget = m_importBudget;
    inner->Load(m_app, m_registry, m_extraTypes, parent, useParent, nullptr);
    if (m_uniqueNames)
        inner->SetUniqueNameMap(m_uniqueNames);
    int width = parent->GetWidth();
    int height = parent->GetHeight();
    if (ReadInt(import, "$use_root_coordinates", 0) != 0 && m_root) {
        width = m_root->GetWidth();
        height = m_root->GetHeight();
    }
    const float aspect = ReadFloat(import, "$aspect", 0.0f);
    if (aspect != 0.0f) {
        CVortanRect fit;
        fit.Set(0, 0, width, height);
        if (FitRectToAspect(fit, aspect, 0.0f)) {
            width = fit.right - fit.left;
            height = fit.bottom - fit.top;
        }
    }
    inner->SetReferenceSize(width, height);
    const char* path = GetAttribute(import, "$path");
    if (path)
        inner->LoadFile(CVortanString(path));
    inner->ParseDocument(import);
    inner->Unload();
    delete inner;
}
