#include "scene3d/extrusion_solid.h"

#include <cmath>
#include <vector>

#include "scene3d/gl_entry_points.h"
#include "scene3d/vectors.h"
#include "scene3d/stored_object.h"

namespace scene3d {

void TGLExtrusionSolid::SetParts(TExtrusionSolidParts parts) {
  if (StoreChanged(parts_, TExtrusionSolidParts(parts & 15))) StructureChanged();
}

void TGLExtrusionSolid::SetHeight(float height) {
  if (StoreChanged(height_, height)) StructureChanged();
}

void TGLExtrusionSolid::SetStacks(int32_t stacks) {
  if (stacks >= 1 && StoreChanged(stacks_, stacks)) StructureChanged();
}

void TGLExtrusionSolid::SetNormals(TNormalSmoothing normals) {
  if (StoreChanged(normals_, normals)) StructureChanged();
}

void TGLExtrusionSolid::SetNormalDirection(TNormalDirection direction) {
  if (StoreChanged(normalDirection_, direction)) StructureChanged();
}

void TGLExtrusionSolid::SetMinSmoothAngle(float degrees) {
  if (!StoreChanged(minSmoothAngle_, degrees)) return;
  minSmoothCosine_ = float(std::cos(double(degrees) * M_PI / 180));
  StructureChanged();
}

TVector4f TGLExtrusionSolid::HalfExtents() const {
  TVector4f half = TMultiPolygonBase::HalfExtents();
  half.z = std::max(half.z, std::fabs(height_));
  return half;
}

// The outline's polygons run counter-clockwise round the filled area seen from +Z (holes the other
// way), so the material lies left of each edge and the wall's outward normal is the edge turned right.
void TGLExtrusionSolid::BuildWalls(bool flip) {
  TGLExtensionsAndEntryPoints& gl = ActiveGLTable();
  const bool smooth = normals_ == nsSmooth;
  for (const std::vector<TVector3f>& polygon : Outline()) {
    // Corners with no length between them would give no direction.
    std::vector<TVector3f> points;
    for (const TVector3f& p : polygon)
      if (points.empty() || !(p.x == points.back().x && p.y == points.back().y)) points.push_back(p);
    while (points.size() > 1 && points.front().x == points.back().x && points.front().y == points.back().y)
      points.pop_back();
    const size_t n = points.size();
    if (n < 2) continue;
    std::vector<TVector3f> faces(n);
    for (size_t i = 0; i < n; ++i) {
      const TVector3f& a = points[i];
      const TVector3f& b = points[(i + 1) % n];
      TVector3f normal{b.y - a.y, a.x - b.x, 0};
      faces[i] = flip ? AffineNegated(AffineNormalized(normal)) : AffineNormalized(normal);
    }
    // The normal of wall i at its start (corner i) and at its end (corner i + 1).
    auto cornerNormal = [&](size_t wall, size_t other) {
      if (!smooth || AffineDot(faces[wall], faces[other]) < minSmoothCosine_) return faces[wall];
      return AffineNormalized(AffineSum(faces[wall], faces[other]));
    };
    for (int32_t stack = 0; stack < stacks_; ++stack) {
      const float z0 = height_ * float(stack) / float(stacks_);
      const float z1 = height_ * float(stack + 1) / float(stacks_);
      gl.Begin(GL_TRIANGLE_STRIP);
      // Per wall: its start above and below, its end above and below; seen from the side the normal
      // points to, the strip turns counter-clockwise. Flipped, below comes before above.
      auto pair = [&](const TVector3f& p, const TVector3f& normal) {
        gl.Normal3fv(&normal.x);
        const float first = flip ? z0 : z1, second = flip ? z1 : z0;
        gl.Vertex3f(p.x, p.y, p.z + first);
        gl.Vertex3f(p.x, p.y, p.z + second);
      };
      for (size_t i = 0; i < n; ++i) {
        pair(points[i], cornerNormal(i, (i + n - 1) % n));
        pair(points[(i + 1) % n], cornerNormal(i, (i + 1) % n));
      }
      gl.End();
    }
  }
}

void TGLExtrusionSolid::BuildList(RenderContextInfo&) {
  const bool inverted = normalDirection_ == ndInside;
  if (parts_ & espOutside) BuildWalls(inverted);
  if (parts_ & espInside) BuildWalls(!inverted);
  const TVector3f up = inverted ? TVector3f{0, 0, -1} : TVector3f{0, 0, 1};
  if (parts_ & espStartPolygon) RenderTessellated(true, AffineNegated(up), !inverted);
  if (parts_ & espStopPolygon) {
    TGLExtensionsAndEntryPoints& gl = ActiveGLTable();
    gl.PushMatrix();
    gl.Translatef(0, 0, height_);
    RenderTessellated(true, up, inverted);
    gl.PopMatrix();
  }
}

void TGLExtrusionSolid::Assign(const TPersistent* source) {
  if (auto* from = dynamic_cast<const TGLExtrusionSolid*>(source)) {
    parts_ = from->parts_;
    height_ = from->height_;
    stacks_ = from->stacks_;
    normals_ = from->normals_;
    normalDirection_ = from->normalDirection_;
    minSmoothAngle_ = from->minSmoothAngle_;
    minSmoothCosine_ = from->minSmoothCosine_;
  }
  TMultiPolygonBase::Assign(source);
}

void TGLExtrusionSolid::DefinePublished(TFiler& filer) {
  TMultiPolygonBase::DefinePublished(filer);
  DefineBits(filer, "Parts", parts_, [this](uint32_t v) { SetParts(TExtrusionSolidParts(v)); }, espOutside,
             espOutside | espInside | espStartPolygon | espStopPolygon);
  DefineSingle(filer, "Height", height_, [this](float v) { SetHeight(v); }, 1);
  DefineSubdivisions(filer, "Stacks", stacks_, [this](int32_t v) { SetStacks(v); }, 1);
  DefineEnum<TNormalSmoothing>(filer, "Normals", normals_, [this](TNormalSmoothing v) { SetNormals(v); }, nsFlat,
                               nsNone);
  DefineEnum<TNormalDirection>(filer, "NormalDirection", normalDirection_,
                               [this](TNormalDirection v) { SetNormalDirection(v); }, ndOutside, ndOutside);
  DefineSingle(filer, "MinSmoothAngle", minSmoothAngle_, [this](float v) { SetMinSmoothAngle(v); }, 5);
}

}  // namespace scene3d
