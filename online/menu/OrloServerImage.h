// Images and links the service sends: decoding within fixed byte and pixel limits that are
// checked before anything is allocated, registering the surface by name, and the test that a
// link is a web address worth offering.
#pragma once
#include "engine/VortanString.h"
#include "engine/VortanTypes.h"
#include "online/popups/ServerImage.h"

class COrloApplication;
class CVortanSurface;

// The most octets an image of the service may have, and its largest pixel count (its largest
// side is the one of every server image).
#define ORLO_SERVER_IMAGE_MAX_BYTES (1024 * 1024)
#define ORLO_SERVER_IMAGE_MAX_PIXELS (2048 * 2048)
// The longest link of the service that is followed.
#define ORLO_SERVER_LINK_MAX 1024

// 1 when the image's octets and declared size are within the limits above.
int IsServerImageAcceptable(const u8* bytes, int length);
// A new surface decoded from the bytes, with its RGBA texture when the graphics run on GL;
// null when the image is refused or does not decode.
CVortanSurface* DecodeServerImage(COrloApplication* application, const u8* bytes, int length);
// The surface registered under the name (one reference taken), else one decoded from the
// bytes and registered under it (its one reference is the caller's); null when neither.
CVortanSurface* FindOrRegisterServerImage(COrloApplication* application, const CVortanString& name,
                                          const u8* bytes, int length);
// 1 for an "http://" or "https://" address of at most ORLO_SERVER_LINK_MAX units with a host.
int IsServerLink(const CVortanString& link);
