// IVortanGraphicsExt: a graphics context that draws on a native window (the GLES2 drawing
// extension). It keeps the target size and the window given to the last Create.
#pragma once
#include "engine/graphics/VortanGraphicsContext.h"

// Names of the engine's extensions; only the first names one in this system.
#define VORTAN_EXTENSION_GLES2 "VortanEngine OpenGL ES 2.0 Extension"
#define VORTAN_EXTENSION_DX9 "VortanEngine DirectX9 Extension"
#define VORTAN_EXTENSION_DX11 "VortanEngine DirectX11 Extension"

class IVortanGraphicsExt : public IVortanGraphicsContext {
public:
    IVortanGraphicsExt();
    virtual ~IVortanGraphicsExt();

    int GetWidth() override { return m_width; }
    int GetHeight() override { return m_height; }
    int ToPixelX(float x) override;
    int ToPixelY(float y) override;
    float ToUnitX(float x) override;
    float ToUnitY(float y) override;

    // Sets the extension up on the native window (an X window id). VORTAN_OK on success.
    virtual int Create(unsigned long window) = 0;
    // Forgets the size and releases everything Create built.
    virtual void Close() = 0;
    // Shows the frame drawn since the last Present. 1 on success, 0 on failure.
    virtual int Present() = 0;
    virtual int Resize(int width, int height);
    virtual void Destroy();
    // Builds everything again on the window of the last Create (after a lost context).
    virtual int Restore();

    unsigned long GetWindow() const { return m_window; }

protected:
    // Keeps the rectangle (null: the whole target) as the clip, limited to the target.
    void StoreClipRect(const CVortanRect* rect);

    unsigned long m_window; // native window of the last Create
    int m_width;
    int m_height;
};
