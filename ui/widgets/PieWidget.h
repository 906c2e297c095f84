// CPieWidget: a filled circular sector of a given angle in one colour, drawn as a single
// triangle fan through the GLES2 colour program.
#pragma once
#include "ui/Widget.h"

class CUIXMLLoader;
class CVortanXMLDataNode;

class CPieWidget : public CWidget {
public:
    enum { MIN_SEGMENTS = 6, MAX_SEGMENTS = 256, FLOATS_PER_VERTEX = 7 };
    static const float FULL_TURN;

    CPieWidget();
    virtual ~CPieWidget();

    static const TypeInfo& StaticTypeInfo() { return CWidgetTypes::Pie(); }
    const TypeInfo* GetTypeInfo() const override { return &StaticTypeInfo(); }

    // The creator of the layout type "pie".
    static CWidget* CreateFromXML(CUIXMLLoader* loader, CVortanXMLDataNode* element,
                                  CWidget* parent, CWidget* reuse);

    // Kept within 0 .. a full turn.
    void SetAngle(float radians);
    float GetAngle() const { return m_angle; }
    // Kept within 6 .. 256; the vertices are made again.
    void SetSegments(int n);
    int GetSegments() const { return m_segments; }
    void SetPieColor(u32 argb) { m_pieColor = argb; }
    u32 GetPieColor() const { return m_pieColor; }
    // The vertices of the last drawing: segments + 1 of seven floats (x, y, z, r, g, b, a).
    const float* GetVertices() const { return m_vertices; }
    // Fills the vertices for a target of the size (unit conversion as the context's) and the
    // rect; false without vertices.
    bool BuildVertices(float targetWidth, float targetHeight, const CVortanRect& rect);

    int Startup(COrloApplication* context, COrloResourceManager* resources,
                const CVortanRect& rect) override;
    void Shutdown() override;
    CWidget* CreateInstance() const override;
    void CopyFrom(const CWidget* other) override;
    int RenderSelf(IVortanGraphicsContext* gc, const CVortanRect& rect) override;
    int UpdateSelf(float dt) override;

private:
    void AllocateVertices();

    u32 m_pieColor;
    float m_angle;
    int m_segments;
    float* m_vertices;
};
