#include "engine/graphics/VortanGraphicsExt.h"

IVortanGraphicsExt::IVortanGraphicsExt() : m_window(0), m_width(0), m_height(0)
{
}

IVortanGraphicsExt::~IVortanGraphicsExt()
{
}

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

void IVortanGraphicsExt::Destroy()
{
}

int IVortanGraphicsExt::Restore()
{
    return VORTAN_OK;
}
