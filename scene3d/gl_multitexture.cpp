#include "scene3d/gl_multitexture.h"

#include <algorithm>

#include "scene3d/gl_context.h"

namespace scene3d {

TGLMultitextureCoordinator::TGLMultitextureCoordinator(TGLContext& owner) : TAbstractMultitextureCoordinator(owner) {
  MapNull();
}

TGLMultitextureCoordinator& CurrentCoordinator() {
  // Asked of the context each time: a remembered coordinator could outlive its context.
  return static_cast<TGLMultitextureCoordinator&>(SafeCurrentContext().MultitextureCoordinator());
}

// --- Routing ---------------------------------------------------------------------------------------------

template <class Plain, class Multi>
void TGLMultitextureCoordinator::Coordinates(Plain plain, Multi multi) {
  TGLExtensionsAndEntryPoints& gl = Owner().GL();
  switch (mode_) {
    case mtcmMain: plain(*mainTable_); break;
    case mtcmSecond: multi(gl, GLenum(GL_TEXTURE1)); break;
    case mtcmDual:
      plain(gl);
      multi(gl, GLenum(GL_TEXTURE1));
      break;
    case mtcmArbitrary:
      for (GLenum unit : units_) multi(gl, unit);
      break;
    default: break;
  }
}

template <class Call>
void TGLMultitextureCoordinator::ServerSide(Call call) {
  TGLExtensionsAndEntryPoints& gl = Owner().GL();
  TGLStateCache& states = Owner().GLStates();
  switch (mode_) {
    case mtcmMain: call(*mainTable_); break;
    case mtcmSecond:
      states.SetActiveTextureUnit(1);
      call(gl);
      break;
    case mtcmDual:
      states.SetActiveTextureUnit(0);
      call(gl);
      states.SetActiveTextureUnit(1);
      call(gl);
      break;
    case mtcmArbitrary:
      for (GLenum unit : units_) {
        states.SetActiveTextureUnit(int(unit - GL_TEXTURE0));
        call(gl);
      }
      break;
    default: break;
  }
}

template <class Call>
void TGLMultitextureCoordinator::ClientSide(Call call) {
  TGLExtensionsAndEntryPoints& gl = Owner().GL();
  switch (mode_) {
    case mtcmMain: call(*mainTable_); break;
    case mtcmSecond:
      gl.ClientActiveTexture(GL_TEXTURE1);
      call(gl);
      gl.ClientActiveTexture(GL_TEXTURE0);
      break;
    case mtcmDual:
      call(gl);
      gl.ClientActiveTexture(GL_TEXTURE1);
      call(gl);
      gl.ClientActiveTexture(GL_TEXTURE0);
      break;
    case mtcmArbitrary:
      for (GLenum unit : units_) {
        gl.ClientActiveTexture(unit);
        call(gl);
      }
      break;
    default: break;
  }
}

using Table = TGLExtensionsAndEntryPoints;

void TGLMultitextureCoordinator::TexCoord2f(GLfloat s, GLfloat t) {
  Coordinates([&](Table& gl) { gl.TexCoord2f(s, t); }, [&](Table& gl, GLenum u) { gl.MultiTexCoord2f(u, s, t); });
}
void TGLMultitextureCoordinator::TexCoord2fv(const GLfloat* v) {
  Coordinates([&](Table& gl) { gl.TexCoord2fv(v); }, [&](Table& gl, GLenum u) { gl.MultiTexCoord2fv(u, v); });
}
void TGLMultitextureCoordinator::TexCoord3f(GLfloat s, GLfloat t, GLfloat r) {
  Coordinates([&](Table& gl) { gl.TexCoord3f(s, t, r); }, [&](Table& gl, GLenum u) { gl.MultiTexCoord3f(u, s, t, r); });
}
void TGLMultitextureCoordinator::TexCoord3fv(const GLfloat* v) {
  Coordinates([&](Table& gl) { gl.TexCoord3fv(v); }, [&](Table& gl, GLenum u) { gl.MultiTexCoord3fv(u, v); });
}
void TGLMultitextureCoordinator::TexCoord4f(GLfloat s, GLfloat t, GLfloat r, GLfloat q) {
  Coordinates([&](Table& gl) { gl.TexCoord4f(s, t, r, q); }, [&](Table& gl, GLenum u) { gl.MultiTexCoord4f(u, s, t, r, q); });
}
void TGLMultitextureCoordinator::TexCoord4fv(const GLfloat* v) {
  Coordinates([&](Table& gl) { gl.TexCoord4fv(v); }, [&](Table& gl, GLenum u) { gl.MultiTexCoord4fv(u, v); });
}
void TGLMultitextureCoordinator::TexGenf(GLenum coord, GLenum pname, GLfloat param) {
  ServerSide([&](Table& gl) { gl.TexGenf(coord, pname, param); });
}
void TGLMultitextureCoordinator::TexGenfv(GLenum coord, GLenum pname, const GLfloat* params) {
  ServerSide([&](Table& gl) { gl.TexGenfv(coord, pname, params); });
}
void TGLMultitextureCoordinator::TexGeni(GLenum coord, GLenum pname, GLint param) {
  ServerSide([&](Table& gl) { gl.TexGeni(coord, pname, param); });
}
void TGLMultitextureCoordinator::TexGeniv(GLenum coord, GLenum pname, const GLint* params) {
  ServerSide([&](Table& gl) { gl.TexGeniv(coord, pname, params); });
}
void TGLMultitextureCoordinator::Enable(GLenum cap) {
  ServerSide([&](Table& gl) { gl.Enable(cap); });
}
void TGLMultitextureCoordinator::Disable(GLenum cap) {
  ServerSide([&](Table& gl) { gl.Disable(cap); });
}
void TGLMultitextureCoordinator::TexCoordPointer(GLint size, GLenum type, GLsizei stride, const GLvoid* pointer) {
  ClientSide([&](Table& gl) { gl.TexCoordPointer(size, type, stride, pointer); });
}
void TGLMultitextureCoordinator::EnableClientState(GLenum array) {
  ClientSide([&](Table& gl) { gl.EnableClientState(array); });
}
void TGLMultitextureCoordinator::DisableClientState(GLenum array) {
  ClientSide([&](Table& gl) { gl.DisableClientState(array); });
}

// --- Modes -----------------------------------------------------------------------------------------------------

void TGLMultitextureCoordinator::Apply(TMapTexCoordMode mode) {
  if (mode == mtcmMain) mainTable_ = &ActiveGLTable();
  mode_ = mode;
}

void TGLMultitextureCoordinator::Map(TMapTexCoordMode mode) {
  if (updateCount_ > 0)
    pending_ = mode;
  else if (mode != mode_)
    Apply(mode);
}

void TGLMultitextureCoordinator::BeginUpdate() {
  if (updateCount_ == 0) pending_ = mode_;
  ++updateCount_;
}

void TGLMultitextureCoordinator::EndUpdate() {
  if (updateCount_ <= 0) return;
  if (--updateCount_ == 0 && pending_ != mode_) Apply(pending_);
}

void TGLMultitextureCoordinator::MapNull() { Map(mtcmNull); }
void TGLMultitextureCoordinator::MapMain() { Map(mtcmMain); }
void TGLMultitextureCoordinator::MapDual() { Map(secondForbidden_ ? mtcmMain : mtcmDual); }
void TGLMultitextureCoordinator::MapSecond() { Map(secondForbidden_ ? mtcmNull : mtcmSecond); }

void TGLMultitextureCoordinator::MapArbitrary(const std::vector<GLenum>& units) {
  units_ = units;
  if (secondForbidden_) units_.erase(std::remove(units_.begin(), units_.end(), GLenum(GL_TEXTURE1)), units_.end());
  Map(mtcmArbitrary);
}

void TGLMultitextureCoordinator::MapArbitraryUnits(uint8_t bits) {
  std::vector<GLenum> units;
  for (int bit = 0; bit < 8; ++bit)
    if (bits & (1u << bit)) units.push_back(GLenum(GL_TEXTURE0 + bit));
  MapArbitrary(units);
}

void TGLMultitextureCoordinator::MapArbitraryAdd(uint8_t bits) { MapArbitraryUnits(uint8_t(bits | MappedUnits())); }

uint32_t TGLMultitextureCoordinator::MappedUnits() const {
  switch (updateCount_ > 0 ? pending_ : mode_) {
    case mtcmMain: return 1;
    case mtcmDual: return 3;
    case mtcmSecond: return 2;
    case mtcmArbitrary: {
      uint32_t bits = 0;
      for (GLenum unit : units_) bits |= 1u << (unit % 32);
      return bits;
    }
    default: return 0;
  }
}

}  // namespace scene3d
