// The OpenGL entry-point table. Every OpenGL call of the 3D library goes through the table of the
// current rendering context, ActiveGLTable(): one code pointer per entry point, the version flags
// and one flag per known extension. An entry the driver lacks points at the missing-entry stub,
// never at null: calling it logs "Call OpenGL function with undefined entry point" and aborts the
// event silently (silent_abort.h).
//
// Calls are made through the table's typed members, one per entry in gl_typed_entry_list.inc:
//   ActiveGLTable().BindTexture(GL_TEXTURE_2D, id);
// each checks for the stub before it casts the pointer to its signature. The raw pointers stand in
// `entries` (table.entries.BindTexture) in the order of gl_entry_list.inc.
//
// Names are found by a TGLResolver: eglGetProcAddress and the symbols of libOpenGL in the running
// program, a scripted one in tests. Asking for the loaded state (texture formats and the like):
//   const TGLExtensionsAndEntryPoints* gl = ActiveGLTableOrNull();   // null: no context current
//   if (gl && gl->GLVersion1_2 && gl->ARB_texture_float) ...
#pragma once

#include <GL/gl.h>
#include <GL/glext.h>

#include <cstdint>
#include <optional>
#include <string>

#include "scene3d/persistent.h"
#include "scene3d/texture_format.h"

namespace scene3d {

// An entry point as the system hands it out; cast to its signature before calling.
using GLProc = void (*)();

// Finds entry points and the window-system extensions of the current context.
class TGLResolver {
 public:
  virtual ~TGLResolver() = default;
  // The platform's own lookup of a full name ("glBindTextureEXT"); null when it knows none.
  virtual GLProc GetProcAddress(const std::string& name) = 0;
  // The symbol exported by the OpenGL library itself ("glBindTexture"), null when absent.
  virtual GLProc LibraryProc(const std::string& name) = 0;
  // The window-system extensions of the current context as one blank-separated list, in the names
  // the table's platform flags test (gl_platform_extension_list.inc); empty without a context.
  virtual std::string PlatformExtensions() = 0;
  // True when GetProcAddress answers names the driver lacks too (Mesa's dispatch answers every
  // "gl..." name with a function that does nothing): the table then asks only for the names that the
  // context's version or extensions bring (gl_entry_providers.inc).
  virtual bool AnswersUnknownNames() const { return false; }
};

// eglGetProcAddress, dlsym on the loaded libOpenGL, and the EGL display's extensions.
TGLResolver& SystemGLResolver();

// --- The two system libraries -------------------------------------------------------------------

// True when libOpenGL and libGLU are both held; else loads them as LoadGLLibrariesFrom does.
bool LoadGLLibraries();
// Frees both, then loads the two given libraries; when either fails both are freed again and the
// answer is false. Also masks the floating-point exceptions (MaskFloatingPointExceptions).
bool LoadGLLibrariesFrom(const std::string& glName, const std::string& gluName);
void FreeGLLibraries();
// The held libraries' handles (dlopen), null when not loaded.
void* OpenGLLibraryHandle();
void* GLULibraryHandle();
// A function of libGLU by its full name ("gluNewQuadric"), null when absent or not loaded.
GLProc GLUProc(const std::string& name);
// Sets `slot` to libGLU's function `name` as its own pointer type (null when absent).
template <class F>
void FindGLUProc(F& slot, const char* name) {
  slot = reinterpret_cast<F>(GLUProc(name));
}
// Loads the libraries when libGLU is not held, then tells whether its handle differs from `seen`
// and stores it there: entry points found in an earlier library went with it.
bool GLULoadedAnew(void*& seen);
// True when the platform lookup finds "glResizeBuffersMESA".
bool HasMesaResizeBuffers(TGLResolver& resolver = SystemGLResolver());

// Masks every floating-point exception and rounds to nearest, so that drivers producing invalid or
// infinite values never trap; the program keeps this for its whole run.
void MaskFloatingPointExceptions();

// --- The table -----------------------------------------------------------------------------------

// The missing-entry stub: logs the error and aborts silently.
[[noreturn]] void MissingEntryStub();

class TGLExtensionsAndEntryPoints : public TObject {
 public:
  // Every entry starts as the stub, every flag false, not initialised. The resolver must outlive
  // the table.
  explicit TGLExtensionsAndEntryPoints(TGLResolver& resolver = SystemGLResolver());
  std::string ClassName() const override { return "TGLExtensionsAndEntryPoints"; }

  // Loads the version, the flags and the entry points for the context current now.
  void LoadForCurrentContext(bool basicOnly);
  // Disconnects debug output, clears every flag, points every entry at the stub.
  void ResetToStubs();
  // The whole-word test of `name` against the extension buffer (first occurrence only).
  bool HasExtension(const std::string& name) const;
  // Reads the pending OpenGL error and logs it; does nothing until initialised.
  void ReportGLErrors();
  // Drains pending OpenGL errors without logging; initialised or not.
  void DrainGLErrors();

  // Lookups of one entry by its name less "gl" and any vendor suffix ("BindTexture"). During a full
  // load with a resolver that answers unknown names, a name is tried only when the context provides it.
  GLProc ResolveEntry(const std::string& name) const;
  GLProc ResolveEntryOrAlternative(const std::string& name, const std::string& altName) const;
  GLProc ResolveEntryPlain(const std::string& name) const;
  static GLProc StubAddress() { return &MissingEntryStub; }

  bool Initialised() const { return initialised_; }
  bool Debug() const { return debug_; }
  // When set before a full load, OpenGL's debug output is connected to the rendering log.
  void SetDebug(bool flag) { debug_ = flag; }
  // True while GL_DEBUG_OUTPUT is on through this table's callback; only then do errors reach the
  // log through the callback instead of ReportGLErrors.
  bool DebugOutputConnected() const { return debugOutputConnected_; }
  const std::string& ExtensionBuffer() const { return buffer_; }
  void SetExtensionBuffer(std::string buffer) { buffer_ = std::move(buffer); }
  TGLResolver& Resolver() const { return *resolver_; }

  bool GLVersion1_0 = false, GLVersion1_1 = false, GLVersion1_2 = false, GLVersion1_3 = false,
       GLVersion1_4 = false, GLVersion1_5 = false, GLVersion2_0 = false, GLVersion2_1 = false,
       GLVersion3_0 = false, GLVersion3_1 = false, GLVersion3_2 = false, GLVersion3_3 = false,
       GLVersion4_0 = false, GLVersion4_1 = false;

#define GL_EXTENSION(field, name) bool field = false;
#include "scene3d/gl_extension_list.inc"
#undef GL_EXTENSION
#define GL_PLATFORM_EXTENSION(field, name) bool field = false;
#include "scene3d/gl_platform_extension_list.inc"
#undef GL_PLATFORM_EXTENSION

  struct Entries {
#define GL_ENTRY(name) GLProc name = &MissingEntryStub;
#define GL_ENTRY_OR_ALTERNATIVE(name, alternative) GL_ENTRY(name)
#define GL_ENTRY_PLAIN(name) GL_ENTRY(name)
#include "scene3d/gl_entry_list.inc"
#undef GL_ENTRY
#undef GL_ENTRY_OR_ALTERNATIVE
#undef GL_ENTRY_PLAIN
  } entries;

  // The checked typed calls.
#define GL_TYPED_ENTRY(ret, name, params, args) \
  ret name params const { return Checked<ret params>(entries.name) args; }
#include "scene3d/gl_typed_entry_list.inc"
#undef GL_TYPED_ENTRY

 private:
  template <class Signature>
  static Signature* Checked(GLProc entry) {
    if (entry == &MissingEntryStub) MissingEntryStub();
    return reinterpret_cast<Signature*>(entry);
  }
  void ConnectDebugOutput();
  void DisconnectDebugOutput();
  void LogContextInformation();
  // Whether the full name may be asked for now (see ResolveEntry).
  bool Provided(const std::string& fullName) const;
  GLProc Lookup(const std::string& fullName) const;

  TGLResolver* resolver_;
  int major_ = 0;
  int minor_ = 0;
  bool checkProviders_ = false;
  std::string buffer_;
  bool initialised_ = false;
  bool debug_ = false;
  bool debugOutputConnected_ = false;
};

// The number of entries, extension flags and platform flags of the table.
int GLEntryCount();
int GLExtensionCount();
int GLPlatformExtensionCount();

// "4.5 (Compatibility Profile) Mesa 22.3.6" gives 4 and 5; anything it cannot read gives 0 and 0.
void ParseGLVersion(const std::string& text, int& major, int& minor);
bool VersionAtLeast(int major, int minor, int actualMajor, int actualMinor);

// The table of the current context; the stub table (every entry the stub, every flag false) while
// no context is current.
TGLExtensionsAndEntryPoints& ActiveGLTable();
// The table of the current context, or null while none is current.
TGLExtensionsAndEntryPoints* ActiveGLTableOrNull();
// Makes `table` the active one; null goes back to the stub table. Contexts call this on activation.
void SetActiveGLTable(TGLExtensionsAndEntryPoints* table);
TGLExtensionsAndEntryPoints& StubGLTable();

// The context information goes to the log once per run; this arms it again (a fresh start).
void RearmContextInformationLog();

// The texture flags of the active table, nullopt while no context is current: the query the texture
// formats ask (registered when the library starts).
std::optional<TextureSupportFlags> ActiveTextureSupport();

}  // namespace scene3d
