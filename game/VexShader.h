// CVexShader and its seven programs: the small GLSL ES programs the game draws everything
// with, each keeping its attribute and uniform locations and the error texts of its build.
#pragma once
#include "engine/VortanString.h"
#include "engine/VortanTypes.h"

class CStateGame;

// The GLSL sources the programs are built from (shared among the seven).
extern const char* const kVexWorldTexturedVS;
extern const char* const kVexPlainTextureFS;
extern const char* const kVexBlockVS;
extern const char* const kVexBlockFS;
extern const char* const kVexTintedWorldVS;
extern const char* const kVexTintedScreenVS;
extern const char* const kVexTintedFS;
extern const char* const kVexTintedOverlayFS;
extern const char* const kVexColouredScreenVS;

class CVexShader {
public:
    // Builds the program when the game's application has a GLES2 extension; failures are
    // kept as texts in the messages (the program name stays 0).
    CVexShader(const char* vertexSource, const char* fragmentSource, CStateGame* game);
    // Draws with the program of `owner` (built from the same sources), which must outlive it:
    // one program in the driver for both. Its own locations and messages.
    CVexShader(const CVexShader& owner, int borrowed);
    // Deletes the program and both shaders (a borrowed program stays with its owner).
    virtual ~CVexShader();
    // Makes the program current.
    virtual void Use();

    u32 GetProgram() const { return m_program; }
    u32 GetVertexShader() const { return m_vertexShader; }
    u32 GetFragmentShader() const { return m_fragmentShader; }
    const CVortanString& GetMessages() const { return m_messages; }
    // Whether the program was made (draws with a program of 0 do nothing).
    int IsReady() const { return m_program != 0; }

protected:
    // The location, or -1 without a program.
    int Attrib(const char* name) const;
    int Uniform(const char* name) const;
    // Sets the sampler to the unit; a missing location appends the text instead.
    void BindSampler(int location, int unit, const char* failure);

    u32 m_program;
    u32 m_vertexShader;
    u32 m_fragmentShader;
    CStateGame* m_game;
    CVortanString m_messages;
    int m_borrowed;

private:
    CVexShader(const CVexShader&) = delete;
    CVexShader& operator=(const CVexShader&) = delete;
};

// The water layers: world quads, plain texture.
class CVexWaterShader : public CVexShader {
public:
    CVexWaterShader(const char* vs, const char* fs, CStateGame* game);
    ~CVexWaterShader() override {}
    i32 position, uv0, projectionMatrix, texture0;
};

// Blocks: nine-patch style times material texture times shade.
class CVexBlockShader : public CVexShader {
public:
    CVexBlockShader(const char* vs, const char* fs, CStateGame* game);
    ~CVexBlockShader() override {}
    i32 position, uv0, uv1, shadevs, projectionMatrix, texture0, texture1;
};

// Tinted world quads; the squib, world and background programs share this layout.
class CVexTintedWorldShader : public CVexShader {
public:
    CVexTintedWorldShader(const char* vs, const char* fs, CStateGame* game, const char* failure);
    // The program of `owner`, borrowed (see CVexShader).
    CVexTintedWorldShader(const CVexTintedWorldShader& owner, const char* failure);
    ~CVexTintedWorldShader() override {}
    i32 position, uv0, projectionMatrix, color0, texture0;
};

class CVexSquibShader : public CVexTintedWorldShader {
public:
    CVexSquibShader(const char* vs, const char* fs, CStateGame* game);
    ~CVexSquibShader() override {}
};

class CVexWorldShader : public CVexTintedWorldShader {
public:
    CVexWorldShader(const char* vs, const char* fs, CStateGame* game);
    explicit CVexWorldShader(const CVexTintedWorldShader& owner);
    ~CVexWorldShader() override {}
};

class CVexBackgroundShader : public CVexTintedWorldShader {
public:
    CVexBackgroundShader(const char* vs, const char* fs, CStateGame* game);
    explicit CVexBackgroundShader(const CVexTintedWorldShader& owner);
    ~CVexBackgroundShader() override {}
};

// Tinted screen quads in clip space; the overlay program shares this layout.
class CVexTintedScreenShader : public CVexShader {
public:
    CVexTintedScreenShader(const char* vs, const char* fs, CStateGame* game, const char* failure);
    ~CVexTintedScreenShader() override {}
    i32 position, uv0, color0, texture0;
};

class CVexScreenShader : public CVexTintedScreenShader {
public:
    CVexScreenShader(const char* vs, const char* fs, CStateGame* game);
    ~CVexScreenShader() override {}
};

class CVexScreenOverlayShader : public CVexTintedScreenShader {
public:
    CVexScreenOverlayShader(const char* vs, const char* fs, CStateGame* game);
    ~CVexScreenOverlayShader() override {}
};

// Screen quads with their tint per vertex, so that quads of one image and blending but of
// different tints go in one draw.
class CVexColouredScreenShader : public CVexShader {
public:
    CVexColouredScreenShader(const char* vs, const char* fs, CStateGame* game);
    ~CVexColouredScreenShader() override {}
    i32 position, uv0, colour0, texture0;
};
