// CVortanID.
#include "engine/VortanID.h"

#include <inttypes.h>
#include <new>
#include <stdio.h>

CVortanID::CVortanID()
{
    ResetID();
}

CVortanID::~CVortanID() {}

CVortanID* CVortanID::Create()
{
    return new (std::nothrow) CVortanID();
}

void CVortanID::ResetID()
{
    char text[2 + 2 * sizeof(uintptr_t) + 1];
    snprintf(text, sizeof(text), "0x%08" PRIxPTR, reinterpret_cast<uintptr_t>(this));
    m_id = text;
}
