#include "fake_gl.h"

#include <algorithm>
#include <cmath>
#include <tuple>
#include <type_traits>

namespace testing_support {

using scene3d::GLProc;

namespace {

FakeGL* g_current = nullptr;

int PointeeCount(const std::string& name) {
  static const std::map<std::string, int> counts = {
      {"LoadMatrixf", 16}, {"MultMatrixf", 16},    {"Materialfv", 4},  {"Lightfv", 4},         {"LightModelfv", 4},
      {"Fogfv", 4},        {"Color4fv", 4},        {"Vertex3fv", 3},   {"Vertex4fv", 4},       {"Normal3fv", 3},
      {"TexCoord2fv", 2},  {"TexCoord3fv", 3},     {"TexCoord4fv", 4}, {"MultiTexCoord2fv", 2}, {"MultiTexCoord3fv", 3},
      {"MultiTexCoord4fv", 4}, {"TexGenfv", 4},    {"TexGeniv", 4},    {"TexEnvfv", 4},        {"TexParameterfv", 4},
      {"ClipPlane", 4},    {"PointParameterfv", 3}, {"DeleteTextures", 1},  {"DeleteFramebuffers", 1},
      {"DeleteRenderbuffers", 1}, {"DeleteBuffers", 1}};
  auto it = counts.find(name);
  return it == counts.end() ? 0 : it->second;
}

template <class T>
void Push(std::vector<double>& out, const std::string& name, T value) {
  if constexpr (std::is_arithmetic_v<T>) {
    out.push_back(double(value));
  } else if constexpr (std::is_pointer_v<T>) {
    using Pointee = std::remove_cv_t<std::remove_pointer_t<T>>;
    int n = PointeeCount(name);
    if constexpr (std::is_arithmetic_v<Pointee>) {
      if (value && n > 0) {
        for (int i = 0; i < n; ++i) out.push_back(double(value[i]));
        return;
      }
    }
    out.push_back(value ? 1 : 0);
  } else {
    out.push_back(0);
  }
}

template <class Ret, class... Args>
Ret Invoke(const char* name, std::tuple<Args...> args) {
  std::vector<double> values;
  std::apply([&](auto... a) { (Push(values, name, a), ...); }, args);
  FakeGL::Current().Record(name, std::move(values));
  if constexpr (!std::is_void_v<Ret>) return Ret{};
}

#define GL_TYPED_ENTRY(ret, name, params, args) \
  ret APIENTRY Fake_##name params { return Invoke<ret>(#name, std::make_tuple args); }
#include "scene3d/gl_typed_entry_list.inc"
#undef GL_TYPED_ENTRY

// The queries that answer from the script.
const GLubyte* APIENTRY Special_GetString(GLenum name) {
  FakeGL::Current().Record("GetString", {double(name)});
  auto& strings = FakeGL::Current().strings;
  auto it = strings.find(name);
  return it == strings.end() ? nullptr : reinterpret_cast<const GLubyte*>(it->second.c_str());
}

const GLubyte* APIENTRY Special_GetStringi(GLenum name, GLuint index) {
  FakeGL::Current().Record("GetStringi", {double(name), double(index)});
  auto& list = FakeGL::Current().extensions;
  return name == GL_EXTENSIONS && index < list.size() ? reinterpret_cast<const GLubyte*>(list[index].c_str()) : nullptr;
}

void APIENTRY Special_GetIntegerv(GLenum name, GLint* data) {
  FakeGL& gl = FakeGL::Current();
  gl.Record("GetIntegerv", {double(name)});
  if (name == GL_NUM_EXTENSIONS) {
    *data = GLint(gl.extensions.size());
    return;
  }
  auto it = gl.integers.find(name);
  *data = it == gl.integers.end() ? 0 : it->second;
}

GLenum APIENTRY Special_GetError() {
  FakeGL& gl = FakeGL::Current();
  gl.Record("GetError", {});
  if (gl.errors.empty()) return GL_NO_ERROR;
  GLenum e = gl.errors.front();
  gl.errors.pop_front();
  return e;
}

GLuint APIENTRY Special_GenLists(GLsizei range) {
  FakeGL& gl = FakeGL::Current();
  gl.Record("GenLists", {double(range)});
  GLuint first = gl.nextName;
  gl.nextName += GLuint(range);
  return first;
}

void APIENTRY Special_GenTextures(GLsizei n, GLuint* names) {
  FakeGL& gl = FakeGL::Current();
  gl.Record("GenTextures", {double(n)});
  for (GLsizei i = 0; i < n; ++i) names[i] = gl.nextName++;
}

void APIENTRY Special_GenBuffers(GLsizei n, GLuint* names) {
  FakeGL& gl = FakeGL::Current();
  gl.Record("GenBuffers", {double(n)});
  for (GLsizei i = 0; i < n; ++i) names[i] = gl.nextName++;
}

void APIENTRY Special_DebugMessageCallback(GLDEBUGPROC callback, const void*) {
  FakeGL& gl = FakeGL::Current();
  gl.Record("DebugMessageCallback", {callback ? 1.0 : 0.0});
  gl.debugCallback = callback;
}

// Every name the fake handed out is a live object.
GLboolean APIENTRY Special_IsList(GLuint list) {
  FakeGL::Current().Record("IsList", {double(list)});
  return GL_TRUE;
}

GLboolean APIENTRY Special_IsTexture(GLuint texture) {
  FakeGL::Current().Record("IsTexture", {double(texture)});
  return GL_TRUE;
}

GLProc AsProc(auto function) { return reinterpret_cast<GLProc>(function); }

}  // namespace

FakeGL::FakeGL() {
  g_current = this;
#define GL_TYPED_ENTRY(ret, name, params, args) procs["gl" #name] = AsProc(&Fake_##name);
#include "scene3d/gl_typed_entry_list.inc"
#undef GL_TYPED_ENTRY
  procs["glGetString"] = AsProc(&Special_GetString);
  procs["glGetStringi"] = AsProc(&Special_GetStringi);
  procs["glGetIntegerv"] = AsProc(&Special_GetIntegerv);
  procs["glGetError"] = AsProc(&Special_GetError);
  procs["glGenLists"] = AsProc(&Special_GenLists);
  procs["glGenTextures"] = AsProc(&Special_GenTextures);
  procs["glGenBuffers"] = AsProc(&Special_GenBuffers);
  procs["glDebugMessageCallback"] = AsProc(&Special_DebugMessageCallback);
  procs["glIsList"] = AsProc(&Special_IsList);
  procs["glIsTexture"] = AsProc(&Special_IsTexture);
  integers[GL_MAX_LIGHTS] = 8;
  integers[GL_MAX_TEXTURE_SIZE] = 4096;
  integers[GL_MAX_TEXTURE_IMAGE_UNITS] = 16;
}

FakeGL::~FakeGL() {
  if (g_current == this) g_current = nullptr;
}

FakeGL& FakeGL::Current() { return *g_current; }

GLProc FakeGL::GetProcAddress(const std::string& name) {
  lookups.push_back("proc:" + name);
  auto it = procs.find(name);
  return it == procs.end() ? nullptr : it->second;
}

GLProc FakeGL::LibraryProc(const std::string& name) {
  lookups.push_back("library:" + name);
  auto it = library.find(name);
  return it == library.end() ? nullptr : it->second;
}

std::vector<std::string> FakeGL::Names() const {
  std::vector<std::string> names;
  for (const GLCall& call : calls) names.push_back(call.name);
  return names;
}

int FakeGL::Count(const std::string& name) const {
  return int(std::count_if(calls.begin(), calls.end(), [&](const GLCall& c) { return c.name == name; }));
}

std::vector<std::string> FakeGL::Trace() const {
  std::vector<std::string> trace;
  for (const GLCall& call : calls) {
    std::string text = call.name + "(";
    for (size_t i = 0; i < call.args.size(); ++i) {
      if (i) text += ",";
      double v = call.args[i];
      text += v == std::floor(v) ? std::to_string(int64_t(v)) : std::to_string(v);
    }
    trace.push_back(text + ")");
  }
  return trace;
}

ActiveFakeTable::ActiveFakeTable(const std::vector<std::string>& extensions, const std::string& version) {
  gl.strings[GL_VERSION] = version;
  gl.strings[GL_RENDERER] = "Fake renderer";
  gl.strings[GL_VENDOR] = "Velkora tests";
  gl.strings[GL_SHADING_LANGUAGE_VERSION] = "4.50";
  gl.extensions = extensions;
  std::string list;
  for (const std::string& e : extensions) list += e + " ";
  gl.strings[GL_EXTENSIONS] = list;
  table.LoadForCurrentContext(false);
  scene3d::SetActiveGLTable(&table);
  gl.ClearCalls();
}

ActiveFakeTable::~ActiveFakeTable() { scene3d::SetActiveGLTable(nullptr); }

RecordingLog::RecordingLog() : TLogSession(dir.File("gl.log"), scene3d::llAll, scene3d::lsmNoTimestamp) {
  previous_ = scene3d::ExchangeRenderingLog(this);
}

RecordingLog::~RecordingLog() { scene3d::ExchangeRenderingLog(previous_); }

void RecordingLog::AppendLine(const std::string& message, scene3d::TLogLevel level) {
  lines.push_back(std::string(scene3d::kLogLevelPrefixes[size_t(level)]) + message);
  TLogSession::AppendLine(message, level);
}

bool RecordingLog::Has(const std::string& line) const { return std::find(lines.begin(), lines.end(), line) != lines.end(); }

}  // namespace testing_support
