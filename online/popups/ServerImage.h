// The size of a server image (PNG or JPEG bytes) read from its header, so that an image too
// large to decode is refused before any pixels are allocated.
#pragma once
#include "engine/VortanTypes.h"

// Largest width and height of a server image that is decoded.
#define ORLO_SERVER_IMAGE_MAX_SIDE 2048

// The width and height the header states: VORTAN_OK, or VORTAN_E_MALFORMED when the bytes are
// no PNG or JPEG or end before the size.
int ReadServerImageSize(const u8* bytes, int length, int* width, int* height);
// 1 when the header states a size of at least 1 x 1 and at most the largest side.
int ServerImageFits(const u8* bytes, int length);
