#include "scene3d/plane.h"

#include <algorithm>
#include <cmath>

#include "scene3d/gl_entry_points.h"
#include "scene3d/gl_multitexture.h"
#include "scene3d/vectors.h"
#include "scene3d/stored_object.h"

namespace scene3d {

TGLPlane::TGLPlane(TComponent* owner) : TGLStageObject(owner) { SetObjectStyle(uint8_t(ObjectStyle() | osDirectDraw)); }

void TGLPlane::SetXTiles(int32_t value) {
  if (StoreChanged(xTiles_, std::max(value, 1))) StructureChanged();
}

void TGLPlane::SetYTiles(int32_t value) {
  if (StoreChanged(yTiles_, std::max(value, 1))) StructureChanged();
}

void TGLPlane::SetStyle(TPlaneStyles style) {
  if (StoreChanged(style_, style)) StructureChanged();
}

TVector4f TGLPlane::HalfExtents() const { return {std::fabs(width_) * 0.5f, std::fabs(height_) * 0.5f, 0, 0}; }

bool TGLPlane::RayIntersect(const TVector4f& rayStart, const TVector4f& rayVector, TVector4f* hit, TVector4f* normal) {
  const TVector4f o = AbsoluteToLocal(PointFromAffine(TVector3f{rayStart.x, rayStart.y, rayStart.z}));
  const TVector4f d = AbsoluteToLocal(DirectionFromAffine(TVector3f{rayVector.x, rayVector.y, rayVector.z}));
  if (d.z == 0) return false;
  const float t = -o.z / d.z;
  if (!(t > 0)) return false;
  const TVector4f p{o.x + t * d.x, o.y + t * d.y, 0, 1};
  if (std::fabs(p.x) > std::fabs(width_) * 0.5f || std::fabs(p.y) > std::fabs(height_) * 0.5f) return false;
  if (hit) *hit = LocalToAbsolute(p);
  if (normal) *normal = VectorNormalized4(LocalToAbsolute(TVector4f{0, 0, d.z > 0 ? -1.0f : 1.0f, 0}));
  return true;
}

std::unique_ptr<TGLSilhouette> TGLPlane::BuildSilhouette(const TOutlineRequest& request) {
  auto silhouette = std::make_unique<TGLSilhouette>();
  silhouette->Request = request;
  const float w = width_ * 0.5f, h = height_ * 0.5f;
  silhouette->Vertices.AddPoint(-w, -h, 0);
  silhouette->Vertices.AddPoint(w, -h, 0);
  silhouette->Vertices.AddPoint(w, h, 0);
  silhouette->Vertices.AddPoint(-w, h, 0);
  for (int i = 0; i < 4; ++i) silhouette->OutlineEdges.Add(i, (i + 1) % 4);
  if (request.WithCaps) {
    silhouette->CapTriangles.Add(0, 1, 2);
    silhouette->CapTriangles.Add(2, 3, 0);
  }
  return silhouette;
}

void TGLPlane::BuildList(RenderContextInfo&) {
  TGLExtensionsAndEntryPoints& gl = ActiveGLTable();
  TGLMultitextureCoordinator& coordinator = CurrentCoordinator();
  const float w = width_ * 0.5f, h = height_ * 0.5f;
  gl.Normal3f(0, 0, 1);
  if (style_ & psSingleQuad) {
    const bool tile = (style_ & psTileTexture) != 0;
    const float s1 = tile ? float(xTiles_) * xScope_ + xOffset_ : xScope_;
    const float t1 = tile ? float(yTiles_) * yScope_ + yOffset_ : yScope_;
    gl.Begin(GL_QUADS);
    coordinator.TexCoord2f(s1, t1);
    gl.Vertex3f(w, h, 0);
    coordinator.TexCoord2f(xOffset_, t1);
    gl.Vertex3f(-w, h, 0);
    coordinator.TexCoord2f(xOffset_, yOffset_);
    gl.Vertex3f(-w, -h, 0);
    coordinator.TexCoord2f(s1, yOffset_);
    gl.Vertex3f(w, -h, 0);
    gl.End();
    return;
  }
  for (int j = 0; j < yTiles_; ++j) {
    gl.Begin(GL_TRIANGLE_STRIP);
    for (int i = 0; i <= xTiles_; ++i) {
      const float u = float(i) / float(xTiles_);
      const float x = -w + 2 * w * u;
      for (int k = 1; k >= 0; --k) {
        const float v = float(j + k) / float(yTiles_);
        coordinator.TexCoord2f(xOffset_ + u * xScope_, yOffset_ + v * yScope_);
        gl.Vertex3f(x, -h + 2 * h * v, 0);
      }
    }
    gl.End();
  }
}

void TGLPlane::Assign(const TPersistent* source) {
  if (auto* plane = dynamic_cast<const TGLPlane*>(source)) {
    width_ = plane->width_;
    height_ = plane->height_;
    xOffset_ = plane->xOffset_;
    yOffset_ = plane->yOffset_;
    xScope_ = plane->xScope_;
    yScope_ = plane->yScope_;
    xTiles_ = plane->xTiles_;
    yTiles_ = plane->yTiles_;
    style_ = plane->style_;
    StructureChanged();
  }
  TGLStageObject::Assign(source);
}

void TGLPlane::DefinePublished(TFiler& filer) {
  TGLStageObject::DefinePublished(filer);
  DefineSingle(filer, "Width", width_, [this](float v) { SetWidth(v); }, 1);
  DefineSingle(filer, "Height", height_, [this](float v) { SetHeight(v); }, 1);
  DefineSingle(filer, "XOffset", xOffset_, [this](float v) { SetXOffset(v); }, 0);
  DefineSingle(filer, "YOffset", yOffset_, [this](float v) { SetYOffset(v); }, 0);
  DefineSingle(filer, "XScope", xScope_, [this](float v) { SetXScope(v); }, 1);
  DefineSingle(filer, "YScope", yScope_, [this](float v) { SetYScope(v); }, 1);
  DefineSubdivisions(filer, "XTiles", xTiles_, [this](int32_t v) { SetXTiles(v); }, 1);
  DefineSubdivisions(filer, "YTiles", yTiles_, [this](int32_t v) { SetYTiles(v); }, 1);
  DefineBits(filer, "Style", style_, [this](uint32_t v) { SetStyle(TPlaneStyles(v)); }, psSingleQuad | psTileTexture,
             psSingleQuad | psTileTexture);
}

}  // namespace scene3d
