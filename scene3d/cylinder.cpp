#include "scene3d/cylinder.h"

#include <algorithm>
#include <cmath>
#include <optional>

#include "scene3d/gl_entry_points.h"
#include "scene3d/polynomial_roots.h"
#include "scene3d/silhouette.h"
#include "scene3d/vectors.h"
#include "scene3d/stored_object.h"

namespace scene3d {

// --- TGLCylinderBase ----------------------------------------------------------------------------------------

void TGLCylinderBase::SetBottomRadius(float radius) {
  if (StoreChanged(bottomRadius_, radius)) StructureChanged();
}

void TGLCylinderBase::SetHeight(float height) {
  if (StoreChanged(height_, height)) StructureChanged();
}

void TGLCylinderBase::SetSlices(int32_t slices) {
  if (StoreChanged(slices_, slices)) StructureChanged();
}

void TGLCylinderBase::SetStacks(int32_t stacks) {
  if (StoreChanged(stacks_, stacks)) StructureChanged();
}

void TGLCylinderBase::SetLoops(int32_t loops) {
  if (loops > 0 && StoreChanged(loops_, loops)) StructureChanged();
}

std::unique_ptr<TGLSilhouette> TGLCylinderBase::BuildSilhouette(const TOutlineRequest& request) {
  TConnectivity connectivity(true);
  const int segments = std::max(slices_, 5);
  const float h = height_ * 0.5f, rb = bottomRadius_, rt = TopRadiusValue();
  const TVector3f bottomCentre{0, -h, 0}, topCentre{0, h, 0};
  for (int i = 0; i < segments; ++i) {
    const double a1 = 2 * M_PI * i / segments, a2 = 2 * M_PI * (i + 1) / segments;
    const float s1 = float(std::sin(a1)), c1 = float(std::cos(a1)), s2 = float(std::sin(a2)), c2 = float(std::cos(a2));
    const TVector3f b1{rb * s1, -h, rb * c1}, b2{rb * s2, -h, rb * c2};
    const TVector3f t1{rt * s1, h, rt * c1}, t2{rt * s2, h, rt * c2};
    connectivity.AddFace(b1, b2, t2);
    connectivity.AddFace(t2, t1, b1);
    connectivity.AddFace(bottomCentre, b2, b1);
    connectivity.AddFace(topCentre, t1, t2);
  }
  std::unique_ptr<TGLSilhouette> silhouette;
  connectivity.BuildOutline(request, silhouette, false);
  return silhouette;
}

void TGLCylinderBase::Assign(const TPersistent* source) {
  if (auto* cylinder = dynamic_cast<const TGLCylinderBase*>(source)) {
    SetBottomRadius(cylinder->bottomRadius_);
    SetHeight(cylinder->height_);
    SetSlices(cylinder->slices_);
    SetStacks(cylinder->stacks_);
    SetLoops(cylinder->loops_);
  }
  TGLQuadricObject::Assign(source);
}

// --- TGLCylinder ----------------------------------------------------------------------------------------------

void TGLCylinder::SetTopRadius(float radius) {
  if (StoreChanged(topRadius_, radius)) StructureChanged();
}

void TGLCylinder::SetParts(TCylinderParts parts) {
  if (StoreChanged(parts_, TCylinderParts(parts & 7))) StructureChanged();
}

void TGLCylinder::SetAlignment(TCylinderAlignment alignment) {
  if (StoreChanged(alignment_, alignment)) StructureChanged();
}

float TGLCylinder::BottomY() const {
  switch (alignment_) {
    case caTop: return -Height();
    case caBottom: return 0;
    default: return -Height() * 0.5f;
  }
}

TVector4f TGLCylinder::HalfExtents() const {
  const float r = std::max(std::fabs(topRadius_), std::fabs(BottomRadius()));
  const float h = alignment_ == caCenter ? std::fabs(Height()) * 0.5f : std::fabs(Height());
  return {r, h, r, 0};
}

void TGLCylinder::BuildList(RenderContextInfo&) {
  TGLExtensionsAndEntryPoints& gl = ActiveGLTable();
  TQuadric quadric;
  SetupQuadric(quadric);
  gl.PushMatrix();
  gl.Rotatef(-90, 1, 0, 0);
  // Along the quadric's Z, which is now the object's Y.
  if (alignment_ != caBottom) gl.Translatef(0, 0, BottomY());
  if (parts_ & cySides) quadric.Cylinder(BottomRadius(), topRadius_, Height(), Slices(), Stacks());
  if (parts_ & cyTop) {
    gl.PushMatrix();
    gl.Translatef(0, 0, Height());
    quadric.Disk(0, topRadius_, Slices(), Loops());
    gl.PopMatrix();
  }
  if (parts_ & cyBottom) {
    SetInvertedOrientation(quadric);
    quadric.Disk(0, BottomRadius(), Slices(), Loops());
  }
  gl.PopMatrix();
}

std::optional<TTaperedHit> RayTaperedCylinder(const TVector4f& o, const TVector4f& d, double y0, double y1, double rb,
                                              double rt, bool side, bool top, bool bottom) {
  std::optional<double> best;
  TVector3f bestNormal;
  auto consider = [&](double t, const TVector3f& n) {
    if (t > 0 && (!best || t < *best)) {
      best = t;
      bestNormal = n;
    }
  };
  auto at = [&](double t) { return TVector3f{float(o.x + t * d.x), float(o.y + t * d.y), float(o.z + t * d.z)}; };
  // The caps, each within its own radius.
  if (d.y != 0) {
    if (top) {
      const double t = (y1 - o.y) / d.y;
      const TVector3f p = at(t);
      if (double(p.x) * p.x + double(p.z) * p.z <= rt * rt) consider(t, {0, 1, 0});
    }
    if (bottom) {
      const double t = (y0 - o.y) / d.y;
      const TVector3f p = at(t);
      if (double(p.x) * p.x + double(p.z) * p.z <= rb * rb) consider(t, {0, -1, 0});
    }
  }
  // The side: x² + z² = r(y)², r running straight from rb at y0 to rt at y1.
  const double h = y1 - y0;
  if (side && h != 0) {
    const double k = (rt - rb) / h;
    const double a = rb + k * (o.y - y0);  // r at the ray's start
    const double c2 = double(d.x) * d.x + double(d.z) * d.z - k * k * d.y * d.y;
    const double c1 = 2 * (double(o.x) * d.x + double(o.z) * d.z - a * k * d.y);
    const double c0 = double(o.x) * o.x + double(o.z) * o.z - a * a;
    for (double t : SolveQuadratic(c0, c1, c2)) {
      const TVector3f p = at(t);
      const double y = o.y + t * d.y;
      const double r = rb + k * (y - y0);
      // Within the height, and not on the mirrored cone past an apex.
      if (y < std::min(y0, y1) || y > std::max(y0, y1) || r < 0) continue;
      TVector3f n{p.x, float(-k * r), p.z};
      if (AffineIsNull(n)) continue;
      consider(t, AffineNormalized(n));
    }
  }
  if (!best) return std::nullopt;
  return TTaperedHit{at(*best), bestNormal};
}

bool TGLCylinder::RayIntersect(const TVector4f& rayStart, const TVector4f& rayVector, TVector4f* hit, TVector4f* normal) {
  const TVector4f o = AbsoluteToLocal(PointFromAffine(TVector3f{rayStart.x, rayStart.y, rayStart.z}));
  const TVector4f d = AbsoluteToLocal(DirectionFromAffine(TVector3f{rayVector.x, rayVector.y, rayVector.z}));
  const std::optional<TTaperedHit> found = RayTaperedCylinder(o, d, BottomY(), TopY(), BottomRadius(), topRadius_,
                                                              parts_ & cySides, parts_ & cyTop, parts_ & cyBottom);
  if (!found) return false;
  if (hit) *hit = LocalToAbsolute(PointFromAffine(found->point));
  if (normal) *normal = VectorNormalized4(LocalToAbsolute(DirectionFromAffine(found->normal)));
  return true;
}

void TGLCylinder::Assign(const TPersistent* source) {
  if (auto* cylinder = dynamic_cast<const TGLCylinder*>(source)) {
    SetParts(cylinder->parts_);
    SetTopRadius(cylinder->topRadius_);
    SetAlignment(cylinder->alignment_);
  }
  TGLCylinderBase::Assign(source);
}

void TGLCylinderBase::DefinePublished(TFiler& filer) {
  TGLQuadricObject::DefinePublished(filer);
  DefineSingle(filer, "BottomRadius", bottomRadius_, [this](float v) { SetBottomRadius(v); }, 0.5f);
  DefineSingle(filer, "Height", height_, [this](float v) { SetHeight(v); }, 1);
  DefineSubdivisions(filer, "Slices", slices_, [this](int32_t v) { SetSlices(v); }, 16);
  DefineSubdivisions(filer, "Stacks", stacks_, [this](int32_t v) { SetStacks(v); }, 4);
  DefineSubdivisions(filer, "Loops", loops_, [this](int32_t v) { SetLoops(v); }, 1);
}

void TGLCylinder::DefinePublished(TFiler& filer) {
  TGLCylinderBase::DefinePublished(filer);
  DefineSingle(filer, "TopRadius", topRadius_, [this](float v) { SetTopRadius(v); }, 0.5f);
  DefineBits(filer, "Parts", parts_, [this](uint32_t v) { SetParts(TCylinderParts(v)); }, cySides | cyBottom | cyTop,
             cySides | cyBottom | cyTop);
  DefineEnum<TCylinderAlignment>(filer, "Alignment", alignment_, [this](TCylinderAlignment v) { SetAlignment(v); },
                                 caCenter, caBottom);
}

}  // namespace scene3d
