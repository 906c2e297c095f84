// IVortanTextureSource: makes a surface's texture when it is first drawn with (the surface
// then holds only its description until a drawing operation needs the texture).
#pragma once

class CVortanSurface;

class IVortanTextureSource {
public:
    virtual ~IVortanTextureSource() {}
    // Gives the surface its texture again. VORTAN_OK, or a failure code (the surface then
    // draws nothing).
    virtual int MakeTexture(CVortanSurface* surface) = 0;
};
