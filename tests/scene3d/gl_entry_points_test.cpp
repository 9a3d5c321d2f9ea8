#include "scene3d/gl_entry_points.h"

#include <gtest/gtest.h>

#include <array>
#include <bit>
#include <cfenv>
#include <cmath>
#include <fstream>
#include <regex>

#include "fake_gl.h"
#include "scene3d/silent_abort.h"

using namespace scene3d;
using testing_support::ActiveFakeTable;
using testing_support::FakeGL;
using testing_support::RecordingLog;

namespace {

void Marker1() {}
void Marker2() {}
void Marker3() {}
const GLProc kFirst = &Marker1;
const GLProc kSecond = &Marker2;
const GLProc kThird = &Marker3;

std::vector<GLProc> AllEntries(const TGLExtensionsAndEntryPoints& table) {
  const auto* begin = reinterpret_cast<const GLProc*>(&table.entries);
  return {begin, begin + sizeof(table.entries) / sizeof(GLProc)};
}

}  // namespace

TEST(GLEntryPoints, ParseGLVersionReadsTheFirstNumberPairOrGivesZero) {
  struct Case {
    const char* text;
    int major, minor;
  } cases[] = {
      {"4.5 (Compatibility Profile) Mesa 22.3.6", 4, 5},
      {"2.1.2 NVIDIA 310.44", 2, 1},
      {"4.10", 4, 10},
      {"OpenGL ES 3.2 Mesa", 3, 2},
      {"", 0, 0},
      {".5", 0, 0},
      {"4.", 0, 0},
      {"a.b", 0, 0},
      {"4.x", 0, 0},
      {"99999999999.1", 0, 0},  // a number that does not convert
  };
  for (const Case& c : cases) {
    int major = -1, minor = -1;
    ParseGLVersion(c.text, major, minor);
    EXPECT_EQ(major, c.major) << c.text;
    EXPECT_EQ(minor, c.minor) << c.text;
  }
}

TEST(GLEntryPoints, VersionFlagsFollowTheVersionAndAnUnreadableOneReadsTheOldExtensionString) {
  FakeGL gl;
  gl.strings[GL_VERSION] = "3.3.0 Core";
  gl.extensions = {"GL_ARB_multitexture"};
  TGLExtensionsAndEntryPoints table(gl);
  table.LoadForCurrentContext(false);
  EXPECT_TRUE(table.GLVersion1_0 && table.GLVersion2_1 && table.GLVersion3_2 && table.GLVersion3_3);
  EXPECT_FALSE(table.GLVersion4_0 || table.GLVersion4_1);
  EXPECT_TRUE(table.ARB_multitexture) << "3.x reads the list with GetStringi";
  EXPECT_EQ(gl.Count("GetStringi"), 1);

  FakeGL old;
  old.strings[GL_VERSION] = "";
  old.strings[GL_EXTENSIONS] = "GL_EXT_bgra GL_ARB_multitexture";
  TGLExtensionsAndEntryPoints oldTable(old);
  oldTable.LoadForCurrentContext(false);
  EXPECT_TRUE(oldTable.GLVersion1_0);
  EXPECT_FALSE(oldTable.GLVersion1_1);
  EXPECT_TRUE(oldTable.EXT_bgra && oldTable.ARB_multitexture);
  EXPECT_EQ(old.Count("GetStringi"), 0);
  EXPECT_TRUE(oldTable.ExtensionBuffer().empty()) << "emptied at the end of a full load";
}

TEST(GLEntryPoints, HasExtensionTriesOnlyTheFirstOccurrence) {
  TGLExtensionsAndEntryPoints table;
  table.SetExtensionBuffer("GL_ARB_foo GL_ARB_foobar");
  EXPECT_TRUE(table.HasExtension("GL_ARB_foo"));
  EXPECT_TRUE(table.HasExtension("GL_ARB_foobar")) << "a name that ends the buffer";
  EXPECT_FALSE(table.HasExtension("GL_ARB_foob"));
  EXPECT_FALSE(table.HasExtension("GL_ARB_bar"));
  EXPECT_TRUE(table.HasExtension("ARB_foo")) << "the character before is not looked at";
  table.SetExtensionBuffer("GL_ARB_foobar GL_ARB_foo");
  EXPECT_FALSE(table.HasExtension("GL_ARB_foo")) << "the whole name later in the buffer is not tried";

  ActiveFakeTable fake({"GL_EXT_direct_state_access", "GL_AMDX_debug_output", "GL_ARB_debug_output"});
  EXPECT_TRUE(fake.table.EXT_direct_state_access && fake.table.AMDX_debug_output && fake.table.ARB_debug_output)
      << "names listed without GL_ are found inside the full names";
  EXPECT_FALSE(fake.table.EXT_texture_swizzle);
}

TEST(GLEntryPoints, LookupOrderPrefersPlainThenArbThenTheLibraryThenVendors) {
  FakeGL gl;
  TGLExtensionsAndEntryPoints table(gl);
  gl.procs.clear();

  gl.procs = {{"glFooARB", kFirst}, {"glFooEXT", kSecond}};
  EXPECT_EQ(table.ResolveEntry("Foo"), kFirst);
  EXPECT_EQ(gl.lookups, (std::vector<std::string>{"proc:glFoo", "proc:glFooARB"}));

  gl.lookups.clear();
  gl.procs = {{"glFooEXT", kSecond}};
  gl.library = {{"glFoo", kThird}};
  EXPECT_EQ(table.ResolveEntry("Foo"), kThird) << "an OpenGL 1.1 name exported only by the library";
  EXPECT_EQ(gl.lookups, (std::vector<std::string>{"proc:glFoo", "proc:glFooARB", "library:glFoo"}));

  gl.lookups.clear();
  gl.library.clear();
  gl.procs = {{"glFooATI", kThird}, {"glFooNV", kSecond}};
  EXPECT_EQ(table.ResolveEntry("Foo"), kSecond);
  gl.procs = {{"glFooATI", kThird}};
  EXPECT_EQ(table.ResolveEntry("Foo"), kThird);
  gl.procs.clear();
  EXPECT_EQ(table.ResolveEntry("Foo"), TGLExtensionsAndEntryPoints::StubAddress());

  gl.procs = {{"glCreateShaderObjectARB", kFirst}, {"glTransformFeedbackVaryingsNVARB", kSecond}};
  EXPECT_EQ(table.ResolveEntryOrAlternative("CreateShader", "CreateShaderObject"), kFirst) << "the shader fallback";
  EXPECT_EQ(table.ResolveEntryPlain("TransformFeedbackVaryingsNV"), TGLExtensionsAndEntryPoints::StubAddress())
      << "plain lookups try no suffix";
  gl.procs["glDebugMessageEnableAMDX"] = kThird;
  EXPECT_EQ(table.ResolveEntryPlain("DebugMessageEnableAMDX"), kThird);
}

TEST(GLEntryPoints, EveryEntryIsTheStubUntilLoadedAndTheStubLogsAndAbortsSilently) {
  RecordingLog log;
  FakeGL gl;
  TGLExtensionsAndEntryPoints table(gl);
  std::vector<GLProc> entries = AllEntries(table);
  ASSERT_EQ(int(entries.size()), GLEntryCount());
  EXPECT_TRUE(std::all_of(entries.begin(), entries.end(), [](GLProc p) { return p == &MissingEntryStub; }));

  table.LoadForCurrentContext(true);
  EXPECT_TRUE(table.Initialised());
  EXPECT_NE(table.entries.GetError, &MissingEntryStub);
  EXPECT_EQ(table.entries.BindTexture, &MissingEntryStub) << "a basic load leaves the rest at the stub";
  EXPECT_THROW(table.BindTexture(GL_TEXTURE_2D, 1), EAbort);
  EXPECT_TRUE(log.Has("(EE)   Call OpenGL function with undefined entry point"));
  EXPECT_EQ(gl.Count("BindTexture"), 0);

  table.LoadForCurrentContext(false);
  table.BindTexture(GL_TEXTURE_2D, 7);
  EXPECT_EQ(gl.Trace().back(), "BindTexture(3553,7)");
  table.SetExtensionBuffer("GL_X");
  table.ResetToStubs();
  entries = AllEntries(table);
  EXPECT_TRUE(std::all_of(entries.begin(), entries.end(), [](GLProc p) { return p == &MissingEntryStub; }));
  EXPECT_FALSE(table.Initialised() || table.GLVersion1_0 || table.ARB_multitexture);

  // While no context is current the stub table stands in.
  EXPECT_EQ(&ActiveGLTable(), &StubGLTable());
  EXPECT_EQ(ActiveGLTableOrNull(), nullptr);
  EXPECT_FALSE(CatchSilentAbort([] { ActiveGLTable().Clear(GL_COLOR_BUFFER_BIT); }));
}

TEST(GLEntryPoints, ContextInformationIsLoggedOnceInItsOrder) {
  RecordingLog log;
  RearmContextInformationLog();
  FakeGL gl;
  gl.strings = {{GL_VERSION, "4.5 (Compatibility Profile) Mesa 22.3.6"},
                {GL_RENDERER, "llvmpipe"},
                {GL_VENDOR, "Mesa"},
                {GL_SHADING_LANGUAGE_VERSION, "4.50"}};
  TGLExtensionsAndEntryPoints table(gl);
  table.LoadForCurrentContext(false);
  std::vector<std::string> expected = {" (I)  Getting OpenGL entry points and extension",
                                       " (I)  ",
                                       " (i)  OpenGL rendering context information:",
                                       " (i)  Renderer     : llvmpipe",
                                       " (i)  Vendor       : Mesa",
                                       " (i)  Version      : 4.5 (Compatibility Profile) Mesa 22.3.6",
                                       " (i)  GLSL version : 4.50",
                                       " (I)  "};
  EXPECT_EQ(log.lines, expected);

  log.lines.clear();
  table.LoadForCurrentContext(false);
  EXPECT_EQ(log.lines, std::vector<std::string>{" (I)  Getting OpenGL entry points and extension"}) << "once per run";

  RearmContextInformationLog();
  log.lines.clear();
  gl.strings[GL_VERSION] = "1.5";
  table.LoadForCurrentContext(true);
  EXPECT_TRUE(log.Has("(WW)   GLSL version : not supported"));
}

TEST(GLEntryPoints, ReportGLErrorsLogsTheKnownCodesAndDrainsTheRest) {
  RecordingLog log;
  ActiveFakeTable fake;
  struct Case {
    std::deque<GLenum> errors;
    const char* line;  // null: no line
    int getErrorCalls;
  } cases[] = {
      {{}, nullptr, 1},
      {{1282}, "(EE)   OpenGL error - Invalid Operation", 2},
      {{1280, 1281}, "(EE)   OpenGL error - Invalid enum", 3},
      {{1281}, "(EE)   OpenGL error - Invalid value", 2},
      {{1285}, "(EE)   OpenGL error - Out of memory", 2},
      {{1283}, nullptr, 2},
      {{1286}, nullptr, 2},
      {std::deque<GLenum>(12, 1282), "(EE)   OpenGL error - Invalid Operation", 8},
  };
  for (const Case& c : cases) {
    log.lines.clear();
    fake.gl.ClearCalls();
    fake.gl.errors = c.errors;
    fake.table.ReportGLErrors();
    EXPECT_EQ(fake.gl.Count("GetError"), c.getErrorCalls) << c.errors.size();
    if (c.line)
      EXPECT_EQ(log.lines, std::vector<std::string>{c.line});
    else
      EXPECT_TRUE(log.lines.empty()) << log.lines.front();
  }

  fake.gl.errors = std::deque<GLenum>(12, 1282);
  fake.gl.ClearCalls();
  log.lines.clear();
  fake.table.DrainGLErrors();
  EXPECT_EQ(fake.gl.Count("GetError"), 7);
  EXPECT_TRUE(log.lines.empty());

  TGLExtensionsAndEntryPoints uninitialised(fake.gl);
  fake.gl.ClearCalls();
  uninitialised.ReportGLErrors();
  uninitialised.DrainGLErrors();
  EXPECT_EQ(fake.gl.Count("GetError"), 0);
  EXPECT_TRUE(log.lines.empty()) << "draining the stub logs nothing";

  // A GetError that is missing altogether.
  TGLExtensionsAndEntryPoints broken(fake.gl);
  broken.LoadForCurrentContext(false);
  broken.entries.GetError = &MissingEntryStub;
  log.lines.clear();
  broken.ReportGLErrors();
  EXPECT_TRUE(log.Has("(EE)   OpenGL error - Exception in glGetError"));
}

TEST(GLEntryPoints, DebugOutputIsSwitchedOnWithTheCallbackAndOnlyThenReplacesTheErrorLine) {
  RecordingLog log;
  FakeGL gl;
  gl.strings[GL_VERSION] = "4.5";
  gl.extensions = {"GL_ARB_debug_output"};
  TGLExtensionsAndEntryPoints table(gl);
  table.SetDebug(true);
  table.LoadForCurrentContext(false);
  EXPECT_TRUE(table.DebugOutputConnected());
  EXPECT_NE(gl.debugCallback, nullptr);
  EXPECT_EQ(gl.Trace().back(), "Enable(" + std::to_string(GL_DEBUG_OUTPUT) + ")");

  log.lines.clear();
  gl.errors = {1282};
  table.ReportGLErrors();
  EXPECT_TRUE(log.lines.empty()) << "the callback reports errors while debug output is on";
  const char message[] = "GL_INVALID_OPERATION in glBindTexture";
  gl.debugCallback(GL_DEBUG_SOURCE_API, GL_DEBUG_TYPE_ERROR, 1, GL_DEBUG_SEVERITY_HIGH, GLsizei(sizeof message - 1),
                   message, nullptr);
  gl.debugCallback(GL_DEBUG_SOURCE_API, GL_DEBUG_TYPE_ERROR, 1, GL_DEBUG_SEVERITY_HIGH, 0, "", nullptr);
  EXPECT_EQ(log.lines, std::vector<std::string>{" (D)  GL_INVALID_OPERATION in glBindTexture"});

  gl.ClearCalls();
  table.ResetToStubs();
  EXPECT_EQ(gl.Names(), (std::vector<std::string>{"Disable", "DebugMessageCallback", "DebugMessageControl"}));
  EXPECT_EQ(gl.Trace()[1], "DebugMessageCallback(0)");
  EXPECT_FALSE(table.DebugOutputConnected());

  // Without a debug extension the flag falls and errors are logged as usual.
  gl.extensions.clear();
  table.SetDebug(true);
  table.LoadForCurrentContext(false);
  EXPECT_FALSE(table.Debug());
  gl.errors = {1282};
  log.lines.clear();
  table.ReportGLErrors();
  EXPECT_EQ(log.lines, std::vector<std::string>{"(EE)   OpenGL error - Invalid Operation"});
}

TEST(GLEntryPoints, PlatformFlagsComeFromTheResolversList) {
  FakeGL gl;
  gl.strings[GL_VERSION] = "4.5";
  gl.platformExtensions = "WGL_ARB_create_context WGL_EXT_swap_control WGL_ARB_pbuffer";
  TGLExtensionsAndEntryPoints table(gl);
  table.LoadForCurrentContext(true);
  EXPECT_TRUE(table.W_ARB_create_context && table.W_EXT_swap_control && table.W_ARB_pbuffer);
  EXPECT_FALSE(table.W_ARB_pixel_format || table.W_ARB_create_context_profile);
}

TEST(GLEntryPoints, GeneratedListsHoldTheAnnouncedCounts) {
  auto lines = [](const std::string& file) {
    std::ifstream in(std::string(VELKORA_SOURCE_DIR) + "/scene3d/" + file);
    EXPECT_TRUE(in.good()) << file;
    std::map<std::string, int> counts;
    std::regex entry(R"(^(\w+)\(.*\)$)");
    for (std::string line; std::getline(in, line);) {
      std::smatch m;
      if (std::regex_match(line, m, entry)) ++counts[m[1]];
    }
    return counts;
  };
  std::map<std::string, int> entries = lines("gl_entry_list.inc");
  EXPECT_EQ(entries["GL_ENTRY"], 893);
  EXPECT_EQ(entries["GL_ENTRY_OR_ALTERNATIVE"], 7);
  EXPECT_EQ(entries["GL_ENTRY_PLAIN"], 5);
  EXPECT_EQ(lines("gl_extension_list.inc")["GL_EXTENSION"], 210);
  EXPECT_EQ(lines("gl_platform_extension_list.inc")["GL_PLATFORM_EXTENSION"], 16);
  EXPECT_EQ(GLEntryCount(), 905);
  EXPECT_EQ(GLExtensionCount(), 210);
  EXPECT_EQ(GLPlatformExtensionCount(), 16);
}

// The texture formats ask the active table: every flag of theirs is the table's flag of that name, and
// nothing is supported while no table is active.
TEST(GLEntryPoints, TextureSupportIsReadFromTheActiveTable) {
  SetActiveGLTable(nullptr);
  EXPECT_FALSE(ActiveTextureSupport().has_value());
  EXPECT_FALSE(FormatSupported(TGLInternalFormat::tfRGBA8)) << "registered when the library started";
  using Flags = std::array<bool, sizeof(TextureSupportFlags)>;
  static_assert(sizeof(TextureSupportFlags) == 26, "one byte per flag");
  {
    ActiveFakeTable fake({}, "1.0");
    EXPECT_EQ(std::bit_cast<Flags>(*ActiveTextureSupport()), Flags{}) << "a bare OpenGL 1.0 table";
    EXPECT_FALSE(FormatSupported(TGLInternalFormat::tfRGBA8));
    fake.table.GLVersion1_1 = fake.table.GLVersion3_1 = true;
#define GL_EXTENSION(field, name) fake.table.field = true;
#include "scene3d/gl_extension_list.inc"
#undef GL_EXTENSION
    Flags all;
    all.fill(true);
    EXPECT_EQ(std::bit_cast<Flags>(*ActiveTextureSupport()), all);
    EXPECT_TRUE(FormatSupported(TGLInternalFormat::tfRGBA8));
    EXPECT_TRUE(FormatSupported(TGLInternalFormat::tfRGBA16_SNORM));
  }
  EXPECT_FALSE(FormatSupported(TGLInternalFormat::tfRGBA8)) << "the table is gone";
}

TEST(GLEntryPoints, LibrariesLoadTogetherOrNotAtAllAndMaskFloatingPointTraps) {
  feenableexcept(FE_DIVBYZERO);
  EXPECT_FALSE(LoadGLLibrariesFrom("libOpenGL.so.0", "libNoSuchGLU.so.1"));
  EXPECT_EQ(OpenGLLibraryHandle(), nullptr) << "a failed pair frees the one that loaded";
  EXPECT_EQ(fegetexcept(), 0) << "floating-point traps are masked";
  volatile double zero = 0;
  EXPECT_TRUE(std::isinf(1.0 / zero));
  if (!LoadGLLibraries()) GTEST_SKIP() << "libOpenGL.so.0 or libGLU.so.1 is not installed";
  EXPECT_NE(GLULibraryHandle(), nullptr);
  EXPECT_NE(GLUProc("gluNewQuadric"), nullptr);
  EXPECT_NE(SystemGLResolver().LibraryProc("glBindTexture"), nullptr);
  FreeGLLibraries();
  EXPECT_EQ(GLUProc("gluNewQuadric"), nullptr);
}

TEST(SilentAbort, StaysInsideTheEdgesItIsCaughtAt) {
  EXPECT_FALSE(CatchSilentAbort([] { SilentAbort(); }));
  EXPECT_TRUE(CatchSilentAbort([] {}));
  EXPECT_THROW(CatchSilentAbort([] { throw std::runtime_error("shown"); }), std::runtime_error)
      << "other failures go on to the caller's guard";

  // A C library calling back: the abort waits until the C call has returned.
  int afterCallback = 0;
  auto cLibrary = [&](void (*callback)(int*)) {
    callback(&afterCallback);
    ++afterCallback;  // the C code goes on after the callback
  };
  EXPECT_THROW(CallThroughC([&] {
                 cLibrary([](int*) { GuardCallback([] { SilentAbort(); }); });
               }),
               EAbort);
  EXPECT_EQ(afterCallback, 1);
  EXPECT_NO_THROW(CallThroughC([&] { cLibrary([](int*) { GuardCallback([] {}); }); }));
}
