// CVortan3DProgram: one OpenGL ES 2.0 program built from a vertex and a fragment source.
//
// The sources are kept so that the program can be built again after the GL context was
// lost; attribute and uniform locations are cached by name (sorted, bisection search).
// Main thread only (the thread that owns the GL context).
#pragma once
#include "engine/VortanArray.h"
#include "engine/VortanID.h"
#include "engine/VortanString.h"
#include "engine/VortanTypes.h"

class CVortan3DProgram : public CVortanID {
public:
    CVortan3DProgram();
    virtual ~CVortan3DProgram();

    static CVortan3DProgram* Create();

    // Stores the owner and the sources, empties the caches and builds. VORTAN_OK, or
    // VORTAN_E_ARGUMENT when a shader does not compile or the program does not link (no GL object
    // is left then).
    int Create(void* owner, const CVortanString& vertexSource, const CVortanString& fragmentSource);
    // Stores the owner and the sources and leaves the build to the first use of the program
    // (its name or a location asked for): a program never drawn with costs no driver memory.
    // A build that fails then leaves the name 0, as a failed Create does. VORTAN_OK.
    int CreateOnFirstUse(void* owner, const CVortanString& vertexSource,
                         const CVortanString& fragmentSource);
    // The build routine, usable without an object. VORTAN_OK or VORTAN_E_ARGUMENT.
    static int CompileAndLink(const CVortanString& vertexSource,
                              const CVortanString& fragmentSource, u32* vertexShader,
                              u32* fragmentShader, u32* program);
    // Empties the caches and builds again from the stored sources (a program still waiting for
    // its first use keeps waiting).
    int Rebuild();
    // Deletes the GL objects, clears the names, the caches and the owner.
    void Release();
    // The same as Release (the context is lost: the GL objects are gone with it).
    void Unload();

    u32 GetProgramId() { return Built() ? m_program : 0; }
    u32 GetVertexShader() { return Built() ? m_vertexShader : 0; }
    u32 GetFragmentShader() { return Built() ? m_fragmentShader : 0; }
    // The program's name without building one that waits: 0 until built.
    u32 GetNameIfBuilt() const { return m_program; }
    // 1 while the build waits for the program's first use.
    int IsWaitingForUse() const { return m_waiting; }
    void* GetOwner() const { return m_owner; }
    const CVortanString& GetVertexSource() const { return m_vertexSource; }
    const CVortanString& GetFragmentSource() const { return m_fragmentSource; }

    // Location by name, or -1 when GL does not know it (not cached, asked again next time).
    int GetAttribLocation(const char* name);
    int GetUniformLocation(const char* name);
    int GetAttribLocation(const CVortanString& name);
    int GetUniformLocation(const CVortanString& name);
    int GetCachedAttribCount() const { return m_attribs.GetSize(); }
    int GetCachedUniformCount() const { return m_uniforms.GetSize(); }

    // The info log into `text`; true when the shader compiled (the program linked).
    static bool GetShaderLog(u32 shader, CVortanString& text);
    static bool GetProgramLog(u32 program, CVortanString& text);
    // The three headed sections; returns 0.
    int GetLog(CVortanString& text);

    // Counts the GL location queries made (for tests of the caches).
    int GetLocationQueries() const { return m_locationQueries; }

private:
    struct Entry {
        CVortanString name;
        i32 location;
    };
    int Lookup(CVortanArray<Entry>& cache, const CVortanString& name, bool uniform);
    void ClearCaches();
    // Builds a program that waits for its first use; true when there is a program.
    bool Built();

    CVortan3DProgram(const CVortan3DProgram&) = delete;
    CVortan3DProgram& operator=(const CVortan3DProgram&) = delete;

    void* m_owner;
    CVortanString m_vertexSource;
    CVortanString m_fragmentSource;
    u32 m_vertexShader;
    u32 m_fragmentShader;
    u32 m_program;
    CVortanArray<Entry> m_uniforms;
    CVortanArray<Entry> m_attribs;
    int m_locationQueries;
    int m_waiting;
};
