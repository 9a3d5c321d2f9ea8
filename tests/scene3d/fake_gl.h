// A recording stand-in for OpenGL: a resolver that hands out functions which note every call (name
// and arguments) and answer queries from scripted values, so the entry-point table, the state cache
// and the pipeline are tested without a driver. One FakeGL is live at a time.
#pragma once

#include <deque>
#include <map>
#include <string>
#include <vector>

#include "scene3d/gl_entry_points.h"
#include "scene3d/rendering_log.h"
#include "scratch_dir.h"

namespace testing_support {

struct GLCall {
  std::string name;
  // Numbers as doubles; a pointer is 1 (0 when null), or the values it points at for the calls
  // that pass vectors and matrices (LoadMatrixf: 16, Materialfv: 4, ...).
  std::vector<double> args;
};

class FakeGL : public scene3d::TGLResolver {
 public:
  FakeGL();
  ~FakeGL() override;
  static FakeGL& Current();

  scene3d::GLProc GetProcAddress(const std::string& name) override;
  scene3d::GLProc LibraryProc(const std::string& name) override;
  std::string PlatformExtensions() override { return platformExtensions; }

  // What the platform lookup and the library know, by full name. At the start every typed entry
  // is answered by the platform lookup under its plain name ("glBindTexture").
  std::map<std::string, scene3d::GLProc> procs;
  std::map<std::string, scene3d::GLProc> library;
  // Every lookup, in order.
  std::vector<std::string> lookups;

  std::string platformExtensions;
  std::map<GLenum, std::string> strings;  // GetString
  std::vector<std::string> extensions;    // GetStringi and GL_NUM_EXTENSIONS
  std::map<GLenum, GLint> integers;       // GetIntegerv
  std::deque<GLenum> errors;              // GetError pops, then answers 0
  std::map<std::string, GLenum> raises;   // a call of that name leaves its error for GetError
  GLuint nextName = 1;                    // GenLists, GenTextures
  GLDEBUGPROC debugCallback = nullptr;

  std::vector<GLCall> calls;
  void ClearCalls() { calls.clear(); }
  std::vector<std::string> Names() const;
  int Count(const std::string& name) const;
  // The calls as "Name(a,b,...)" with integral values, for compact comparisons.
  std::vector<std::string> Trace() const;

  void Record(const char* name, std::vector<double> args) {
    calls.push_back({name, std::move(args)});
    if (const auto raised = raises.find(name); raised != raises.end()) errors.push_back(raised->second);
  }
};

// A table loaded from a FakeGL (version "4.5 (Compatibility Profile) Mesa 22.3.6", the given
// extensions) and made the active one for the object's lifetime; the calls of loading are cleared.
class ActiveFakeTable {
 public:
  explicit ActiveFakeTable(const std::vector<std::string>& extensions = {"GL_ARB_multitexture"},
                           const std::string& version = "4.5 (Compatibility Profile) Mesa 22.3.6");
  ~ActiveFakeTable();
  FakeGL gl;
  scene3d::TGLExtensionsAndEntryPoints table{gl};
};

// A log session of the test's own, put in place of the program's for its lifetime, that keeps its
// lines (the prefix of the level followed by the text).
struct LogScratch {
  ScratchDir dir{"gllog"};
};
class RecordingLog : private LogScratch, public scene3d::TLogSession {
 public:
  RecordingLog();
  ~RecordingLog() override;
  void AppendLine(const std::string& message, scene3d::TLogLevel level) override;
  std::vector<std::string> lines;
  bool Has(const std::string& line) const;

 private:
  scene3d::TLogSession* previous_;
};

}  // namespace testing_support
