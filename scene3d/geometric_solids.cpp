#include "scene3d/geometric_solids.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <optional>
#include <vector>

#include "platform/binary_stream.h"
#include "scene3d/filer.h"
#include "scene3d/gl_entry_points.h"
#include "scene3d/gl_multitexture.h"
#include "scene3d/polynomial_roots.h"
#include "scene3d/vectors.h"
#include "scene3d/stored_object.h"

namespace scene3d {

namespace {

TVector4f LocalPoint(TGLBaseSceneObject& object, const TVector4f& p) {
  return object.AbsoluteToLocal(PointFromAffine(TVector3f{p.x, p.y, p.z}));
}

TVector4f LocalDirection(TGLBaseSceneObject& object, const TVector4f& v) {
  return object.AbsoluteToLocal(DirectionFromAffine(TVector3f{v.x, v.y, v.z}));
}

void Answer(TGLBaseSceneObject& object, const TVector3f& point, const TVector3f& n, TVector4f* hit, TVector4f* normal) {
  if (hit) *hit = object.LocalToAbsolute(PointFromAffine(point));
  if (normal) *normal = VectorNormalized4(object.LocalToAbsolute(DirectionFromAffine(n)));
}

// A strip between two rings of vertices that share their normals' formula: ring vertices in pairs
// (first, second) of equal index.
struct RingVertex {
  TVector3f point, normal;
};

void RingStrip(const std::vector<RingVertex>& first, const std::vector<RingVertex>& second) {
  TGLExtensionsAndEntryPoints& gl = ActiveGLTable();
  gl.Begin(GL_TRIANGLE_STRIP);
  for (size_t i = 0; i < first.size(); ++i) {
    for (const RingVertex* v : {&first[i], &second[i]}) {
      gl.Normal3fv(&v->normal.x);
      gl.Vertex3fv(&v->point.x);
    }
  }
  gl.End();
}

}  // namespace

// --- Disk -------------------------------------------------------------------------------------------------------

TVector4f TGLDisk::HalfExtents() const {
  const float r = std::fabs(outerRadius_);
  return {r, r, 0, 0};
}

bool TGLDisk::RayIntersect(const TVector4f& rayStart, const TVector4f& rayVector, TVector4f* hit, TVector4f* normal) {
  const TVector4f o = LocalPoint(*this, rayStart), d = LocalDirection(*this, rayVector);
  if (d.z == 0) return false;
  const double t = -double(o.z) / d.z;
  if (!(t > 0)) return false;
  const TVector3f p{float(o.x + t * d.x), float(o.y + t * d.y), 0};
  const double r = std::hypot(p.x, p.y);
  if (r < innerRadius_ || r > outerRadius_) return false;
  if (std::fabs(sweepAngle_) < 360) {
    const double angle = std::atan2(p.x, p.y) * 180 / M_PI;
    double offset = std::fmod((sweepAngle_ >= 0 ? angle - startAngle_ : startAngle_ - angle), 360.0);
    if (offset < 0) offset += 360;
    if (offset > std::fabs(sweepAngle_)) return false;
  }
  Answer(*this, p, {0, 0, d.z > 0 ? -1.0f : 1.0f}, hit, normal);
  return true;
}

void TGLDisk::BuildList(RenderContextInfo&) {
  TQuadric quadric;
  SetupQuadric(quadric);
  quadric.PartialDisk(innerRadius_, outerRadius_, slices_, loops_, startAngle_, sweepAngle_);
}

void TGLDisk::Assign(const TPersistent* source) {
  if (auto* disk = dynamic_cast<const TGLDisk*>(source)) {
    innerRadius_ = disk->innerRadius_;
    outerRadius_ = disk->outerRadius_;
    slices_ = disk->slices_;
    loops_ = disk->loops_;
    startAngle_ = disk->startAngle_;
    sweepAngle_ = disk->sweepAngle_;
    StructureChanged();
  }
  TGLQuadricObject::Assign(source);
}

// --- Cone --------------------------------------------------------------------------------------------------------

void TGLCone::SetParts(TConeParts parts) {
  if (StoreChanged(parts_, TConeParts(parts & 3))) StructureChanged();
}

TVector4f TGLCone::HalfExtents() const {
  const float r = std::fabs(BottomRadius());
  return {r, Height() * 0.5f, r, 0};
}

bool TGLCone::RayIntersect(const TVector4f& rayStart, const TVector4f& rayVector, TVector4f* hit, TVector4f* normal) {
  const double h = Height() * 0.5;
  const std::optional<TTaperedHit> found = RayTaperedCylinder(LocalPoint(*this, rayStart), LocalDirection(*this, rayVector),
                                                              -h, h, BottomRadius(), 0, parts_ & coSides, false,
                                                              parts_ & coBottom);
  if (!found) return false;
  Answer(*this, found->point, found->normal, hit, normal);
  return true;
}

void TGLCone::BuildList(RenderContextInfo&) {
  TGLExtensionsAndEntryPoints& gl = ActiveGLTable();
  TQuadric quadric;
  SetupQuadric(quadric);
  gl.PushMatrix();
  gl.Rotatef(-90, 1, 0, 0);
  gl.Translatef(0, 0, -Height() * 0.5f);
  if (parts_ & coSides) quadric.Cylinder(BottomRadius(), 0, Height(), Slices(), Stacks());
  if (parts_ & coBottom) {
    SetInvertedOrientation(quadric);
    quadric.Disk(0, BottomRadius(), Slices(), Loops());
  }
  gl.PopMatrix();
}

void TGLCone::Assign(const TPersistent* source) {
  if (auto* cone = dynamic_cast<const TGLCone*>(source)) SetParts(cone->parts_);
  TGLCylinderBase::Assign(source);
}

// --- Annulus -----------------------------------------------------------------------------------------------------

void TGLAnnulus::SetBottomInnerRadius(float value) {
  if (StoreChanged(bottomInner_, value)) StructureChanged();
}

void TGLAnnulus::SetTopInnerRadius(float value) {
  if (StoreChanged(topInner_, value)) StructureChanged();
}

void TGLAnnulus::SetTopRadius(float value) {
  if (StoreChanged(topRadius_, value)) StructureChanged();
}

void TGLAnnulus::SetParts(TAnnulusParts parts) {
  if (StoreChanged(parts_, TAnnulusParts(parts & 15))) StructureChanged();
}

TVector4f TGLAnnulus::HalfExtents() const {
  const float r = std::max(std::fabs(BottomRadius()), std::fabs(topRadius_));
  return {r, Height() * 0.5f, r, 0};
}

void TGLAnnulus::BuildList(RenderContextInfo&) {
  TGLExtensionsAndEntryPoints& gl = ActiveGLTable();
  TQuadric quadric;
  SetupQuadric(quadric);
  gl.PushMatrix();
  gl.Rotatef(-90, 1, 0, 0);
  gl.Translatef(0, 0, -Height() * 0.5f);
  if (parts_ & anOuterSides) quadric.Cylinder(BottomRadius(), topRadius_, Height(), Slices(), Stacks());
  if (parts_ & anTop) {
    gl.PushMatrix();
    gl.Translatef(0, 0, Height());
    quadric.Disk(topInner_, topRadius_, Slices(), Loops());
    gl.PopMatrix();
  }
  SetInvertedOrientation(quadric);
  if (parts_ & anBottom) quadric.Disk(bottomInner_, BottomRadius(), Slices(), Loops());
  if (parts_ & anInnerSides) quadric.Cylinder(bottomInner_, topInner_, Height(), Slices(), Stacks());
  gl.PopMatrix();
}

void TGLAnnulus::Assign(const TPersistent* source) {
  if (auto* annulus = dynamic_cast<const TGLAnnulus*>(source)) {
    bottomInner_ = annulus->bottomInner_;
    topInner_ = annulus->topInner_;
    topRadius_ = annulus->topRadius_;
    parts_ = annulus->parts_;
    StructureChanged();
  }
  TGLCylinderBase::Assign(source);
}

// --- Capsule -----------------------------------------------------------------------------------------------------

void TGLCapsule::SetHeight(float value) {
  if (StoreChanged(height_, value)) StructureChanged();
}

void TGLCapsule::SetRadius(float value) {
  if (StoreChanged(radius_, value)) StructureChanged();
}

void TGLCapsule::SetSlices(int32_t value) {
  if (StoreChanged(slices_, std::max(value, 1))) StructureChanged();
}

void TGLCapsule::SetStacks(int32_t value) {
  if (StoreChanged(stacks_, std::max(value, 1))) StructureChanged();
}

void TGLCapsule::SetParts(TCylinderParts parts) {
  if (StoreChanged(parts_, TCylinderParts(parts & 7))) StructureChanged();
}

void TGLCapsule::SetAlignment(TCylinderAlignment alignment) {
  if (StoreChanged(alignment_, alignment)) StructureChanged();
}

TVector4f TGLCapsule::HalfExtents() const {
  const float r = std::fabs(radius_), whole = std::fabs(height_) * 0.5f + r;
  return {r, alignment_ == caCenter ? whole : 2 * whole, r, 0};
}

void TGLCapsule::BuildList(RenderContextInfo&) {
  const float half = height_ * 0.5f;
  const float shift = alignment_ == caTop ? -(half + radius_) : alignment_ == caBottom ? half + radius_ : 0;
  // A ring at latitude theta (radians) about the end at y.
  auto ring = [&](double theta, float y) {
    std::vector<RingVertex> vertices(size_t(slices_) + 1);
    for (int i = 0; i <= slices_; ++i) {
      const double phi = 2 * M_PI * (i == slices_ ? 0 : i) / slices_;
      const TVector3f n{float(std::cos(theta) * std::sin(phi)), float(std::sin(theta)), float(std::cos(theta) * std::cos(phi))};
      vertices[size_t(i)] = {{n.x * radius_, n.y * radius_ + y + shift, n.z * radius_}, n};
    }
    return vertices;
  };
  if (parts_ & cyTop)
    for (int j = 0; j < stacks_; ++j)
      RingStrip(ring(M_PI / 2 * (1 - double(j) / stacks_), half), ring(M_PI / 2 * (1 - double(j + 1) / stacks_), half));
  if (parts_ & cySides) RingStrip(ring(0, half), ring(0, -half));
  if (parts_ & cyBottom)
    for (int j = 0; j < stacks_; ++j)
      RingStrip(ring(-M_PI / 2 * double(j) / stacks_, -half), ring(-M_PI / 2 * double(j + 1) / stacks_, -half));
}

void TGLCapsule::Assign(const TPersistent* source) {
  if (auto* capsule = dynamic_cast<const TGLCapsule*>(source)) {
    height_ = capsule->height_;
    radius_ = capsule->radius_;
    slices_ = capsule->slices_;
    stacks_ = capsule->stacks_;
    parts_ = capsule->parts_;
    alignment_ = capsule->alignment_;
    StructureChanged();
  }
  TGLStageObject::Assign(source);
}

// --- Torus -------------------------------------------------------------------------------------------------------

void TGLTorus::SetMajorRadius(float value) {
  if (StoreChanged(majorRadius_, value)) StructureChanged();
}

void TGLTorus::SetMinorRadius(float value) {
  if (StoreChanged(minorRadius_, value)) StructureChanged();
}

void TGLTorus::SetRings(int32_t value) {
  if (StoreChanged(rings_, std::max(value, 3))) StructureChanged();
}

void TGLTorus::SetSides(int32_t value) {
  if (StoreChanged(sides_, std::max(value, 3))) StructureChanged();
}

TVector4f TGLTorus::HalfExtents() const {
  const float r = std::fabs(majorRadius_) + std::fabs(minorRadius_);
  return {r, r, std::fabs(minorRadius_), 0};
}

bool TGLTorus::RayIntersect(const TVector4f& rayStart, const TVector4f& rayVector, TVector4f* hit, TVector4f* normal) {
  const TVector4f o = LocalPoint(*this, rayStart), d = LocalDirection(*this, rayVector);
  // (|p|² + R² - r²)² = 4R²(x² + y²) along p = o + t·d.
  const double R2 = double(majorRadius_) * majorRadius_, r2 = double(minorRadius_) * minorRadius_;
  const double a = AffineDot(d, d), b = 2 * AffineDot(o, d), c = AffineDot(o, o) + R2 - r2;
  const double dxy = double(d.x) * d.x + double(d.y) * d.y, oxy = double(o.x) * o.x + double(o.y) * o.y;
  const double odxy = double(o.x) * d.x + double(o.y) * d.y;
  const std::optional<double> t = SmallestNonNegativeRoot(
      SolveQuartic(c * c - 4 * R2 * oxy, 2 * b * c - 8 * R2 * odxy, b * b + 2 * a * c - 4 * R2 * dxy, 2 * a * b, a * a));
  if (!t) return false;
  const TVector3f p{float(o.x + *t * d.x), float(o.y + *t * d.y), float(o.z + *t * d.z)};
  const double rho = std::hypot(p.x, p.y);
  TVector3f n = p;
  if (rho > 0) n = {float(p.x - majorRadius_ * p.x / rho), float(p.y - majorRadius_ * p.y / rho), p.z};
  Answer(*this, p, AffineIsNull(n) ? TVector3f{0, 0, 1} : AffineNormalized(n), hit, normal);
  return true;
}

void TGLTorus::BuildList(RenderContextInfo&) {
  auto ring = [&](int i) {
    const double theta = 2 * M_PI * (i == rings_ ? 0 : i) / rings_;
    std::vector<RingVertex> vertices(size_t(sides_) + 1);
    for (int j = 0; j <= sides_; ++j) {
      const double phi = 2 * M_PI * (j == sides_ ? 0 : j) / sides_;
      const TVector3f n{float(std::cos(phi) * std::cos(theta)), float(std::cos(phi) * std::sin(theta)), float(std::sin(phi))};
      const float reach = float(majorRadius_ + minorRadius_ * std::cos(phi));
      vertices[size_t(j)] = {{reach * float(std::cos(theta)), reach * float(std::sin(theta)), minorRadius_ * n.z}, n};
    }
    return vertices;
  };
  std::vector<RingVertex> current = ring(0);
  for (int i = 0; i < rings_; ++i) {
    std::vector<RingVertex> next = ring(i + 1);
    RingStrip(current, next);
    current = std::move(next);
  }
}

void TGLTorus::Assign(const TPersistent* source) {
  if (auto* torus = dynamic_cast<const TGLTorus*>(source)) {
    majorRadius_ = torus->majorRadius_;
    minorRadius_ = torus->minorRadius_;
    rings_ = torus->rings_;
    sides_ = torus->sides_;
    StructureChanged();
  }
  TGLStageObject::Assign(source);
}

// --- Arrow line ----------------------------------------------------------------------------------------------------

TGLArrowLine::TGLArrowLine(TComponent* owner) : TGLCylinderBase(owner) { SetBottomRadius(0.1f); }

TVector4f TGLArrowLine::HalfExtents() const {
  const float r = std::max({std::fabs(BottomRadius()), std::fabs(topRadius_), std::fabs(topHeadRadius_),
                            std::fabs(bottomHeadRadius_)});
  const float heads = stacking_ == ahssIncluded ? 0 : std::max(topHeadHeight_, bottomHeadHeight_);
  return {r, Height() * 0.5f + heads, r, 0};
}

void TGLArrowLine::BuildList(RenderContextInfo&) {
  TGLExtensionsAndEntryPoints& gl = ActiveGLTable();
  TQuadric quadric;
  SetupQuadric(quadric);
  const bool top = parts_ & alTopArrow, bottom = parts_ & alBottomArrow;
  const float half = Height() * 0.5f;
  // Where the shaft ends and each head's base stands, along the quadric's Z (the object's Y).
  float shaftBottom = -half, shaftTop = half, topBase = half, bottomBase = -half;
  switch (stacking_) {
    case ahssCentered:
      topBase = half - topHeadHeight_ * 0.5f;
      bottomBase = -half + bottomHeadHeight_ * 0.5f;
      break;
    case ahssIncluded:
      topBase = half - topHeadHeight_;
      bottomBase = -half + bottomHeadHeight_;
      if (top) shaftTop = topBase;
      if (bottom) shaftBottom = bottomBase;
      break;
    default: break;
  }
  gl.PushMatrix();
  gl.Rotatef(-90, 1, 0, 0);
  if (parts_ & alLine) {
    gl.PushMatrix();
    gl.Translatef(0, 0, shaftBottom);
    quadric.Cylinder(BottomRadius(), topRadius_, shaftTop - shaftBottom, Slices(), Stacks());
    if (!bottom) {
      SetInvertedOrientation(quadric);
      quadric.Disk(0, BottomRadius(), Slices(), Loops());
      SetOrientation(quadric);
    }
    if (!top) {
      gl.Translatef(0, 0, shaftTop - shaftBottom);
      quadric.Disk(0, topRadius_, Slices(), Loops());
    }
    gl.PopMatrix();
  }
  auto head = [&](float base, float height, float radius, bool down) {
    gl.PushMatrix();
    gl.Translatef(0, 0, base);
    if (down) gl.Rotatef(180, 1, 0, 0);
    SetOrientation(quadric);
    quadric.Cylinder(radius, 0, height, Slices(), Stacks());
    SetInvertedOrientation(quadric);
    quadric.Disk(0, radius, Slices(), Loops());
    gl.PopMatrix();
  };
  if (top) head(topBase, topHeadHeight_, topHeadRadius_, false);
  if (bottom) head(bottomBase, bottomHeadHeight_, bottomHeadRadius_, true);
  gl.PopMatrix();
}

void TGLArrowLine::Assign(const TPersistent* source) {
  if (auto* arrow = dynamic_cast<const TGLArrowLine*>(source)) {
    topRadius_ = arrow->topRadius_;
    topHeadHeight_ = arrow->topHeadHeight_;
    topHeadRadius_ = arrow->topHeadRadius_;
    bottomHeadHeight_ = arrow->bottomHeadHeight_;
    bottomHeadRadius_ = arrow->bottomHeadRadius_;
    stacking_ = arrow->stacking_;
    parts_ = arrow->parts_;
    StructureChanged();
  }
  TGLCylinderBase::Assign(source);
}

// --- Frustum -------------------------------------------------------------------------------------------------------

TVector4f TGLFrustrum::HalfExtents() const {
  return {std::fabs(baseWidth_) * 0.5f, std::fabs(height_) * 0.5f, std::fabs(baseDepth_) * 0.5f, 0};
}

void TGLFrustrum::BuildList(RenderContextInfo&) {
  const float bw = baseWidth_ * 0.5f, bd = baseDepth_ * 0.5f, yb = -height_ * 0.5f, yt = height_ * 0.5f;
  const float f = apexHeight_ != 0 ? (apexHeight_ - height_) / apexHeight_ : 0;
  const float tw = bw * f, td = bd * f;
  const TVector3f b[4] = {{-bw, yb, bd}, {bw, yb, bd}, {bw, yb, -bd}, {-bw, yb, -bd}};
  const TVector3f t[4] = {{-tw, yt, td}, {tw, yt, td}, {tw, yt, -td}, {-tw, yt, -td}};
  struct Face {
    TFrustrumParts part;
    std::array<TVector3f, 4> corners;  // counter-clockwise seen from outside
  };
  const Face faces[] = {{fpFront, {b[0], b[1], t[1], t[0]}}, {fpRight, {b[1], b[2], t[2], t[1]}},
                        {fpBack, {b[2], b[3], t[3], t[2]}},  {fpLeft, {b[3], b[0], t[0], t[3]}},
                        {fpTop, {t[0], t[1], t[2], t[3]}},   {fpBottom, {b[0], b[3], b[2], b[1]}}};
  const bool inside = normalDirection_ == ndInside;
  TGLExtensionsAndEntryPoints& gl = ActiveGLTable();
  gl.Begin(GL_QUADS);
  for (const Face& face : faces) {
    if (!(parts_ & face.part)) continue;
    // The apex cut leaves a top face only below the apex.
    if (face.part == fpTop && !(height_ < apexHeight_)) continue;
    const auto& c = face.corners;
    TVector3f n = AffineCross(AffineDifference(c[1], c[0]), AffineDifference(c[2], c[0]));
    if (AffineIsNull(n)) n = AffineCross(AffineDifference(c[2], c[0]), AffineDifference(c[3], c[0]));
    if (!AffineIsNull(n)) n = AffineNormalized(n);
    if (inside) n = AffineNegated(n);
    gl.Normal3fv(&n.x);
    for (int i = 0; i < 4; ++i) gl.Vertex3fv(&c[size_t(inside ? 3 - i : i)].x);
  }
  gl.End();
}

void TGLFrustrum::Assign(const TPersistent* source) {
  if (auto* frustum = dynamic_cast<const TGLFrustrum*>(source)) {
    apexHeight_ = frustum->apexHeight_;
    baseDepth_ = frustum->baseDepth_;
    baseWidth_ = frustum->baseWidth_;
    height_ = frustum->height_;
    parts_ = frustum->parts_;
    normalDirection_ = frustum->normalDirection_;
    StructureChanged();
  }
  TGLStageObject::Assign(source);
}

void TGLFrustrum::DefineProperties(TFiler& filer) {
  TGLStageObject::DefineProperties(filer);
  float* sizes[4] = {&apexHeight_, &baseDepth_, &baseWidth_, &height_};
  filer.DefineBinaryProperty(
      "FrustrumSize",
      [this, sizes](platform::Stream& stream) {
        uint8_t bytes[16];
        stream.ReadBuffer(bytes, sizeof(bytes));
        platform::ByteReader reader(bytes, sizeof(bytes));
        for (float* size : sizes) *size = reader.F32();
        StructureChanged();
      },
      [sizes](platform::Stream& stream) {
        platform::ByteWriter writer;
        for (float* size : sizes) writer.F32(*size);
        stream.WriteBuffer(writer.Data().data(), writer.Data().size());
      },
      apexHeight_ != 1 || baseDepth_ != 1 || baseWidth_ != 1 || height_ != 1);
}

// --- Polygon -------------------------------------------------------------------------------------------------------

void TGLPolygon::SetParts(TPolygonParts parts) {
  if (StoreChanged(parts_, TPolygonParts(parts & 3))) StructureChanged();
}

void TGLPolygon::BuildList(RenderContextInfo&) {
  const TGLNodes& nodes = Nodes();
  if (nodes.Count() < 2) return;
  TVector3f normal = nodes.PlaneNormal();
  const bool hasNormal = !AffineIsNull(normal);
  if (parts_ & ppTop) nodes.RenderTessellated(true, hasNormal ? &normal : nullptr, SplineDivisions(), false);
  if (parts_ & ppBottom) {
    normal = AffineNegated(normal);
    nodes.RenderTessellated(true, hasNormal ? &normal : nullptr, SplineDivisions(), true);
  }
}

void TGLPolygon::Assign(const TPersistent* source) {
  if (auto* polygon = dynamic_cast<const TGLPolygon*>(source)) SetParts(polygon->parts_);
  TGLPolygonBase::Assign(source);
}

void TGLDisk::DefinePublished(TFiler& filer) {
  TGLQuadricObject::DefinePublished(filer);
  DefineSingle(filer, "InnerRadius", innerRadius_, [this](float v) { SetInnerRadius(v); }, 0);
  DefineSingle(filer, "OuterRadius", outerRadius_, [this](float v) { SetOuterRadius(v); }, 0.5f);
  DefineSubdivisions(filer, "Slices", slices_, [this](int32_t v) { SetSlices(v); }, 16);
  DefineSubdivisions(filer, "Loops", loops_, [this](int32_t v) { SetLoops(v); }, 2);
  DefineSingle(filer, "StartAngle", startAngle_, [this](float v) { SetStartAngle(v); }, 0);
  DefineSingle(filer, "SweepAngle", sweepAngle_, [this](float v) { SetSweepAngle(v); }, 360);
}

void TGLCone::DefinePublished(TFiler& filer) {
  TGLCylinderBase::DefinePublished(filer);
  DefineBits(filer, "Parts", parts_, [this](uint32_t v) { SetParts(TConeParts(v)); }, coSides | coBottom,
             coSides | coBottom);
}

void TGLAnnulus::DefinePublished(TFiler& filer) {
  TGLCylinderBase::DefinePublished(filer);
  DefineSingle(filer, "BottomInnerRadius", bottomInner_, [this](float v) { SetBottomInnerRadius(v); }, 0.3f);
  DefineSingle(filer, "TopInnerRadius", topInner_, [this](float v) { SetTopInnerRadius(v); }, 0.3f);
  DefineSingle(filer, "TopRadius", topRadius_, [this](float v) { SetTopRadius(v); }, 0.5f);
  constexpr TAnnulusParts all = anInnerSides | anOuterSides | anBottom | anTop;
  DefineBits(filer, "Parts", parts_, [this](uint32_t v) { SetParts(TAnnulusParts(v)); }, all, all);
}

void TGLCapsule::DefinePublished(TFiler& filer) {
  TGLStageObject::DefinePublished(filer);
  DefineSingle(filer, "Height", height_, [this](float v) { SetHeight(v); }, 1);
  DefineSingle(filer, "Radius", radius_, [this](float v) { SetRadius(v); }, 0.5f);
  DefineSubdivisions(filer, "Slices", slices_, [this](int32_t v) { SetSlices(v); }, 4);
  DefineSubdivisions(filer, "Stacks", stacks_, [this](int32_t v) { SetStacks(v); }, 4);
  DefineBits(filer, "Parts", parts_, [this](uint32_t v) { SetParts(TCylinderParts(v)); }, cySides | cyBottom | cyTop,
             cySides | cyBottom | cyTop);
  DefineEnum<TCylinderAlignment>(filer, "Alignment", alignment_, [this](TCylinderAlignment v) { SetAlignment(v); },
                                 caCenter, caBottom);
}

void TGLTorus::DefinePublished(TFiler& filer) {
  TGLStageObject::DefinePublished(filer);
  DefineSingle(filer, "MajorRadius", majorRadius_, [this](float v) { SetMajorRadius(v); }, 0.4f);
  DefineSingle(filer, "MinorRadius", minorRadius_, [this](float v) { SetMinorRadius(v); }, 0.1f);
  DefineSubdivisions(filer, "Rings", rings_, [this](int32_t v) { SetRings(v); }, 25);
  DefineSubdivisions(filer, "Sides", sides_, [this](int32_t v) { SetSides(v); }, 15);
}

void TGLArrowLine::DefinePublished(TFiler& filer) {
  TGLCylinderBase::DefinePublished(filer);
  DefineSingle(filer, "TopRadius", topRadius_, [this](float v) { SetTopRadius(v); }, 0.1f);
  DefineSingle(filer, "TopArrowHeadHeight", topHeadHeight_, [this](float v) { SetTopArrowHeadHeight(v); }, 0.5f);
  DefineSingle(filer, "TopArrowHeadRadius", topHeadRadius_, [this](float v) { SetTopArrowHeadRadius(v); }, 0.2f);
  DefineSingle(filer, "BottomArrowHeadHeight", bottomHeadHeight_, [this](float v) { SetBottomArrowHeadHeight(v); },
               0.5f);
  DefineSingle(filer, "BottomArrowHeadRadius", bottomHeadRadius_, [this](float v) { SetBottomArrowHeadRadius(v); },
               0.2f);
  DefineEnum<TArrowHeadStackingStyle>(filer, "HeadStackingStyle", stacking_,
                                      [this](TArrowHeadStackingStyle v) { SetHeadStackingStyle(v); }, ahssStacked,
                                      ahssIncluded);
  DefineBits(filer, "Parts", parts_, [this](uint32_t v) { SetParts(TArrowLineParts(v)); }, alLine | alTopArrow,
             alLine | alTopArrow | alBottomArrow);
}

void TGLFrustrum::DefinePublished(TFiler& filer) {
  TGLStageObject::DefinePublished(filer);
  // The sizes are the "FrustrumSize" data of DefineProperties.
  DefineBits(filer, "Parts", parts_, [this](uint32_t v) { SetParts(TFrustrumParts(v)); }, 63, 63);
  DefineEnum<TNormalDirection>(filer, "NormalDirection", normalDirection_,
                               [this](TNormalDirection v) { SetNormalDirection(v); }, ndOutside, ndOutside);
}

void TGLPolygon::DefinePublished(TFiler& filer) {
  TGLPolygonBase::DefinePublished(filer);
  DefineBits(filer, "Parts", parts_, [this](uint32_t v) { SetParts(TPolygonParts(v)); }, ppTop | ppBottom,
             ppTop | ppBottom);
}

}  // namespace scene3d
