#include "scene3d/revolution_solid.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "scene3d/gl_entry_points.h"
#include "scene3d/gl_multitexture.h"
#include "scene3d/scalar_math.h"
#include "scene3d/vectors.h"
#include "scene3d/stored_object.h"

namespace scene3d {

namespace {

// x' = cos a·x + sin a·z, z' = cos a·z - sin a·x.
TVector3f TurnAboutY(const TVector3f& v, float s, float c) { return {c * v.x + s * v.z, v.y, c * v.z - s * v.x}; }

// The normal of the swept segment p'q' at one angle.
TVector3f SegmentNormal(const TVector3f& p, const TVector3f& q) {
  const TVector3f d = AffineDifference(q, p);
  const float sx = p.x + q.x, sz = p.z + q.z;
  TVector3f n{-d.y * sx, d.x * sx + d.z * sz, -d.y * sz};
  return AffineIsNull(n) ? n : AffineNormalized(n);
}

}  // namespace

void TGLRevolutionSolid::SetParts(TRevolutionSolidParts parts) {
  if (StoreChanged(parts_, TRevolutionSolidParts(parts & 15))) StructureChanged();
}

void TGLRevolutionSolid::SetStartAngle(float degrees) {
  if (!StoreChanged(startAngle_, degrees)) return;
  if (startAngle_ > stopAngle_) stopAngle_ = startAngle_;
  StructureChanged();
}

void TGLRevolutionSolid::SetStopAngle(float degrees) {
  if (!StoreChanged(stopAngle_, degrees)) return;
  if (stopAngle_ < startAngle_) startAngle_ = stopAngle_;
  StructureChanged();
}

void TGLRevolutionSolid::SetYOffsetPerTurn(float offset) {
  if (StoreChanged(yOffsetPerTurn_, offset)) StructureChanged();
}

void TGLRevolutionSolid::SetSlices(int32_t slices) {
  if (slices > 0 && StoreChanged(slices_, slices)) StructureChanged();
}

void TGLRevolutionSolid::SetNormals(TNormalSmoothing normals) {
  if (StoreChanged(normals_, normals)) StructureChanged();
}

void TGLRevolutionSolid::SetNormalDirection(TNormalDirection direction) {
  if (StoreChanged(normalDirection_, direction)) StructureChanged();
}

int32_t TGLRevolutionSolid::Steps() const {
  const double sweep = (double(stopAngle_) - startAngle_) / 360.0;
  const double steps = std::nearbyint(sweep * slices_);
  // A narrow sweep that rounds to no step still gets one.
  return int32_t(std::clamp(steps, 1.0, 1.0e6));
}

TVector4f TGLRevolutionSolid::HalfExtents() const {
  if (halfExtents_.x < 0) {
    double r2 = 0, h = 0;
    const TGLNodes& nodes = Nodes();
    for (int i = 0; i < nodes.Count(); ++i) {
      const TVector4f& p = nodes.Items(i)->AsVector();
      r2 = std::max(r2, double(p.x) * p.x + double(p.z) * p.z);
      h = std::max(h, double(std::fabs(p.y)));
    }
    const float r = float(std::sqrt(r2));
    halfExtents_ = {r, float(h), r, 0};
  }
  return halfExtents_;
}

void TGLRevolutionSolid::StructureChanged() {
  halfExtents_.x = -1;
  TGLPolygonBase::StructureChanged();
}

void TGLRevolutionSolid::BuildList(RenderContextInfo&) {
  const TGLNodes& nodes = Nodes();
  const int count = nodes.Count();
  if (count < 2 || !(stopAngle_ > startAngle_)) return;
  TGLExtensionsAndEntryPoints& gl = ActiveGLTable();
  TGLMultitextureCoordinator& coordinator = CurrentCoordinator();
  const float start = DegreesToRadiansSingle(startAngle_);
  const float stop = DegreesToRadiansSingle(stopAngle_);
  const int steps = Steps();
  const double twoPi = 2 * M_PI;
  // Exact steps: the last pair lies on the stop angle (on the first pair after a full turn).
  const double angleStep = (double(stop) - start) / steps;
  const double sStep = (double(stop) - start) / (steps * twoPi);
  const double yStep = (double(stop) - start) * yOffsetPerTurn_ / twoPi / steps;
  const double yStart = yOffsetPerTurn_ * double(start) / twoPi;
  const bool invert = normalDirection_ == ndInside;

  // The profile: the nodes, or the spline through them, with the texture's T along it.
  const int divisions = SplineDivisions();
  const std::vector<TVector3f> profile = nodes.CurvePoints(divisions);
  const int last = int(profile.size()) - 1;
  std::vector<float> texT;
  for (int i = 0; i <= last; ++i) texT.push_back(float(i) / float(last));

  // The normals of the previous segment at every angle step, for smooth shading.
  std::vector<TVector3f> previous(size_t(steps) + 1);
  auto surface = [&](bool swap) {
    for (size_t i = 0; i + 1 < profile.size(); ++i) {
      const bool first = i == 0;
      gl.Begin(GL_TRIANGLE_STRIP);
      for (int k = 0; k <= steps; ++k) {
        const double a = start + k * angleStep;
        const float s = float(std::sin(a)), c = float(std::cos(a));
        const float lift = float(yStart + k * yStep);
        TVector3f p = TurnAboutY(profile[i], s, c), q = TurnAboutY(profile[i + 1], s, c);
        p.y += lift;
        q.y += lift;
        const TVector3f pNormalSource = swap ? q : p;
        const TVector3f qNormalSource = swap ? p : q;
        const TVector3f n = SegmentNormal(pNormalSource, qNormalSource);
        // The vertex shared with the previous segment is the profile's point i.
        const TVector3f shared = normals_ == nsSmooth && !first ? previous[size_t(k)] : n;
        if (normals_ == nsSmooth) previous[size_t(k)] = n;
        const float sCoord = float(k * sStep);
        struct Place {
          TVector3f point, normal;
          float t;
        };
        const Place places[2] = {{swap ? q : p, swap ? n : shared, texT[i]},
                                 {swap ? p : q, swap ? shared : n, texT[i + 1]}};
        for (const Place& place : places) {
          if (normals_ != nsNone) gl.Normal3fv(&place.normal.x);
          coordinator.TexCoord2f(sCoord, place.t);
          gl.Vertex3fv(&place.point.x);
        }
      }
      gl.End();
    }
  };
  if (parts_ & rspInside) surface(!invert);
  if (parts_ & rspOutside) surface(invert);
  coordinator.TexCoord2f(0, 0);

  if (parts_ & (rspStartPolygon | rspStopPolygon)) {
    // The caps face along the sweep: their normal is the horizontal direction of the profile's
    // middle, turned a quarter beyond the cap's angle.
    TVector3f middle = nodes.AveragePosition();
    middle.y = 0;
    if (!AffineIsNull(middle)) middle = AffineNormalized(middle);
    auto cap = [&](float angle, double lift, double normalAngle) {
      std::unique_ptr<TGLNodes> copy = nodes.CreateCopy(nullptr);
      copy->RotateAllAroundY(RadiansToDegreesSingle(angle));
      copy->TranslateAll({0, float(lift), 0});
      const TVector3f normal = TurnAboutY(middle, float(std::sin(normalAngle)), float(std::cos(normalAngle)));
      copy->RenderTessellated(false, &normal, divisions, false);
    };
    if (parts_ & rspStartPolygon) cap(start, yStart, start + (invert ? M_PI / 2 : 3 * M_PI / 2));
    if (parts_ & rspStopPolygon)
      cap(stop, (double(stop) - start) * yOffsetPerTurn_ / twoPi + yStart, stop + (invert ? 3 * M_PI / 2 : M_PI / 2));
  }
}

void TGLRevolutionSolid::Assign(const TPersistent* source) {
  if (auto* solid = dynamic_cast<const TGLRevolutionSolid*>(source)) {
    parts_ = solid->parts_;
    startAngle_ = solid->startAngle_;
    stopAngle_ = solid->stopAngle_;
    yOffsetPerTurn_ = solid->yOffsetPerTurn_;
    slices_ = solid->slices_;
    normals_ = solid->normals_;
    normalDirection_ = solid->normalDirection_;
    StructureChanged();
  }
  TGLPolygonBase::Assign(source);
}

void TGLRevolutionSolid::DefinePublished(TFiler& filer) {
  TGLPolygonBase::DefinePublished(filer);
  constexpr TRevolutionSolidParts all = rspOutside | rspInside | rspStartPolygon | rspStopPolygon;
  DefineBits(filer, "Parts", parts_, [this](uint32_t v) { SetParts(TRevolutionSolidParts(v)); }, rspOutside, all);
  DefineSingle(filer, "StartAngle", startAngle_, [this](float v) { SetStartAngle(v); }, 0);
  DefineSingle(filer, "StopAngle", stopAngle_, [this](float v) { SetStopAngle(v); }, 360);
  DefineSingle(filer, "YOffsetPerTurn", yOffsetPerTurn_, [this](float v) { SetYOffsetPerTurn(v); }, 0);
  DefineSubdivisions(filer, "Slices", slices_, [this](int32_t v) { SetSlices(v); }, 16);
  DefineEnum<TNormalSmoothing>(filer, "Normals", normals_, [this](TNormalSmoothing v) { SetNormals(v); }, nsFlat,
                               nsNone);
  DefineEnum<TNormalDirection>(filer, "NormalDirection", normalDirection_,
                               [this](TNormalDirection v) { SetNormalDirection(v); }, ndOutside, ndOutside);
}

}  // namespace scene3d
