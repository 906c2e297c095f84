// The reload picture shown after the graphics context was lost: a 56 x 56 PNG built into the
// program. Its bytes are drawn by tools/makeimages when the program is built.
#pragma once

extern const unsigned char g_OrloReloadImage[];
extern const int g_OrloReloadImageSize;
