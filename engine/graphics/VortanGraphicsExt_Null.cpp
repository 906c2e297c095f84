#include "engine/graphics/VortanGraphicsExt_Null.h"

#include "engine/graphics/VortanSoftDraw.h"
#include "engine/graphics/VortanSurface.h"

CVortanGraphicsExt_Null::CVortanGraphicsExt_Null() : m_drawCalls(0), m_presents(0), m_created(0)
{
    SetID(CVortanString("VortanEngine Null Extension"));
}

CVortanGraphicsExt_Null::~CVortanGraphicsExt_Null()
{
    if (m_created)
        Destroy();
}

int CVortanGraphicsExt_Null::Textured(IVortanGraphicsContext* source)
{
    CVortanSurface* surface = VortanSoft::AsSurface(source);
    if (!surface || !surface->GetTexture())
        return VORTAN_E_ARGUMENT;
    ++m_drawCalls;
    return VORTAN_OK;
}

int CVortanGraphicsExt_Null::Clear(u32, const CVortanRect*)
{
    ++m_drawCalls;
    return VORTAN_OK;
}

int CVortanGraphicsExt_Null::ClearUnit(u32 color, const CVortanFloatRect*)
{
    return Clear(color, nullptr);
}

int CVortanGraphicsExt_Null::FillGradient(u32, u32, u32, u32, const CVortanRect*)
{
    ++m_drawCalls;
    return VORTAN_OK;
}

int CVortanGraphicsExt_Null::FillGradientUnit(u32, u32, u32, u32, const CVortanFloatRect*)
{
    ++m_drawCalls;
    return VORTAN_OK;
}

int CVortanGraphicsExt_Null::FillAdditive(u32, const CVortanRect*)
{
    ++m_drawCalls;
    return VORTAN_OK;
}

int CVortanGraphicsExt_Null::FillAdditiveUnit(u32, const CVortanFloatRect*)
{
    ++m_drawCalls;
    return VORTAN_OK;
}

int CVortanGraphicsExt_Null::Darken(const CVortanRect*, float)
{
    ++m_drawCalls;
    return VORTAN_OK;
}

int CVortanGraphicsExt_Null::DarkenUnit(const CVortanFloatRect*, float)
{
    ++m_drawCalls;
    return VORTAN_OK;
}

int CVortanGraphicsExt_Null::Blit(int, int, IVortanGraphicsContext* source, const CVortanRect*, u32)
{
    return Textured(source);
}

int CVortanGraphicsExt_Null::BlitUnit(float, float, IVortanGraphicsContext* source,
                                      const CVortanFloatRect*, u32)
{
    return Textured(source);
}

int CVortanGraphicsExt_Null::BlitStretch(const CVortanRect*, IVortanGraphicsContext* source,
                                         const CVortanRect*, u32)
{
    return Textured(source);
}

int CVortanGraphicsExt_Null::BlitStretchUnit(const CVortanFloatRect*,
                                             IVortanGraphicsContext* source,
                                             const CVortanFloatRect*, u32)
{
    return Textured(source);
}

int CVortanGraphicsExt_Null::BlitRotated(int, int, IVortanGraphicsContext* source, float, int, u32)
{
    return Textured(source);
}

int CVortanGraphicsExt_Null::BlitRotatedUnit(float, float, IVortanGraphicsContext* source, float,
                                             float, u32)
{
    return Textured(source);
}

int CVortanGraphicsExt_Null::BlitTinted(int, int, IVortanGraphicsContext* source,
                                        const CVortanRect*, u32, u32)
{
    return Textured(source);
}

int CVortanGraphicsExt_Null::BlitTintedUnit(float, float, IVortanGraphicsContext* source,
                                            const CVortanFloatRect*, u32, u32)
{
    return Textured(source);
}

int CVortanGraphicsExt_Null::BlitStretchTinted(const CVortanRect*, IVortanGraphicsContext* source,
                                               const CVortanRect*, u32, u32)
{
    return Textured(source);
}

int CVortanGraphicsExt_Null::BlitStretchTintedUnit(const CVortanFloatRect*,
                                                   IVortanGraphicsContext* source,
                                                   const CVortanFloatRect*, u32, u32)
{
    return Textured(source);
}

int CVortanGraphicsExt_Null::DrawLine(int, int, int, int, u32, u32)
{
    ++m_drawCalls;
    return VORTAN_OK;
}

int CVortanGraphicsExt_Null::DrawLineUnit(float, float, float, float, u32, u32)
{
    ++m_drawCalls;
    return VORTAN_OK;
}

int CVortanGraphicsExt_Null::BlitStretchTranslated(const CVortanFloatRect*, const CVortanMatrix*,
                                                   IVortanGraphicsContext* source,
                                                   const CVortanFloatRect*, u32)
{
    return Textured(source);
}

void CVortanGraphicsExt_Null::SetClipRect(const CVortanRect* rect)
{
    StoreClipRect(rect);
}

int CVortanGraphicsExt_Null::Create(unsigned long window)
{
    m_window = window;
    m_created = 1;
    CVortanSurface::SetNullTextures(1);
    SetClipRect(nullptr);
    return VORTAN_OK;
}

void CVortanGraphicsExt_Null::Close()
{
    m_width = 0;
    m_height = 0;
    Destroy();
}

int CVortanGraphicsExt_Null::Present()
{
    ++m_presents;
    return 1;
}

int CVortanGraphicsExt_Null::Resize(int width, int height)
{
    m_width = width;
    m_height = height;
    SetClipRect(nullptr);
    return VORTAN_OK;
}

void CVortanGraphicsExt_Null::Destroy()
{
    if (m_created)
        CVortanSurface::SetNullTextures(0);
    m_created = 0;
}
