// The multitexture coordinator of a context: scene objects send texture coordinates and texture
// generation through its fifteen routines, and the map mode decides where they go: nowhere
// (mtcmNull), to OpenGL itself (mtcmMain, unit 0), to unit 1 only (mtcmSecond), to units 0 and 1
// (mtcmDual), or to a list of units (mtcmArbitrary). Changes between BeginUpdate and EndUpdate wait
// for the end and are applied once.
//   TGLMultitextureCoordinator& mtc = CurrentCoordinator();
//   mtc.MapArbitraryUnits(0b101);  mtc.TexCoord2f(s, t);   // units 0 and 2
#pragma once

#include <cstdint>
#include <vector>

#include "scene3d/gl_entry_points.h"
#include "scene3d/persistent.h"

namespace scene3d {

class TGLContext;

enum TMapTexCoordMode : uint8_t { mtcmUndefined, mtcmNull, mtcmMain, mtcmDual, mtcmSecond, mtcmArbitrary };

class TAbstractMultitextureCoordinator : public TObject {
 public:
  explicit TAbstractMultitextureCoordinator(TGLContext& owner) : owner_(&owner) {}
  std::string ClassName() const override { return "TAbstractMultitextureCoordinator"; }
  TGLContext& Owner() const { return *owner_; }

 private:
  TGLContext* owner_;
};

class TGLMultitextureCoordinator : public TAbstractMultitextureCoordinator {
 public:
  // Starts undefined and maps to nothing: coordinates are dropped until something is mapped.
  explicit TGLMultitextureCoordinator(TGLContext& owner);
  std::string ClassName() const override { return "TGLMultitextureCoordinator"; }

  // The fifteen routines.
  void TexCoord2f(GLfloat s, GLfloat t);
  void TexCoord2fv(const GLfloat* v);
  void TexCoord3f(GLfloat s, GLfloat t, GLfloat r);
  void TexCoord3fv(const GLfloat* v);
  void TexCoord4f(GLfloat s, GLfloat t, GLfloat r, GLfloat q);
  void TexCoord4fv(const GLfloat* v);
  void TexGenf(GLenum coord, GLenum pname, GLfloat param);
  void TexGenfv(GLenum coord, GLenum pname, const GLfloat* params);
  void TexGeni(GLenum coord, GLenum pname, GLint param);
  void TexGeniv(GLenum coord, GLenum pname, const GLint* params);
  void TexCoordPointer(GLint size, GLenum type, GLsizei stride, const GLvoid* pointer);
  void EnableClientState(GLenum array);
  void DisableClientState(GLenum array);
  void Enable(GLenum cap);
  void Disable(GLenum cap);

  void BeginUpdate();
  void EndUpdate();
  void MapNull();
  void MapMain();
  void MapDual();
  void MapSecond();
  // Units as GL_TEXTURE0 + n.
  void MapArbitrary(const std::vector<GLenum>& units);
  // The units of bits 0..7, in increasing order.
  void MapArbitraryUnits(uint8_t bits);
  void MapArbitraryAdd(uint8_t bits);
  // Bit n for unit n (the unit name modulo 32): by the pending mode while updating.
  uint32_t MappedUnits() const;

  TMapTexCoordMode MapMode() const { return mode_; }
  const std::vector<GLenum>& Units() const { return units_; }
  bool SecondTextureUnitForbidden() const { return secondForbidden_; }
  void SetSecondTextureUnitForbidden(bool flag) { secondForbidden_ = flag; }

 private:
  // Installs the routines of `mode` (unless they are in already).
  void Apply(TMapTexCoordMode mode);
  void Map(TMapTexCoordMode mode);
  // The routines of the mode in force, by kind: coordinates (plain call, or the MultiTexCoord form
  // with a unit), server-side state (units selected through the state cache) and client-side state
  // (units selected with ClientActiveTexture).
  template <class Plain, class Multi>
  void Coordinates(Plain plain, Multi multi);
  template <class Call>
  void ServerSide(Call call);
  template <class Call>
  void ClientSide(Call call);

  TMapTexCoordMode mode_ = mtcmUndefined;
  int32_t updateCount_ = 0;
  TMapTexCoordMode pending_ = mtcmUndefined;
  std::vector<GLenum> units_;
  bool secondForbidden_ = false;
  // The table mtcmMain calls: the one active when the mode was set.
  TGLExtensionsAndEntryPoints* mainTable_ = nullptr;
};

// The coordinator of the current context; no current context logs "No active rendering context"
// and aborts silently.
TGLMultitextureCoordinator& CurrentCoordinator();

}  // namespace scene3d
