// Inline colour tags of the bitmap fonts: "$COLOR=0x" followed by eight hexadecimal digits
// (0xAARRGGBB), 17 characters that are neither drawn nor measured.
#pragma once
#include "engine/VortanTypes.h"

#define VORTAN_TEXT_TAG_LENGTH 17

// The length of the colour tag starting at text[i] (17), or 0 when none starts there; the
// tag's colour goes to *color when given.
int VortanTextTagAt(const unsigned short* text, int length, int i, u32* color);
