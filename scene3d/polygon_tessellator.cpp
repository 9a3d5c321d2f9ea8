#include "scene3d/polygon_tessellator.h"

#include <GL/glu.h>

#include "scene3d/gl_entry_points.h"
#include "scene3d/gl_multitexture.h"
#include "scene3d/rendering_log.h"

namespace scene3d {

namespace {

// The tessellator's entry points, found by name in the loaded libGLU.
struct GluTess {
  decltype(&::gluNewTess) newTess = nullptr;
  decltype(&::gluDeleteTess) deleteTess = nullptr;
  decltype(&::gluTessCallback) callback = nullptr;
  decltype(&::gluTessNormal) normal = nullptr;
  decltype(&::gluTessProperty) property = nullptr;
  decltype(&::gluTessBeginPolygon) beginPolygon = nullptr;
  decltype(&::gluTessBeginContour) beginContour = nullptr;
  decltype(&::gluTessVertex) vertex = nullptr;
  decltype(&::gluTessEndContour) endContour = nullptr;
  decltype(&::gluTessEndPolygon) endPolygon = nullptr;

  bool Complete() const {
    return newTess && deleteTess && callback && normal && property && beginPolygon && beginContour && vertex && endContour &&
           endPolygon;
  }
};

const GluTess& Tess() {
  static GluTess tess;
  static void* library = nullptr;
  if (GLULoadedAnew(library) || !tess.Complete()) {
    FindGLUProc(tess.newTess, "gluNewTess");
    FindGLUProc(tess.deleteTess, "gluDeleteTess");
    FindGLUProc(tess.callback, "gluTessCallback");
    FindGLUProc(tess.normal, "gluTessNormal");
    FindGLUProc(tess.property, "gluTessProperty");
    FindGLUProc(tess.beginPolygon, "gluTessBeginPolygon");
    FindGLUProc(tess.beginContour, "gluTessBeginContour");
    FindGLUProc(tess.vertex, "gluTessVertex");
    FindGLUProc(tess.endContour, "gluTessEndContour");
    FindGLUProc(tess.endPolygon, "gluTessEndPolygon");
  }
  return tess;
}

}  // namespace

// The callbacks get the tessellator object as their polygon data.
struct TessCallbacks {
  static void GLAPIENTRY Begin(GLenum type, void* data) {
    auto* self = static_cast<TPolygonTessellator*>(data);
    if (self->outline_)
      self->outline_->emplace_back();
    else
      ActiveGLTable().Begin(type);
  }
  static void GLAPIENTRY Vertex(void* vertex, void* data) {
    auto* self = static_cast<TPolygonTessellator*>(data);
    const auto* v = static_cast<const GLfloat*>(vertex);
    if (self->outline_) {
      self->outline_->back().push_back({v[0], v[1], v[2]});
      return;
    }
    if (self->textured_) CurrentCoordinator().TexCoord3fv(v);
    ActiveGLTable().Vertex3fv(v);
  }
  static void GLAPIENTRY End(void* data) {
    if (!static_cast<TPolygonTessellator*>(data)->outline_) ActiveGLTable().End();
  }
  static void GLAPIENTRY Error(GLenum, void*) {}
  static void GLAPIENTRY Combine(GLdouble coords[3], void*[4], GLfloat[4], void** out, void* data) {
    auto* self = static_cast<TPolygonTessellator*>(data);
    self->vertices_.push_back({float(coords[0]), float(coords[1]), float(coords[2])});
    ++self->combined_;
    *out = self->vertices_.back().data();
  }
};

TPolygonTessellator::TPolygonTessellator(bool textured) : textured_(textured) { Create(); }

TPolygonTessellator::TPolygonTessellator(TPolygonList& outline) : outline_(&outline) {
  Create();
  if (tess_) Tess().property(tess_, GLU_TESS_BOUNDARY_ONLY, GL_TRUE);
}

void TPolygonTessellator::Create() {
  const GluTess& glu = Tess();
  if (!glu.Complete()) {
    LogLine(lkError, "The GLU tessellator is missing: polygon not filled");
    return;
  }
  tess_ = glu.newTess();
  if (!tess_) return;
  auto set = [&](GLenum which, auto function) { glu.callback(tess_, which, reinterpret_cast<_GLUfuncptr>(function)); };
  set(GLU_TESS_BEGIN_DATA, &TessCallbacks::Begin);
  set(GLU_TESS_VERTEX_DATA, &TessCallbacks::Vertex);
  set(GLU_TESS_END_DATA, &TessCallbacks::End);
  set(GLU_TESS_ERROR_DATA, &TessCallbacks::Error);
  set(GLU_TESS_COMBINE_DATA, &TessCallbacks::Combine);
}

TPolygonTessellator::~TPolygonTessellator() {
  if (tess_) Tess().deleteTess(tess_);
}

void TPolygonTessellator::SetNormal(const TVector3f& normal) {
  if (tess_) Tess().normal(tess_, normal.x, normal.y, normal.z);
}

void TPolygonTessellator::SetPositiveWinding() {
  if (tess_) Tess().property(tess_, GLU_TESS_WINDING_RULE, GLU_TESS_WINDING_POSITIVE);
}

void TPolygonTessellator::BeginPolygon() {
  if (tess_) Tess().beginPolygon(tess_, this);
}

void TPolygonTessellator::BeginContour() {
  if (tess_) Tess().beginContour(tess_);
}

void TPolygonTessellator::Vertex(const TVector3f& point) {
  if (!tess_) return;
  vertices_.push_back({point.x, point.y, point.z});
  coordinates_.push_back({point.x, point.y, point.z});
  Tess().vertex(tess_, coordinates_.back().data(), vertices_.back().data());
}

void TPolygonTessellator::EndContour() {
  if (tess_) Tess().endContour(tess_);
}

void TPolygonTessellator::Contour(std::span<const TVector3f> points, bool reversed) {
  BeginContour();
  const size_t n = points.size();
  for (size_t i = 0; i < n; ++i) Vertex(points[reversed ? n - 1 - i : i]);
  EndContour();
}

void TPolygonTessellator::EndPolygon() {
  if (tess_) Tess().endPolygon(tess_);
}

}  // namespace scene3d
