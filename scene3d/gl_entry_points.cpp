#include "scene3d/gl_entry_points.h"

#include <EGL/egl.h>
#include <dlfcn.h>

#include <cctype>
#include <cfenv>
#include <charconv>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "scene3d/rendering_log.h"
#include "scene3d/silent_abort.h"
#include "scene3d/texture_format.h"

namespace scene3d {

namespace {

struct Libraries {
  void* gl = nullptr;
  void* glu = nullptr;
};

Libraries& Held() {
  static Libraries libraries;
  return libraries;
}

// The window-system extensions, by the names the table tests, with what EGL offers in their place:
// a name is listed when the EGL display has the extension on the right (an empty one: EGL 1.4
// itself has the feature).
struct PlatformEquivalent {
  const char* name;
  const char* egl;
};
constexpr PlatformEquivalent kPlatformEquivalents[] = {
    {"WGL_ARB_create_context", "EGL_KHR_create_context"},
    {"WGL_ARB_create_context_profile", "EGL_KHR_create_context"},
    {"WGL_ARB_extensions_string", ""},
    {"WGL_ARB_framebuffer_sRGB", "EGL_KHR_gl_colorspace"},
    {"WGL_EXT_framebuffer_sRGB", "EGL_KHR_gl_colorspace"},
    {"WGL_ARB_make_current_read", ""},
    {"WGL_ARB_multisample", ""},
    {"WGL_ARB_pbuffer", ""},
    {"WGL_ARB_pixel_format", ""},
    {"WGL_ARB_pixel_format_float", "EGL_EXT_pixel_format_float"},
    {"WGL_ATI_pixel_format_float", "EGL_EXT_pixel_format_float"},
    {"WGL_EXT_swap_control", ""},
};

bool WordIn(const std::string& list, const std::string& word) {
  size_t pos = 0;
  while ((pos = list.find(word, pos)) != std::string::npos) {
    bool startOk = pos == 0 || list[pos - 1] == ' ';
    size_t end = pos + word.size();
    if (startOk && (end == list.size() || list[end] == ' ')) return true;
    pos = end;
  }
  return false;
}

class EGLResolver : public TGLResolver {
 public:
  GLProc GetProcAddress(const std::string& name) override { return eglGetProcAddress(name.c_str()); }
  GLProc LibraryProc(const std::string& name) override {
    void* handle = Held().gl;
    return handle ? reinterpret_cast<GLProc>(dlsym(handle, name.c_str())) : nullptr;
  }
  bool AnswersUnknownNames() const override { return true; }
  std::string PlatformExtensions() override {
    EGLDisplay display = eglGetCurrentDisplay();
    if (display == EGL_NO_DISPLAY) return "";
    const char* egl = eglQueryString(display, EGL_EXTENSIONS);
    std::string eglList = egl ? egl : "";
    std::string list;
    for (const PlatformEquivalent& item : kPlatformEquivalents) {
      if (*item.egl && !WordIn(eglList, item.egl)) continue;
      if (!list.empty()) list += ' ';
      list += item.name;
    }
    return list;
  }
};

struct ActiveState {
  TGLExtensionsAndEntryPoints* active = nullptr;
  bool logContextInformation = true;
};

ActiveState& Active() {
  static ActiveState state;
  return state;
}

void LogText(TLogLevel level, const std::string& text) { LogLine(level, text); }

// OpenGL's debug messages go to the log at the debug level. OpenGL calls these from inside its own
// C code, so nothing may leave them.
void APIENTRY ARBDebugCallback(GLenum, GLenum, GLuint, GLenum, GLsizei length, const GLchar* message, const void*) {
  if (length > 0 && message) GuardCallback([&] { LogText(lkDebug, std::string(message, size_t(length))); });
}

void APIENTRY AMDDebugCallback(GLuint, GLenum, GLenum, GLsizei length, const GLchar* message, void*) {
  if (length > 0 && message) GuardCallback([&] { LogText(lkDebug, std::string(message, size_t(length))); });
}

std::string Text(const GLubyte* text) { return text ? reinterpret_cast<const char*>(text) : ""; }

// The versions and extensions that bring each function name, from the published headers.
const std::unordered_multimap<std::string, std::string>& Providers() {
  static const std::unordered_multimap<std::string, std::string> providers = {
#define GL_PROVIDER(function, provider) {function, provider},
#include "scene3d/gl_entry_providers.inc"
#undef GL_PROVIDER
  };
  return providers;
}

bool AllDigits(const std::string& text) {
  if (text.empty()) return false;
  for (char c : text)
    if (!std::isdigit(static_cast<unsigned char>(c))) return false;
  return true;
}

}  // namespace

TGLResolver& SystemGLResolver() {
  static EGLResolver resolver;
  return resolver;
}

// --- Libraries ------------------------------------------------------------------------------------

void MaskFloatingPointExceptions() {
  fedisableexcept(FE_ALL_EXCEPT);
  std::fesetround(FE_TONEAREST);
}

bool LoadGLLibraries() {
  if (Held().gl && Held().glu) return true;
  return LoadGLLibrariesFrom("libOpenGL.so.0", "libGLU.so.1");
}

bool LoadGLLibrariesFrom(const std::string& glName, const std::string& gluName) {
  MaskFloatingPointExceptions();
  FreeGLLibraries();
  Held().gl = dlopen(glName.c_str(), RTLD_NOW | RTLD_GLOBAL);
  Held().glu = dlopen(gluName.c_str(), RTLD_NOW | RTLD_GLOBAL);
  if (Held().gl && Held().glu) return true;
  FreeGLLibraries();
  return false;
}

void FreeGLLibraries() {
  for (void** handle : {&Held().glu, &Held().gl}) {
    if (*handle) dlclose(*handle);
    *handle = nullptr;
  }
}

void* OpenGLLibraryHandle() { return Held().gl; }
void* GLULibraryHandle() { return Held().glu; }

GLProc GLUProc(const std::string& name) {
  return Held().glu ? reinterpret_cast<GLProc>(dlsym(Held().glu, name.c_str())) : nullptr;
}

bool GLULoadedAnew(void*& seen) {
  if (!Held().glu) LoadGLLibraries();
  if (seen == Held().glu) return false;
  seen = Held().glu;
  return true;
}

bool HasMesaResizeBuffers(TGLResolver& resolver) { return resolver.GetProcAddress("glResizeBuffersMESA") != nullptr; }

// --- Version ----------------------------------------------------------------------------------------

void ParseGLVersion(const std::string& text, int& major, int& minor) {
  major = 0;
  minor = 0;
  size_t dot = text.find('.');
  if (dot == std::string::npos || dot == 0 || dot + 1 >= text.size()) return;
  auto digit = [&](size_t i) { return std::isdigit(static_cast<unsigned char>(text[i])) != 0; };
  if (!digit(dot - 1) || !digit(dot + 1)) return;
  size_t first = dot;
  while (first > 0 && digit(first - 1)) --first;
  size_t last = dot + 1;
  while (last < text.size() && digit(last)) ++last;
  std::string majorText = text.substr(first, dot - first);
  std::string minorText = text.substr(dot + 1, last - dot - 1);
  if (!AllDigits(majorText) || !AllDigits(minorText)) return;
  int a = 0;
  int b = 0;
  auto ra = std::from_chars(majorText.data(), majorText.data() + majorText.size(), a);
  auto rb = std::from_chars(minorText.data(), minorText.data() + minorText.size(), b);
  if (ra.ec != std::errc() || rb.ec != std::errc()) return;
  major = a;
  minor = b;
}

bool VersionAtLeast(int major, int minor, int actualMajor, int actualMinor) {
  return actualMajor > major || (actualMajor == major && actualMinor >= minor);
}

// --- The table -----------------------------------------------------------------------------------------

void MissingEntryStub() {
  LogText(lkError, "Call OpenGL function with undefined entry point");
  SilentAbort();
}

TGLExtensionsAndEntryPoints::TGLExtensionsAndEntryPoints(TGLResolver& resolver) : resolver_(&resolver) {}

bool TGLExtensionsAndEntryPoints::Provided(const std::string& fullName) const {
  if (!checkProviders_) return true;
  auto [first, last] = Providers().equal_range(fullName);
  for (auto it = first; it != last; ++it) {
    const std::string& provider = it->second;
    constexpr std::string_view kVersion = "GL_VERSION_";
    if (provider.starts_with(kVersion)) {
      const int major = provider[kVersion.size()] - '0', minor = provider[kVersion.size() + 2] - '0';
      if (VersionAtLeast(major, minor, major_, minor_)) return true;
    } else if (WordIn(buffer_, provider)) {
      return true;
    }
  }
  return false;
}

GLProc TGLExtensionsAndEntryPoints::Lookup(const std::string& fullName) const {
  return Provided(fullName) ? resolver_->GetProcAddress(fullName) : nullptr;
}

GLProc TGLExtensionsAndEntryPoints::ResolveEntry(const std::string& name) const {
  const std::string full = "gl" + name;
  if (GLProc p = Lookup(full)) return p;
  if (GLProc p = Lookup(full + "ARB")) return p;
  if (Provided(full))
    if (GLProc p = resolver_->LibraryProc(full)) return p;
  for (const char* suffix : {"EXT", "NV", "ATI"})
    if (GLProc p = Lookup(full + suffix)) return p;
  return &MissingEntryStub;
}

GLProc TGLExtensionsAndEntryPoints::ResolveEntryOrAlternative(const std::string& name, const std::string& altName) const {
  GLProc p = ResolveEntry(name);
  return p != &MissingEntryStub ? p : ResolveEntry(altName);
}

GLProc TGLExtensionsAndEntryPoints::ResolveEntryPlain(const std::string& name) const {
  GLProc p = Lookup("gl" + name);
  return p ? p : &MissingEntryStub;
}

bool TGLExtensionsAndEntryPoints::HasExtension(const std::string& name) const {
  size_t pos = buffer_.find(name);
  if (pos == std::string::npos) return false;
  size_t end = pos + name.size();
  return end == buffer_.size() || buffer_[end] == ' ';
}

void TGLExtensionsAndEntryPoints::LoadForCurrentContext(bool basicOnly) {
  LogText(lkNotice, "Getting OpenGL entry points and extension");

  // The window-system functions themselves are called directly (EGL); only their flags stay here.
  buffer_ = resolver_->PlatformExtensions();
#define GL_PLATFORM_EXTENSION(field, name) field = HasExtension(name);
#include "scene3d/gl_platform_extension_list.inc"
#undef GL_PLATFORM_EXTENSION

  entries.GetString = ResolveEntry("GetString");
  entries.GetStringi = ResolveEntry("GetStringi");
  entries.GetIntegerv = ResolveEntry("GetIntegerv");
  entries.GetError = ResolveEntry("GetError");

  int& major = major_;
  int& minor = minor_;
  ParseGLVersion(Text(GetString(GL_VERSION)), major, minor);
  GLVersion1_0 = true;
  GLVersion1_1 = VersionAtLeast(1, 1, major, minor);
  GLVersion1_2 = VersionAtLeast(1, 2, major, minor);
  GLVersion1_3 = VersionAtLeast(1, 3, major, minor);
  GLVersion1_4 = VersionAtLeast(1, 4, major, minor);
  GLVersion1_5 = VersionAtLeast(1, 5, major, minor);
  GLVersion2_0 = VersionAtLeast(2, 0, major, minor);
  GLVersion2_1 = VersionAtLeast(2, 1, major, minor);
  GLVersion3_0 = VersionAtLeast(3, 0, major, minor);
  GLVersion3_1 = VersionAtLeast(3, 1, major, minor);
  GLVersion3_2 = VersionAtLeast(3, 2, major, minor);
  GLVersion3_3 = VersionAtLeast(3, 3, major, minor);
  GLVersion4_0 = VersionAtLeast(4, 0, major, minor);
  GLVersion4_1 = VersionAtLeast(4, 1, major, minor);

  if (Active().logContextInformation) LogContextInformation();

  if (basicOnly) {
    initialised_ = true;
    return;
  }

  if (GLVersion3_0) {
    GLint count = 0;
    GetIntegerv(GL_NUM_EXTENSIONS, &count);
    buffer_.clear();
    for (GLint i = 0; i < count; ++i) buffer_ += Text(GetStringi(GL_EXTENSIONS, GLuint(i))) + ' ';
  } else {
    buffer_ = Text(GetString(GL_EXTENSIONS));
  }
#define GL_EXTENSION(field, name) field = HasExtension(name);
#include "scene3d/gl_extension_list.inc"
#undef GL_EXTENSION

  checkProviders_ = resolver_->AnswersUnknownNames();
#define GL_ENTRY(name) entries.name = ResolveEntry(#name);
#define GL_ENTRY_OR_ALTERNATIVE(name, alternative) entries.name = ResolveEntryOrAlternative(#name, #alternative);
#define GL_ENTRY_PLAIN(name) entries.name = ResolveEntryPlain(#name);
#include "scene3d/gl_entry_list.inc"
#undef GL_ENTRY
#undef GL_ENTRY_OR_ALTERNATIVE
#undef GL_ENTRY_PLAIN
  checkProviders_ = false;

  if (debug_) ConnectDebugOutput();

  buffer_.clear();
  initialised_ = true;
}

void TGLExtensionsAndEntryPoints::LogContextInformation() {
  LogText(lkNotice, "");
  LogText(lkInfo, "OpenGL rendering context information:");
  LogText(lkInfo, "Renderer     : " + Text(GetString(GL_RENDERER)));
  LogText(lkInfo, "Vendor       : " + Text(GetString(GL_VENDOR)));
  LogText(lkInfo, "Version      : " + Text(GetString(GL_VERSION)));
  if (GLVersion2_0)
    LogText(lkInfo, "GLSL version : " + Text(GetString(GL_SHADING_LANGUAGE_VERSION)));
  else
    LogText(lkWarning, "GLSL version : not supported");
  LogText(lkNotice, "");
  Active().logContextInformation = false;
}

// A debug context is not needed for OpenGL to report through the callback, but GL_DEBUG_OUTPUT
// must be on: without it a plain context sends nothing and errors would go unlogged.
void TGLExtensionsAndEntryPoints::ConnectDebugOutput() {
  if (ARB_debug_output) {
    DebugMessageCallback(&ARBDebugCallback, nullptr);
    DebugMessageControl(GL_DONT_CARE, GL_DONT_CARE, GL_DONT_CARE, 0, nullptr, GL_TRUE);
    Enable(GL_DEBUG_OUTPUT);
    debugOutputConnected_ = true;
  } else if (AMDX_debug_output) {
    DebugMessageCallbackAMDX(&AMDDebugCallback, nullptr);
    DebugMessageEnableAMDX(0, 0, 0, nullptr, GL_TRUE);
  } else {
    debug_ = false;
  }
}

void TGLExtensionsAndEntryPoints::DisconnectDebugOutput() {
  if (ARB_debug_output) {
    if (debugOutputConnected_) Disable(GL_DEBUG_OUTPUT);
    DebugMessageCallback(nullptr, nullptr);
    DebugMessageControl(GL_DONT_CARE, GL_DONT_CARE, GL_DONT_CARE, 0, nullptr, GL_FALSE);
  } else if (AMDX_debug_output) {
    DebugMessageCallbackAMDX(nullptr, nullptr);
    DebugMessageEnableAMDX(0, 0, 0, nullptr, GL_FALSE);
  }
  debugOutputConnected_ = false;
}

void TGLExtensionsAndEntryPoints::ResetToStubs() {
  if (debug_) {
    // Disconnecting needs the old entries; a context that is already gone makes them abort, and
    // resetting must still finish.
    CatchSilentAbort([&] { DisconnectDebugOutput(); });
  }
  debugOutputConnected_ = false;
  GLVersion1_0 = GLVersion1_1 = GLVersion1_2 = GLVersion1_3 = GLVersion1_4 = GLVersion1_5 = false;
  GLVersion2_0 = GLVersion2_1 = GLVersion3_0 = GLVersion3_1 = GLVersion3_2 = GLVersion3_3 = false;
  GLVersion4_0 = GLVersion4_1 = false;
#define GL_EXTENSION(field, name) field = false;
#include "scene3d/gl_extension_list.inc"
#undef GL_EXTENSION
#define GL_PLATFORM_EXTENSION(field, name) field = false;
#include "scene3d/gl_platform_extension_list.inc"
#undef GL_PLATFORM_EXTENSION
  entries = Entries{};
  initialised_ = false;
}

void TGLExtensionsAndEntryPoints::ReportGLErrors() {
  if (!initialised_) return;
  GLenum error = GL_NO_ERROR;
  try {
    error = GetError();
  } catch (...) {
    LogText(lkError, "OpenGL error - Exception in glGetError");
    return;
  }
  if (error == GL_NO_ERROR) return;
  try {
    for (int i = 0; i < 7 && GetError() != GL_NO_ERROR; ++i) {
    }
  } catch (...) {
    // The drain ends quietly; the first error is still reported.
  }
  if (debug_ && ARB_debug_output && debugOutputConnected_) return;
  const char* text = nullptr;
  switch (error) {
    case GL_INVALID_ENUM: text = "Invalid enum"; break;
    case GL_INVALID_VALUE: text = "Invalid value"; break;
    case GL_INVALID_OPERATION: text = "Invalid Operation"; break;
    case GL_OUT_OF_MEMORY: text = "Out of memory"; break;
    default: return;
  }
  LogText(lkError, std::string("OpenGL error - ") + text);
}

void TGLExtensionsAndEntryPoints::DrainGLErrors() {
  // Nothing to drain from the stub, and calling it would log.
  if (entries.GetError == &MissingEntryStub) return;
  for (int i = 0; i < 7 && GetError() != GL_NO_ERROR; ++i) {
  }
}

int GLEntryCount() {
  int count = 0;
#define GL_ENTRY(name) ++count;
#define GL_ENTRY_OR_ALTERNATIVE(name, alternative) ++count;
#define GL_ENTRY_PLAIN(name) ++count;
#include "scene3d/gl_entry_list.inc"
#undef GL_ENTRY
#undef GL_ENTRY_OR_ALTERNATIVE
#undef GL_ENTRY_PLAIN
  return count;
}

int GLExtensionCount() {
  int count = 0;
#define GL_EXTENSION(field, name) ++count;
#include "scene3d/gl_extension_list.inc"
#undef GL_EXTENSION
  return count;
}

int GLPlatformExtensionCount() {
  int count = 0;
#define GL_PLATFORM_EXTENSION(field, name) ++count;
#include "scene3d/gl_platform_extension_list.inc"
#undef GL_PLATFORM_EXTENSION
  return count;
}

// --- The active table -------------------------------------------------------------------------------

TGLExtensionsAndEntryPoints& StubGLTable() {
  static TGLExtensionsAndEntryPoints* stub = [] {
    MaskFloatingPointExceptions();
    return new TGLExtensionsAndEntryPoints();
  }();
  return *stub;
}

TGLExtensionsAndEntryPoints& ActiveGLTable() { return Active().active ? *Active().active : StubGLTable(); }

TGLExtensionsAndEntryPoints* ActiveGLTableOrNull() { return Active().active; }

void SetActiveGLTable(TGLExtensionsAndEntryPoints* table) { Active().active = table == &StubGLTable() ? nullptr : table; }

void RearmContextInformationLog() { Active().logContextInformation = true; }

// --- What the current context can hold ------------------------------------------------------------

std::optional<TextureSupportFlags> ActiveTextureSupport() {
  const TGLExtensionsAndEntryPoints* gl = ActiveGLTableOrNull();
  if (!gl) return std::nullopt;
  TextureSupportFlags flags;
#define COPY_FLAG(name) flags.name = gl->name;
  COPY_FLAG(GLVersion1_1) COPY_FLAG(GLVersion3_1) COPY_FLAG(ARB_depth_texture)
  COPY_FLAG(EXT_texture_compression_s3tc) COPY_FLAG(NV_texture_shader) COPY_FLAG(NV_texture_shader3)
  COPY_FLAG(NV_float_buffer) COPY_FLAG(ATI_texture_float) COPY_FLAG(EXT_packed_depth_stencil)
  COPY_FLAG(NV_depth_buffer_float) COPY_FLAG(EXT_texture_sRGB) COPY_FLAG(EXT_texture_shared_exponent)
  COPY_FLAG(EXT_packed_float) COPY_FLAG(EXT_texture_compression_latc) COPY_FLAG(ATI_texture_compression_3dc)
  COPY_FLAG(EXT_texture_integer) COPY_FLAG(ARB_texture_rg) COPY_FLAG(ARB_texture_compression_rgtc)
  COPY_FLAG(EXT_texture_object) COPY_FLAG(EXT_texture3D) COPY_FLAG(ARB_texture_rectangle)
  COPY_FLAG(ARB_texture_cube_map) COPY_FLAG(EXT_texture_array) COPY_FLAG(ARB_texture_buffer_object)
  COPY_FLAG(ARB_texture_cube_map_array) COPY_FLAG(ARB_texture_multisample)
#undef COPY_FLAG
  return flags;
}

namespace {

// The library's start tells the texture formats where the current context's flags are; its end takes
// that back, unless someone else has put a query of their own in place since.
struct TextureSupportRegistration {
  TextureSupportRegistration() { SetTextureSupportQuery(&ActiveTextureSupport); }
  ~TextureSupportRegistration() {
    TextureSupportQuery current = SetTextureSupportQuery(nullptr);
    if (current != &ActiveTextureSupport) SetTextureSupportQuery(current);
  }
};
const TextureSupportRegistration kTextureSupportRegistration;

}  // namespace

}  // namespace scene3d
