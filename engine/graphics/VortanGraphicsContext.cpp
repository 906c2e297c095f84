#include "engine/graphics/VortanGraphicsContext.h"

IVortanGraphicsContext::IVortanGraphicsContext()
{
    m_clipRect.Set(0, 0, 0, 0);
}

IVortanGraphicsContext::~IVortanGraphicsContext() {}
