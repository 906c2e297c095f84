#include "engine/graphics/VortanGraphicsExt.h"

IVortanGraphicsExt::IVortanGraphicsExt() : m_window(0), m_width(0), m_height(0) {}

IVortanGraphicsExt::~IVortanGraphicsExt() {}

int IVortanGraphicsExt::ToPixelX(float x)
{
    return (int)((float)m_width * x);
}

int IVortanGraphicsExt::ToPixelY(float y)
{
    return (int)((float)m_height * y);
}

float IVortanGraphicsExt::ToUnitX(float x)
{
    return m_width ? x / (float)m_width : 0.0f;
}

float IVortanGraphicsExt::ToUnitY(float y)
{
    return m_height ? y / (float)m_height : 0.0f;
}

int IVortanGraphicsExt::Resize(int width, int height)
{
    (void)width;
    (void)height;
    return VORTAN_OK;
}

void IVortanGraphicsExt::Destroy() {}

int IVortanGraphicsExt::Restore()
{
    return VORTAN_OK;
}

void IVortanGraphicsExt::StoreClipRect(const CVortanRect* rect)
{
    if (rect)
        m_clipRect = *rect;
    else
        m_clipRect.Set(0, 0, m_width, m_height);
    CVortanRect& c = m_clipRect;
    c.left = c.left < 0 ? 0 : (c.left > m_width ? m_width : c.left);
    c.top = c.top < 0 ? 0 : (c.top > m_height ? m_height : c.top);
    c.right = c.right < c.left ? c.left : (c.right > m_width ? m_width : c.right);
    c.bottom = c.bottom < c.top ? c.top : (c.bottom > m_height ? m_height : c.bottom);
}
